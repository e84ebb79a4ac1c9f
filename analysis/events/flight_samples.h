#pragma once
// The raw samples of one flight as the event finder, the statistics and the
// estimate read them, and the derived columns they all share. Only the
// recorded columns go in: the delta time of each sample (s), the acceleration
// along the flight axis with gravity taken out (G: 0 at rest, about -1 in free
// fall) and the barometric pressure (psi).

#include <cstddef>
#include <vector>

#include "flight.h"

namespace tarvel::events {

inline constexpr double kStandardGravity = 9.80665;  // m/s^2 per G

struct FlightSamples {
    std::vector<double> deltaTime;  // s
    std::vector<double> accelG;
    std::vector<double> pressurePsi;
    size_t size() const { return deltaTime.size(); }
};

// The recorded columns of a flight read from a record file or a download.
FlightSamples recordedSamples(const Flight& flight);

// The columns in SI units on the graph's time axis: time is the running sum of
// the delta times (the first sample at its own delta time), acceleration in
// m/s^2 and the standard-atmosphere pressure altitude in metres above sea
// level, so that differences are heights whatever the launch site's level.
struct SampleColumns {
    std::vector<double> time;
    std::vector<double> accel;
    std::vector<double> pressureAltitude;
    size_t size() const { return time.size(); }
    // Median time step, for windows given in seconds.
    double step = 0.01;
    // Samples of `seconds` at the median step, at least `least`.
    size_t samplesIn(double seconds, size_t least = 1) const;
};

// Columns of equal length are taken as they are; longer columns are cut to
// the shortest one.
SampleColumns sampleColumns(const FlightSamples& samples);

// Index of the first sample at or after time `t` (size() when none).
size_t indexAtOrAfter(const SampleColumns& columns, double t);

// Motion from the acceleration alone, less a bias, integrated sample by
// sample over the mean acceleration of each step.
struct DeadReckoning {
    double velocity = 0, height = 0;
    // From sample i - 1 to sample i.
    void step(const SampleColumns& columns, size_t i, double bias = 0) {
        const double dt = columns.time[i] - columns.time[i - 1];
        const double next = velocity + ((columns.accel[i - 1] + columns.accel[i]) / 2 - bias) * dt;
        height += (velocity + next) / 2 * dt;
        velocity = next;
    }
};

// Linear interpolation of `values` (one per sample) at time t, clamped to the
// first and last sample.
double valueAt(const SampleColumns& columns, const std::vector<double>& values, double t);

}  // namespace tarvel::events
