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
    f.maxThrust = at(thrust, 0);
    bool found3Ft = false;
    double elapsed = 0;
    // The last sample is not visited.
    const int last = std::min<int>(s.SampleCount, kLastSlot + 1);
    for (int i = 1; i < last; ++i) {
        const double push = at(thrust, i), height = at(altitude, i), speed = at(velocity, i);
        const double accel = at(s.aAccel, i), dt = at(s.aDeltaTime, i);
        if (push > f.maxThrust) f.maxThrust = push;
        if (!found3Ft && height > threeFeet) {
            f.velocity3Ft = speed;
            found3Ft = true;
        }
        if (height > f.maxAltitude) f.maxAltitude = height;
        if (speed > f.maxVelocity) f.maxVelocity = speed;
        if (accel > f.maxAccel) f.maxAccel = accel;
        if (accel < f.minAccel) f.minAccel = accel;
        elapsed += dt;
        // A sample whose running time reaches the duration is past the burn.
        if (duration > elapsed) f.totalImpulse += dt * push;
    }
    // Without a positive duration there is no burn to average over; 0 rather
    // than a division by zero.
    f.aveThrust = duration > 0 ? f.totalImpulse / duration : 0.0;
    f.motorClass = MotorClass(f.totalImpulse, units.Thrust);
    return f;
}

}  // namespace tarvel
