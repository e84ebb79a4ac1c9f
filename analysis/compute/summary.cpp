#include "summary.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "kinematics.h"
#include "number_text.h"

namespace tarvel {

std::optional<FlightFigures> summarizeFlight(const SampleStore& s, const SampleArray& velocity,
                                             const SampleArray& altitude, const SampleArray& thrust,
                                             const DetailTexts& details, const UnitSelection& units) {
    if (s.SampleCount < kMinSummarySamples) return std::nullopt;

    const double duration = numberOrZero(details[static_cast<size_t>(DetailField::txtMotorDuration)]);
    const double threeFeet = units.Distance == 1 ? 3 / 3.281 : 3.0;

    FlightFigures f;
    f.maxThrust = thrust[0];
    bool found3Ft = false;
    double elapsed = 0;
    // The last sample is not visited.
    const int last = std::min<int>(s.SampleCount, kLastSlot + 1);
    for (int n = 1; n < last; ++n) {
        const auto i = static_cast<size_t>(n);
        if (thrust[i] > f.maxThrust) f.maxThrust = thrust[i];
        if (!found3Ft && altitude[i] > threeFeet) {
            f.velocity3Ft = velocity[i];
            found3Ft = true;
        }
        if (altitude[i] > f.maxAltitude) f.maxAltitude = altitude[i];
        if (velocity[i] > f.maxVelocity) f.maxVelocity = velocity[i];
        if (s.aAccel[i] > f.maxAccel) f.maxAccel = s.aAccel[i];
        if (s.aAccel[i] < f.minAccel) f.minAccel = s.aAccel[i];
        elapsed += s.aDeltaTime[i];
        // A sample whose running time reaches the duration is past the burn.
        if (duration > elapsed) f.totalImpulse += s.aDeltaTime[i] * thrust[i];
    }
    // Without a positive duration there is no burn to average over; 0 rather
    // than a division by zero.
    f.aveThrust = duration > 0 ? f.totalImpulse / duration : 0.0;
    f.motorClass = MotorClass(f.totalImpulse, units.Thrust);
    return f;
}

}  // namespace tarvel
