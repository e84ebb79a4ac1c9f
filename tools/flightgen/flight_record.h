#pragma once
// A generated flight as the analysis program holds it after opening its
// record: the raw samples, the rocket's details in the chosen units, the unit
// selection with its captions, and the derived curves. Written out with the
// core's record writer, this is the saved form of the flight.

#include "flight_analysis.h"
#include "flight_generator.h"
#include "flightgen_options.h"

namespace tarvel::flightgen {

// Fills `fa` (samples, details, units, captions, BaroAltitude) and runs the
// full recalculation. BaroAltitude is the barometric apogee the flight
// computer would report, in the chosen altitude unit.
Status buildFlightRecord(const GeneratedFlight& flight, const FlightParameters& params,
                         const RecordOptions& record, FlightAnalysis& fa);

}  // namespace tarvel::flightgen
