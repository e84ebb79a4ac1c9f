#pragma once
// A flight made to order for the graph tests, with fixed number formatting.

#include "flight_analysis.h"

namespace tarvel::graph::test {

inline void useUsNumbers(FlightAnalysis& a) { a.numberLocale = NumberLocale{".", ","}; }

// `count` samples 10 ms apart; accel(k) = k, so block averages are easy to name.
inline void fillRamp(FlightAnalysis& a, int count) {
    a.samples = SampleStore{};
    a.samples.SampleCount = static_cast<int16_t>(count);
    for (int k = 1; k <= count; ++k) {
        a.samples.aDeltaTime[k] = 0.01;
        a.samples.aAccel[k] = k;
        a.samples.aVelocity[k] = 2.0 * k;
        a.samples.aAltitude[k] = 3.0 * k;
        a.samples.aThrust[k] = 1.0;
    }
}

}  // namespace tarvel::graph::test
