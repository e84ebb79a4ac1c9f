#include "flight_report.h"

namespace tarvel::events {

FlightReport analyseFlight(const FlightSamples& samples, double railLength) {
    FlightReport r;
    r.columns = sampleColumns(samples);
    const std::optional<double> launch = findLaunch(r.columns);
    r.estimate = estimateFlight(r.columns, launch);
    r.events = findEvents(r.columns, r.estimate, launch);
    r.statistics = flightStatistics(r.columns, r.estimate, r.events, railLength);
    return r;
}

}  // namespace tarvel::events
