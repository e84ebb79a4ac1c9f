#include "flight_statistics.h"

#include <algorithm>
#include <cmath>

#include "atmosphere.h"

namespace tarvel::events {

namespace {

std::optional<double> difference(std::optional<double> from, std::optional<double> to) {
    if (!from || !to) return std::nullopt;
    return *to - *from;
}

// Mean descent rate between two times, leaving out the chute's opening and
// settling at the start and the last half second; absent when less than a
// second of steady descent remains.
std::optional<double> descentRate(const SampleColumns& c, const FlightEstimate& e, double from, double to) {
    const double start = from + std::max(1.5, 0.2 * (to - from)), end = to - 0.5;
    if (end - start < 1.0) return std::nullopt;
    return (valueAt(c, e.altitude, start) - valueAt(c, e.altitude, end)) / (end - start);
}

}  // namespace

std::optional<double> railExitVelocity(const SampleColumns& c, double launch, double railLength) {
    size_t i = indexAtOrAfter(c, launch);
    if (i >= c.size() || !(railLength > 0)) return std::nullopt;
    // Before the first sample after launch the thrust is taken as rising
    // linearly from nothing.
    const double lead = c.time[i] - launch;
    const double jerk = lead > 0 ? c.accel[i] / lead : 0.0;
    DeadReckoning motion{jerk * lead * lead / 2, jerk * lead * lead * lead / 6};
    if (motion.height >= railLength) {
        // Off the rail before the first sample: on the ramp, at t^3 j / 6 = L.
        const double t = std::cbrt(6 * railLength / jerk);
        return jerk * t * t / 2;
    }
    for (++i; i < c.size(); ++i) {
        const DeadReckoning before = motion;
        motion.step(c, i);
        if (motion.height >= railLength) {
            const double f = (railLength - before.height) / (motion.height - before.height);
            return before.velocity + f * (motion.velocity - before.velocity);
        }
    }
    return std::nullopt;
}

FlightStatistics flightStatistics(const SampleColumns& c, const FlightEstimate& e, const FlightEvents& ev,
                                  double railLength) {
    FlightStatistics s;
    s.railLength = railLength;
    const size_t n = std::min(c.size(), e.altitude.size());
    if (n == 0 || !ev.launch) return s;
    s.timeToApogee = difference(ev.launch, ev.apogee);
    s.boostDuration = difference(ev.launch, ev.burnout);
    s.coastDuration = difference(ev.burnout, ev.apogee);
    s.flightTime = difference(ev.launch, ev.landing);
    s.mainDuration = difference(ev.main, ev.landing);
    s.drogueDuration = difference(ev.apogee, ev.main ? ev.main : ev.landing);

    const double end = c.time[n - 1];
    if (ev.apogee)
        s.drogueDescentRate = descentRate(c, e, *ev.apogee, ev.main.value_or(ev.landing.value_or(end)));
    if (ev.main) {
        s.mainDescentRate = descentRate(c, e, *ev.main, ev.landing.value_or(end));
        s.mainAltitude = valueAt(c, e.altitude, *ev.main);
    }
    if (ev.burnout) {
        s.burnoutAltitude = valueAt(c, e.altitude, *ev.burnout);
        s.burnoutVelocity = valueAt(c, e.velocity, *ev.burnout);
        if (*s.boostDuration > 0) s.averageBoostAcceleration = *s.burnoutVelocity / *s.boostDuration;
    }
    const size_t first = indexAtOrAfter(c, *ev.launch);
    const size_t boostEnd = ev.burnout ? indexAtOrAfter(c, *ev.burnout) + 1 : n;
    if (first < std::min(boostEnd, n))
        s.maxAcceleration = *std::max_element(c.accel.begin() + static_cast<long>(first),
                                              c.accel.begin() + static_cast<long>(std::min(boostEnd, n)));
    const size_t last = ev.landing ? std::min(n, indexAtOrAfter(c, *ev.landing) + 1) : n;
    double fastest = 0, mach = 0;
    for (size_t i = first; i < last; ++i) {
        fastest = std::max(fastest, e.velocity[i]);
        mach =
            std::max(mach, std::fabs(e.velocity[i]) / speedOfSoundMps(e.padPressureAltitude + e.altitude[i]));
    }
    if (first < last) s.maxVelocity = fastest, s.maxMach = mach;
    s.railExitVelocity = railExitVelocity(c, *ev.launch, railLength);
    return s;
}

}  // namespace tarvel::events
