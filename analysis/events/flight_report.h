#pragma once
// Everything the event finder, the estimate and the statistics say about one
// flight, in one call.

#include "flight_estimate.h"
#include "flight_events.h"
#include "flight_samples.h"
#include "flight_statistics.h"

namespace tarvel::events {

struct FlightReport {
    SampleColumns columns;
    FlightEvents events;
    FlightEstimate estimate;
    FlightStatistics statistics;
};

FlightReport analyseFlight(const FlightSamples& samples, double railLength = kDefaultRailLengthM);

}  // namespace tarvel::events
