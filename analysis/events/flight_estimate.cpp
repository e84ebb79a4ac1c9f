#include "flight_estimate.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "atmosphere.h"

namespace tarvel::events {

namespace {

// State: 0 height above the pad, 1 velocity, 2 accelerometer bias, 3 the pad's
// pressure altitude.
constexpr size_t N = 4;
using Vec = std::array<double, N>;
using Mat = std::array<double, N * N>;

constexpr double at(const Mat& m, size_t r, size_t c) { return m[r * N + c]; }

Mat multiply(const Mat& a, const Mat& b) {
    Mat m{};
    for (size_t r = 0; r < N; ++r)
        for (size_t k = 0; k < N; ++k) {
            const double x = a[r * N + k];
            for (size_t c = 0; c < N; ++c) m[r * N + c] += x * b[k * N + c];
        }
    return m;
}

// P <- F P F' for the transition over dt: height gains v dt - b dt^2/2,
// velocity loses b dt; bias and pad level stay. F's rows are sparse, so the
// product is done as row and column operations.
void propagate(Mat& p, double dt) {
    const double h = -dt * dt / 2;
    for (size_t c = 0; c < N; ++c) {
        p[c] += dt * p[N + c] + h * p[2 * N + c];
        p[N + c] += -dt * p[2 * N + c];
    }
    for (size_t r = 0; r < N; ++r) {
        p[r * N] += dt * p[r * N + 1] + h * p[r * N + 2];
        p[r * N + 1] += -dt * p[r * N + 2];
    }
}

// Solves S X = B for X with S symmetric positive definite (S = L D L', no
// square roots); false when S is not.
bool solveSymmetric(const Mat& s, const Mat& b, Mat& x) {
    Mat l{};
    Vec d{}, inverse{};
    for (size_t j = 0; j < N; ++j) {
        double v = at(s, j, j);
        for (size_t k = 0; k < j; ++k) v -= l[j * N + k] * l[j * N + k] * d[k];
        if (!(v > 0)) return false;
        d[j] = v;
        inverse[j] = 1 / v;
        for (size_t i = j + 1; i < N; ++i) {
            double w = at(s, i, j);
            for (size_t k = 0; k < j; ++k) w -= l[i * N + k] * l[j * N + k] * d[k];
            l[i * N + j] = w * inverse[j];
        }
    }
    // L y = B, then L' X = D^-1 y, all columns of B at once.
    Mat y{};
    for (size_t i = 0; i < N; ++i)
        for (size_t c = 0; c < N; ++c) {
            double v = at(b, i, c);
            for (size_t k = 0; k < i; ++k) v -= l[i * N + k] * y[k * N + c];
            y[i * N + c] = v;
        }
    for (size_t i = N; i-- > 0;)
        for (size_t c = 0; c < N; ++c) {
            double v = y[i * N + c] * inverse[i];
            for (size_t k = i + 1; k < N; ++k) v -= l[k * N + i] * x[k * N + c];
            x[i * N + c] = v;
        }
    return true;
}

struct Gaussian {
    Vec x{};
    Mat p{};
};

// Scalar measurement of one state, or of the sum of two, with variance r.
constexpr size_t kNoState = N;
void update(Gaussian& g, double z, double r, size_t a, size_t b = kNoState) {
    Vec ph;
    for (size_t i = 0; i < N; ++i) ph[i] = g.p[i * N + a] + (b < N ? g.p[i * N + b] : 0.0);
    const double s = r + ph[a] + (b < N ? ph[b] : 0.0);
    if (!(s > 0)) return;
    const double inverse = 1 / s, innovation = z - g.x[a] - (b < N ? g.x[b] : 0.0);
    for (size_t i = 0; i < N; ++i) g.x[i] += ph[i] * inverse * innovation;
    for (size_t i = 0; i < N; ++i) {
        const double k = ph[i] * inverse;
        for (size_t j = 0; j < N; ++j) g.p[i * N + j] -= k * ph[j];
    }
}

// Smallest step between different values of a column: the sensor's count.
double quantum(const std::vector<double>& v) {
    double q = 0;
    for (size_t i = 1; i < v.size(); ++i) {
        const double d = std::fabs(v[i] - v[i - 1]);
        if (d > 1e-9 && (q == 0 || d < q)) q = d;
    }
    return q;
}

// Noise of a column from its differences of `order` 1 or 2 (their RMS, the
// wild ones left out, scaled to one sample's noise), never below the
// rounding to the sensor's count.
double noiseOf(const std::vector<double>& v, double count, int order, double limit) {
    double sum = 0;
    size_t n = 0;
    for (size_t i = 2; i < v.size(); ++i) {
        const double d = order == 1 ? v[i] - v[i - 1] : v[i] - 2 * v[i - 1] + v[i - 2];
        if (std::fabs(d) < limit) sum += d * d, ++n;
    }
    const double rms = n > 0 ? std::sqrt(sum / static_cast<double>(n) / (order == 1 ? 2.0 : 6.0)) : 0.0;
    return std::max(rms, count / std::sqrt(12.0));
}

// Samples where the accelerometer sat at the end of its range: three or more
// at the column's extreme.
std::vector<bool> saturated(const std::vector<double>& a, double count) {
    std::vector<bool> flags(a.size(), false);
    double extreme = 0;
    for (double v : a) extreme = std::max(extreme, std::fabs(v));
    size_t atExtreme = 0;
    for (double v : a) atExtreme += std::fabs(v) >= extreme - count / 2 ? 1 : 0;
    if (atExtreme < 3 || extreme <= 0) return flags;
    for (size_t i = 0; i < a.size(); ++i) flags[i] = std::fabs(a[i]) >= extreme - count / 2;
    return flags;
}

// Samples near a sharp change of acceleration, when the bay's air is
// disturbed: from a little before to a second after each jump.
std::vector<bool> disturbed(const SampleColumns& c) {
    constexpr double kJump = 3 * kStandardGravity;
    std::vector<bool> flags(c.size(), false);
    const size_t before = c.samplesIn(0.1), after = c.samplesIn(1.0);
    for (size_t i = 1; i < c.size(); ++i) {
        if (std::fabs(c.accel[i] - c.accel[i - 1]) < kJump) continue;
        const size_t lo = i > before ? i - before : 0, hi = std::min(c.size(), i + after);
        std::fill(flags.begin() + static_cast<long>(lo), flags.begin() + static_cast<long>(hi), true);
    }
    return flags;
}

// The readings of a barometer that trails the motion by `lag` seconds (as a
// first-order lag does) put back on time: y + lag dy/dt, the slope taken over
// the lag on either side so that the sensor's counts do not turn into spikes.
std::vector<double> undoLag(const SampleColumns& c, double lag) {
    if (!(lag > 0)) return c.pressureAltitude;
    const size_t n = c.size(), w = c.samplesIn(lag);
    std::vector<double> out(n);
    for (size_t i = 0; i < n; ++i) {
        const size_t lo = i > w ? i - w : 0, hi = std::min(n - 1, i + w);
        const double span = c.time[hi] - c.time[lo];
        const double slope = span > 0 ? (c.pressureAltitude[hi] - c.pressureAltitude[lo]) / span : 0.0;
        out[i] = c.pressureAltitude[i] + lag * slope;
    }
    return out;
}

// Lag of the barometer behind the motion, in samples: the lag whose undoing
// best matches the height the acceleration alone gives over the first seconds
// of the climb (where that height is good to centimetres). A sensor behind a
// small port lags by a fraction of a second; a lag that does not fit clearly
// better than none is taken as none.
size_t barometerLag(const SampleColumns& c, double launch) {
    const size_t first = indexAtOrAfter(c, launch), longest = c.samplesIn(1.0);
    std::vector<double> height;
    DeadReckoning motion;
    for (size_t i = first; i < c.size() && height.size() < c.samplesIn(5.0); ++i) {
        if (i > first) {
            motion.step(c, i);
            if (motion.velocity < 0) break;  // over the top
        }
        height.push_back(motion.height);
    }
    const size_t m = height.size();
    if (m < c.samplesIn(1.0, 10) || first + m + longest > c.size()) return 0;
    auto misfit = [&](size_t shift) {
        const double lag = static_cast<double>(shift) * c.step, n = static_cast<double>(m);
        const size_t w = c.samplesIn(lag);
        double sum = 0, squares = 0;
        for (size_t k = 0; k < m; ++k) {
            const size_t i = first + k, lo = i > w ? i - w : 0, hi = std::min(c.size() - 1, i + w);
            const double span = c.time[hi] - c.time[lo];
            const double slope = span > 0 ? (c.pressureAltitude[hi] - c.pressureAltitude[lo]) / span : 0.0;
            const double d = c.pressureAltitude[i] + lag * slope - height[k];
            sum += d, squares += d * d;
        }
        return squares - sum * sum / n;
    };
    // Coarse steps first, then every step around the best of them.
    const double none = misfit(0);
    size_t best = 0;
    double bestMisfit = none;
    constexpr size_t kCoarse = 5;
    for (size_t shift = kCoarse; shift <= longest; shift += kCoarse)
        if (const double f = misfit(shift); f < bestMisfit) best = shift, bestMisfit = f;
    const size_t around = best;
    for (size_t shift = around > kCoarse ? around - kCoarse + 1 : 1; shift < around + kCoarse; ++shift)
        if (shift != around)
            if (const double f = misfit(shift); f < bestMisfit) best = shift, bestMisfit = f;
    return bestMisfit < 0.7 * none ? best : 0;
}

// End of the run of readings equal to reading `i`.
size_t runOfSameReading(const SampleColumns& c, size_t i) {
    size_t end = i + 1;
    while (end < c.size() && c.pressureAltitude[end] == c.pressureAltitude[i]) ++end;
    return end;
}

// A run of one same reading over which the acceleration, from the state at
// its start, moves the rocket further than `reach`: the sensor was stuck, not
// the rocket (a run within one count lasts only while the height stays within
// it).
bool stuckRun(const SampleColumns& c, const Vec& x, size_t begin, size_t end, double reach) {
    DeadReckoning motion{x[1], 0};
    for (size_t i = begin + 1; i < end; ++i) {
        motion.step(c, i, x[2]);
        if (std::fabs(motion.height) > reach) return true;
    }
    return false;
}

std::optional<Apogee> findApogee(const SampleColumns& c, const FlightEstimate& e) {
    const auto& v = e.velocity;
    if (v.empty()) return std::nullopt;
    const size_t fastest = static_cast<size_t>(std::max_element(v.begin(), v.end()) - v.begin());
    if (!(v[fastest] > 0)) return std::nullopt;
    for (size_t i = fastest + 1; i < v.size(); ++i) {
        if (v[i] > 0) continue;
        // Between the last sample going up and the first going down.
        const double f = v[i - 1] / (v[i - 1] - v[i]);
        const double t = c.time[i - 1] + f * (c.time[i] - c.time[i - 1]);
        const size_t top = e.altitude[i] > e.altitude[i - 1] ? i : i - 1;
        return Apogee{std::max(e.altitude[i - 1], e.altitude[i]), e.altitudeSigma[top], t};
    }
    return std::nullopt;
}

// The filter's model of one flight: how the state moves from sample to
// sample, and how far each barometer reading is trusted.
class FlightModel {
public:
    FlightModel(const SampleColumns& c, FlightEstimate& e, std::optional<double> launchTime);

    // Before the launch the rocket rests; a recording that starts after it
    // starts on the rising thrust, taken as linear from the launch on.
    Gaussian initialState() const;
    // One step from sample i - 1 to i, driven by the mean of their accelerations.
    void predict(Gaussian& s, size_t i) const;
    // The pad's constraints and the barometer at sample i, in sample order.
    void correct(Gaussian& g, size_t i);

private:
    // Tuning: the accelerometer's error is not white (its rounding to counts
    // follows the flight), so the model lets velocity and bias wander a little
    // more than the noise alone would.
    static constexpr double kBiasWalk = 0.05 * 0.05;   // (m/s^2)^2 per s
    static constexpr double kLevelWalk = 0.01 * 0.01;  // m^2 per s: weather over the flight
    // The barometer's error is not white either: its rounding to counts holds
    // for as long as the height stays within one count. Each reading counts as
    // much as a reading of a fifth of a second.
    static constexpr double kBaroCorrelationS = 0.2;
    static constexpr double kShortestStallS = 0.2;

    const SampleColumns& m_c;
    double m_launch = 0, m_restUntil = 0;
    double m_accelVar = 0, m_saturatedVar = 0, m_readingVar = 0, m_baroVar = 0, m_altitudeCount = 0;
    size_t m_shortestStall = 0;
    std::vector<bool> m_flatTop, m_shaken;
    std::vector<double> m_readings;
    size_t m_runEnd = 0;  // end of the current run of one same reading
    bool m_stuck = false;
};

FlightModel::FlightModel(const SampleColumns& columns, FlightEstimate& e, std::optional<double> launchTime)
    : m_c(columns) {
    const double accelCount = quantum(m_c.accel);
    m_altitudeCount = quantum(m_c.pressureAltitude);
    e.accelNoise = std::max(noiseOf(m_c.accel, accelCount, 1, 2 * kStandardGravity), 0.02 * kStandardGravity);
    e.altitudeNoise = std::max(noiseOf(m_c.pressureAltitude, m_altitudeCount, 2, 50.0), 0.1);
    m_accelVar = 2.0 * e.accelNoise * e.accelNoise;
    m_readingVar = e.altitudeNoise * e.altitudeNoise;
    m_baroVar = m_readingVar * std::max(1.0, kBaroCorrelationS / m_c.step);
    m_shortestStall = m_c.samplesIn(kShortestStallS, 3);
    m_flatTop = saturated(m_c.accel, accelCount);
    // A reading at the end of the range says only that the acceleration was
    // at least that much: the step may have had as much again.
    double range = 0;
    for (double a : m_c.accel) range = std::max(range, std::fabs(a));
    m_saturatedVar = range * range;
    m_shaken = disturbed(m_c);

    m_launch = launchTime.value_or(m_c.time[0]);
    m_restUntil = m_launch - 2 * m_c.step;
    e.barometerLag = launchTime ? static_cast<double>(barometerLag(m_c, m_launch)) * m_c.step : 0.0;
    // Undoing a lag adds the noise of a difference.
    if (e.barometerLag > 0) m_readingVar *= 1.5, m_baroVar *= 1.5;
    m_readings = undoLag(m_c, e.barometerLag);
}

Gaussian FlightModel::initialState() const {
    Gaussian g;
    const double since = std::max(0.0, m_c.time[0] - m_launch);
    const double a0 = std::max(0.0, m_c.accel[0]);
    g.x = {a0 * since * since / 6, a0 * since / 2, 0, m_c.pressureAltitude[0]};
    const double hSigma = std::max(0.01, a0 * since * since / 6), vSigma = std::max(0.05, a0 * since / 2);
    g.p = {};
    g.p[0] = hSigma * hSigma;
    g.p[1 * N + 1] = vSigma * vSigma;
    g.p[2 * N + 2] = 0.3 * 0.3;
    g.p[3 * N + 3] = 100.0 * 100.0;
    return g;
}

void FlightModel::predict(Gaussian& s, size_t i) const {
    const double dt = m_c.time[i] - m_c.time[i - 1];
    const double input = (m_c.accel[i - 1] + m_c.accel[i]) / 2;
    const Vec& x = s.x;
    s.x = {x[0] + x[1] * dt + (input - x[2]) * dt * dt / 2, x[1] + (input - x[2]) * dt, x[2], x[3]};
    propagate(s.p, dt);
    // Between two samples the acceleration may take any path: a thrust peak
    // between them is lost to the mean, by up to a quarter of the change over
    // the step.
    const double jump = (m_c.accel[i] - m_c.accel[i - 1]) / 4;
    const double q = m_flatTop[i] || m_flatTop[i - 1] ? m_saturatedVar : m_accelVar + jump * jump;
    const double gh = dt * dt / 2, gv = dt;
    s.p[0] += q * gh * gh;
    s.p[1] += q * gh * gv;
    s.p[N] += q * gh * gv;
    s.p[N + 1] += q * gv * gv;
    s.p[2 * N + 2] += kBiasWalk * dt;
    s.p[3 * N + 3] += kLevelWalk * dt;
}

void FlightModel::correct(Gaussian& g, size_t i) {
    constexpr size_t kHeight = 0, kVelocity = 1, kLevel = 3;
    if (m_c.time[i] < m_restUntil) {
        update(g, 0, 1e-6, kHeight);
        update(g, 0, 1e-6, kVelocity);
    }
    if (i >= m_runEnd) {
        m_runEnd = runOfSameReading(m_c, i);
        m_stuck = m_runEnd - i >= m_shortestStall && stuckRun(m_c, g.x, i, m_runEnd, 3 * m_altitudeCount);
    }
    if (m_stuck) return;
    // Trust in the barometer: less near Mach 1 (half the speed of sound is
    // 147 m/s at the highest), at shocks, and less the further it strays from
    // what the acceleration says.
    double trust = 1;
    if (const double speed = std::fabs(g.x[1]); speed > 140) {
        const double nearSonic =
            std::clamp((speed / speedOfSoundMps(m_c.pressureAltitude[i]) - 0.5) / 0.4, 0.0, 1.0);
        trust += 400 * nearSonic * nearSonic;
    }
    if (m_shaken[i]) trust *= 100;
    const double z = m_readings[i];
    const double innovation = z - (g.x[0] + g.x[3]);
    // Measured against one reading's own noise: a run of readings cannot make
    // a stray one likelier. Beyond 4 sigma the reading counts the less the
    // further off it is; beyond 6 it is left out (a pressure pulse).
    const double spread = g.p[0] + 2 * g.p[3] + g.p[3 * N + 3] + m_readingVar * trust;
    const double surprise = innovation * innovation / spread;
    constexpr double kSoftGate = 16.0, kHardGate = 36.0;
    if (surprise > kHardGate) return;
    update(g, z, m_baroVar * trust * std::max(1.0, surprise / kSoftGate), kHeight, kLevel);
}

// One step of the backward pass: the estimate at a sample from its filtered
// state, the prediction made from it and the smoothed estimate at the next.
Gaussian smoothedStep(const Gaussian& filtered, const Gaussian& predicted, const Gaussian& later, double dt) {
    // Gain C = Pf F' Pp^-1, from Pp C' = F Pf.
    Mat fp = filtered.p;
    for (size_t k = 0; k < N; ++k) {
        fp[k] += dt * fp[N + k] - dt * dt / 2 * fp[2 * N + k];
        fp[N + k] += -dt * fp[2 * N + k];
    }
    Mat gainT{};
    Gaussian s = filtered;
    if (!solveSymmetric(predicted.p, fp, gainT)) return s;
    Vec dx;
    for (size_t k = 0; k < N; ++k) dx[k] = later.x[k] - predicted.x[k];
    for (size_t k = 0; k < N; ++k)
        for (size_t r = 0; r < N; ++r) s.x[r] += gainT[k * N + r] * dx[k];
    Mat dp;
    for (size_t k = 0; k < N * N; ++k) dp[k] = later.p[k] - predicted.p[k];
    // P += C dP C', with C = gainT'.
    const Mat right = multiply(dp, gainT);
    for (size_t k = 0; k < N; ++k)
        for (size_t r = 0; r < N; ++r) {
            const double weight = gainT[k * N + r];
            for (size_t col = 0; col < N; ++col) s.p[r * N + col] += weight * right[k * N + col];
        }
    return s;
}

void keep(FlightEstimate& e, const Gaussian& s, size_t i) {
    e.altitude[i] = s.x[0];
    e.velocity[i] = s.x[1];
    e.altitudeSigma[i] = std::sqrt(std::max(0.0, s.p[0]));
    e.velocitySigma[i] = std::sqrt(std::max(0.0, s.p[N + 1]));
}

}  // namespace

FlightEstimate estimateFlight(const SampleColumns& c, std::optional<double> launchTime) {
    FlightEstimate e;
    const size_t n = c.size();
    if (n == 0) return e;
    FlightModel model(c, e, launchTime);

    std::vector<Gaussian> filtered;
    filtered.reserve(n);
    Gaussian g = model.initialState();
    for (size_t i = 0; i < n; ++i) {
        if (i > 0) model.predict(g, i);
        model.correct(g, i);
        filtered.push_back(g);
    }

    // Backward pass: each sample's estimate from the whole flight. The
    // prediction of each step is made again rather than kept.
    for (auto* column : {&e.altitude, &e.altitudeSigma, &e.velocity, &e.velocitySigma}) column->resize(n);
    Gaussian later = filtered[n - 1];
    keep(e, later, n - 1);
    for (size_t i = n - 1; i-- > 0;) {
        Gaussian predicted = filtered[i];
        model.predict(predicted, i + 1);
        later = smoothedStep(filtered[i], predicted, later, c.time[i + 1] - c.time[i]);
        keep(e, later, i);
    }
    e.padPressureAltitude = later.x[3];
    // Without a launch there is no apogee, only the pad's noise; nor is a
    // top within the estimate's own uncertainty of the pad one.
    if (launchTime) e.apogee = findApogee(c, e);
    if (e.apogee && e.apogee->altitude <= 2 * e.apogee->sigma) e.apogee.reset();
    return e;
}

}  // namespace tarvel::events
