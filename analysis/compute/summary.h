#pragma once
// Performance summary: the figures of a flight, as numbers.

#include <optional>
#include <string>

#include "flight.h"

namespace tarvel {

struct FlightFigures {
    double maxAccel = 0, minAccel = 0, maxVelocity = 0, maxAltitude = 0, velocity3Ft = 0;
    double maxThrust = 0, totalImpulse = 0, aveThrust = 0;
    std::string motorClass;  // "A".."P", empty outside the classes
};

// The figures of the raw columns of `s` with the derived columns given, in
// `units`. Flights of fewer than kMinSummarySamples have none.
std::optional<FlightFigures> summarizeFlight(const SampleStore& s, const SampleArray& velocity,
                                             const SampleArray& altitude, const SampleArray& thrust,
                                             const DetailTexts& details, const UnitSelection& units);

}  // namespace tarvel
