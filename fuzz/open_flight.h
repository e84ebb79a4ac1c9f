#pragma once
// A record as "&Open" takes it: read whole, then derived in the all-curves view.

#include <string_view>

#include "derivation.h"
#include "record_reader.h"

namespace fuzzing {

inline tarvel::Derivation deriveAllCurves(const tarvel::Flight& flight, const tarvel::UnitSelection& units) {
    return tarvel::deriveFlight(
        {flight.samples, flight.details, units, tarvel::DerivedView::AllCurves, flight.samples.aVelocity});
}

inline tarvel::Flight openFlight(std::string_view bytes) {
    tarvel::Flight flight = tarvel::readRecord(bytes);
    if (flight.lastRead.samplesFound) (void)deriveAllCurves(flight, flight.units);
    return flight;
}

}  // namespace fuzzing
