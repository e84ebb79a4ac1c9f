#pragma once
// The model's own account of a generated flight, written beside its record so
// that analyses of the record can be measured against what really happened.
// Times are on the record's time axis: the running sum of the samples' delta
// times, so the first sample is at one time step. An event the recording did
// not cover (a flight cut off before apogee) is absent.

#include <optional>
#include <string>

#include "flight_generator.h"

namespace tarvel::flightgen {

struct FlightTruth {
    std::optional<double> launch, burnout, apogee, deployment, main, landing;
    double apogeeM = 0;
    double maxVelocityMps = 0;
};

FlightTruth flightTruth(const GeneratedFlight& flight);

// Comma-separated: one "event,seconds" line per event (the value empty when
// absent), the apogee height and maximum velocity, then "time,altitude,velocity"
// and one line per sample (s, m above the pad, m/s).
std::string truthText(const GeneratedFlight& flight);

}  // namespace tarvel::flightgen
