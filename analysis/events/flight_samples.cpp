#include "flight_samples.h"

#include <algorithm>
#include <cmath>

#include "atmosphere.h"

namespace tarvel::events {

FlightSamples recordedSamples(const Flight& flight) {
    const int count = std::clamp<int>(flight.samples.SampleCount, 0, kLastSlot);
    auto column = [&](const SampleArray& slots) {
        std::vector<double> values(static_cast<size_t>(count));
        for (int i = 1; i <= count; ++i) values[static_cast<size_t>(i - 1)] = at(slots, i);
        return values;
    };
    return {column(flight.samples.aDeltaTime), column(flight.samples.aAccel),
            column(flight.samples.aPressure)};
}

size_t SampleColumns::samplesIn(double seconds, size_t least) const {
    const double count = step > 0 ? std::round(seconds / step) : 0.0;
    return std::max(least, count > 0 ? static_cast<size_t>(count) : size_t{0});
}

SampleColumns sampleColumns(const FlightSamples& samples) {
    const size_t n = std::min({samples.deltaTime.size(), samples.accelG.size(), samples.pressurePsi.size()});
    SampleColumns c;
    c.time.resize(n);
    c.accel.resize(n);
    c.pressureAltitude.resize(n);
    double t = 0;
    // The sensor's counts repeat a pressure over many samples; its altitude
    // is worked out once for each run.
    double lastPsi = std::nan(""), lastAltitude = 0;
    for (size_t i = 0; i < n; ++i) {
        // A negative or broken delta time would run the axis backwards.
        const double dt = samples.deltaTime[i];
        t += std::isfinite(dt) && dt > 0 ? dt : 0.0;
        c.time[i] = t;
        const double a = samples.accelG[i];
        c.accel[i] = std::isfinite(a) ? a * kStandardGravity : 0.0;
        const double psi = samples.pressurePsi[i];
        if (!(psi == lastPsi)) lastPsi = psi, lastAltitude = pressureAltitudeM(psi);
        c.pressureAltitude[i] = lastAltitude;
    }
    if (n > 0) {
        std::vector<double> steps(samples.deltaTime.begin(),
                                  samples.deltaTime.begin() + static_cast<long>(n));
        std::nth_element(steps.begin(), steps.begin() + static_cast<long>(n / 2), steps.end());
        if (steps[n / 2] > 0) c.step = steps[n / 2];
    }
    return c;
}

size_t indexAtOrAfter(const SampleColumns& columns, double t) {
    return static_cast<size_t>(std::lower_bound(columns.time.begin(), columns.time.end(), t) -
                               columns.time.begin());
}

double valueAt(const SampleColumns& columns, const std::vector<double>& values, double t) {
    const size_t n = std::min(columns.size(), values.size());
    if (n == 0) return 0;
    const size_t i = indexAtOrAfter(columns, t);
    if (i == 0) return values.front();
    if (i >= n) return values[n - 1];
    const double t0 = columns.time[i - 1], t1 = columns.time[i];
    const double f = t1 > t0 ? (t - t0) / (t1 - t0) : 1.0;
    return values[i - 1] + f * (values[i] - values[i - 1]);
}

}  // namespace tarvel::events
