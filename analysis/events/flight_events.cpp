#include "flight_events.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "line_fit.h"

namespace tarvel::events {

namespace {

constexpr double kG = kStandardGravity;

double meanOf(const std::vector<double>& v, size_t begin, size_t end) {
    end = std::min(end, v.size());
    if (begin >= end) return 0;
    return std::accumulate(v.begin() + static_cast<long>(begin), v.begin() + static_cast<long>(end), 0.0) /
           static_cast<double>(end - begin);
}

double medianOf(std::vector<double> v) {
    if (v.empty()) return std::nan("");
    auto mid = v.begin() + static_cast<long>(v.size() / 2);
    std::nth_element(v.begin(), mid, v.end());
    return *mid;
}

// First sample of the boost: acceleration of 2 G or more, held over the next
// 0.1 s on average and by nearly every sample above 1 G (a knock on the pad
// is a jolt of a sample or two).
std::optional<size_t> boostStart(const SampleColumns& c) {
    const size_t hold = c.samplesIn(0.1, 3);
    for (size_t i = 0; i + hold <= c.size(); ++i) {
        if (c.accel[i] < 2 * kG || meanOf(c.accel, i, i + hold) < 2 * kG) continue;
        const auto end = c.accel.begin() + static_cast<long>(i + hold);
        const auto pushing =
            std::count_if(c.accel.begin() + static_cast<long>(i), end, [](double a) { return a >= kG; });
        if (10 * static_cast<size_t>(pushing) >= 8 * hold) return i;
    }
    return std::nullopt;
}

// Where the two lines of a break meet, kept within the samples around it.
double meetingTime(const SampleColumns& c, const Break& b) {
    const double lo = c.time[b.index - 1], hi = c.time[b.index];
    const double ds = b.left.slope - b.right.slope;
    if (std::fabs(ds) < 1e-12) return hi;
    return std::clamp((b.right.intercept - b.left.intercept) / ds, lo, hi);
}

std::optional<double> findBurnout(const SampleColumns& c, size_t boost) {
    // The thrust falls below drag and weight during the tail-off; burnout is
    // the knee after it, where the falling acceleration turns into the coast's
    // slow rise as drag eases: between the lines over the tail and the coast.
    const size_t hold = c.samplesIn(0.03, 3);
    size_t below = boost;
    while (below < c.size() && meanOf(c.accel, below, below + hold) >= 0) ++below;
    const size_t coast = c.samplesIn(0.3, 5);
    size_t lowest = below;
    for (size_t i = below; i < c.size() && i < lowest + coast; ++i)
        if (meanOf(c.accel, i, i + hold) < meanOf(c.accel, lowest, lowest + hold)) lowest = i;
    if (lowest + coast >= c.size()) return std::nullopt;
    const size_t begin = below > 0 ? below - 1 : below;
    std::optional<Break> b =
        bestBreak(LineFits(c.time, c.accel, begin, lowest + coast), begin, lowest + coast, 2);
    if (!b) return std::nullopt;
    return meetingTime(c, *b);
}

// Drag per unit of velocity squared, -(a + g) / (v |v|): the rocket's drag
// area over its mass, which each opening chute multiplies. Smoothed over
// 0.1 s; not a number where the speed is too low to read it.
std::vector<double> dragFactor(const SampleColumns& c, const FlightEstimate& e) {
    constexpr double kMinSpeed = 4.0;
    const size_t n = c.size(), half = c.samplesIn(0.05, 1);
    std::vector<double> raw(n, std::nan("")), smooth(n, std::nan(""));
    for (size_t i = 0; i < n; ++i) {
        const double v = e.velocity[i];
        if (std::fabs(v) >= kMinSpeed) raw[i] = -(c.accel[i] + kG) / (v * std::fabs(v));
    }
    for (size_t i = half; i + half < n; ++i) {
        double sum = 0;
        size_t count = 0;
        for (size_t k = i - half; k <= i + half; ++k)
            if (!std::isnan(raw[k])) sum += raw[k], ++count;
        if (count > half) smooth[i] = sum / static_cast<double>(count);
    }
    return smooth;
}

double medianDrag(const std::vector<double>& k, size_t begin, size_t end) {
    std::vector<double> values;
    for (size_t i = begin; i < std::min(end, k.size()); ++i)
        if (!std::isnan(k[i])) values.push_back(k[i]);
    return medianOf(std::move(values));
}

// Chute openings: steps up of the drag factor, each held for 0.2 s, found
// after burnout.
class ChuteOpenings {
public:
    ChuteOpenings(const SampleColumns& c, const FlightEstimate& e)
        : m_c(c),
          m_e(e),
          m_k(dragFactor(c, e)),
          m_levels(c.size(), std::nan("")),
          m_follow(1.0 / static_cast<double>(c.samplesIn(1.0, 3))) {}

    std::vector<double> find(size_t from, std::optional<double> apogee);

private:
    // Least drag a chute must add to show above what the accelerometer's
    // noise and counts could feign.
    static constexpr double kLeastExtraDrag = 0.3 * kG;

    // The factor well up on the level, by more than kLeastExtraDrag at this speed.
    bool raised(size_t j) const {
        if (std::isnan(m_k[j]) || !(m_k[j] > 2.5 * m_level + 1e-4)) return false;
        const double v = m_e.velocity[j];
        return (m_k[j] - m_level) * v * v > kLeastExtraDrag;
    }
    // The level follows the factor slowly between openings (the air thickens
    // on the way down), by the samples near it only: slow samples scatter and
    // a chute opening rises away from it. It is kept per sample for looking
    // back.
    void follow(size_t i) {
        if (std::isnan(m_level))
            m_level = m_k[i];
        else if (!std::isnan(m_k[i]) && std::fabs(m_k[i] - m_level) <= 0.2 * m_level)
            m_level += m_follow * (m_k[i] - m_level);
        m_levels[i] = m_level;
    }
    // Back from a step found at i to where the chute was surely shut: a
    // sample at the old level and fast enough that the new chute, of factor
    // `opened`, would have shown there. Slower samples cannot tell.
    size_t onset(size_t i, size_t from, double opened) const {
        auto shut = [&](size_t j) {
            const double v = m_e.velocity[j];
            return !std::isnan(m_k[j]) && !std::isnan(m_levels[j]) &&
                   (opened - m_levels[j]) * v * v >= kLeastExtraDrag && m_k[j] <= 1.2 * m_levels[j];
        };
        while (i > from && !shut(i - 1)) --i;
        return i;
    }

    const SampleColumns& m_c;
    const FlightEstimate& m_e;
    const std::vector<double> m_k;
    std::vector<double> m_levels;
    const double m_follow;  // share of each sample in the level: a second's worth
    double m_level = 0;
};

std::vector<double> ChuteOpenings::find(size_t from, std::optional<double> apogee) {
    std::vector<double> found;
    const size_t n = m_c.size(), hold = m_c.samplesIn(0.2, 3), settle = m_c.samplesIn(1.5, 3);
    // Level before the first opening: the coast's.
    size_t i = from;
    while (i < n && std::isnan(m_k[i])) ++i;
    m_level = medianDrag(m_k, i, i + m_c.samplesIn(0.5, 3));
    while (i < n) {
        if (std::isnan(m_level) || !raised(i)) {
            follow(i++);
            continue;
        }
        size_t held = 0;
        while (i + held < n && raised(i + held)) ++held;
        if (held < hold && i + held < n) {
            i += held + 1;
            continue;
        }
        const size_t start = onset(i, from, medianDrag(m_k, i, i + hold));
        // An opening whose start the slow stretch around apogee hides is
        // placed at apogee.
        double time = m_c.time[start];
        if (apogee && time <= *apogee && *apogee < m_c.time[i]) time = *apogee;
        found.push_back(time);
        i = std::max(start + settle, i + 1);
        if (i < n) m_level = medianDrag(m_k, i, i + m_c.samplesIn(1.0, 3));
    }
    return found;
}

// Landing: the break between the descent and rest at the end of the
// record, in the barometer's readings (less the time they trail by); or, in a
// record that stops at touchdown, where the estimate reaches the pad's level,
// when it does so by the end within its uncertainty.
std::optional<double> findLanding(const SampleColumns& c, const FlightEstimate& e, size_t from) {
    const size_t n = c.size();
    if (from >= n) return std::nullopt;
    std::vector<double> height(n);
    for (size_t i = from; i < n; ++i) height[i] = c.pressureAltitude[i] - e.padPressureAltitude;
    const LineFits fits(c.time, height, from);
    if (std::optional<Break> b = bestBreak(fits, from, n, c.samplesIn(2.0, 10))) {
        const double fall = -b->left.slope;
        if (fall > 1.0 && std::fabs(b->right.slope) < std::min(1.0, 0.25 * fall)) {
            // Refined with the descent running into rest, the two joined.
            const size_t reach = c.samplesIn(3.0, 3);
            const size_t lo = b->index > from + reach ? b->index - reach : from;
            const size_t knee = bestKneeToFlat(fits, from, n, lo, b->index + reach).value_or(b->index);
            return std::max(c.time[from], c.time[knee] - e.barometerLag);
        }
    }
    for (size_t i = std::max<size_t>(from, 1); i < n; ++i)
        if (e.altitude[i] <= 0 && e.velocity[i] < 0) {
            const double f = e.altitude[i - 1] / (e.altitude[i - 1] - e.altitude[i]);
            return c.time[i - 1] + std::clamp(f, 0.0, 1.0) * (c.time[i] - c.time[i - 1]);
        }
    if (e.velocity[n - 1] < 0 && e.altitude[n - 1] <= 2 * e.altitudeSigma[n - 1] + 0.5) return c.time[n - 1];
    return std::nullopt;
}

}  // namespace

std::optional<double> findLaunch(const SampleColumns& c) {
    const std::optional<size_t> boost = boostStart(c);
    if (!boost) return std::nullopt;
    const size_t padEnd = *boost > c.samplesIn(0.2) ? *boost - c.samplesIn(0.2) : 0;
    const double pad =
        padEnd >= 10
            ? medianOf(std::vector<double>(c.accel.begin(), c.accel.begin() + static_cast<long>(padEnd)))
            : 0.0;
    // The rising edge: back from the boost to where the acceleration left the
    // pad's level, on to 70% of the first peak.
    size_t rise = *boost;
    const size_t maxBack = c.samplesIn(0.3);
    while (rise > 0 && *boost - rise < maxBack && c.accel[rise - 1] > pad + 0.5 * kG) --rise;
    const size_t peakEnd = std::min(c.size(), rise + c.samplesIn(0.2, 3));
    const double peak = *std::max_element(c.accel.begin() + static_cast<long>(rise),
                                          c.accel.begin() + static_cast<long>(peakEnd));
    size_t top = rise;
    while (top + 1 < peakEnd && c.accel[top] < pad + 0.7 * (peak - pad)) ++top;
    const double latest = c.time[rise];
    double earliest = rise > 0 ? c.time[rise - 1] : latest - 0.1;
    if (top <= rise) {
        // One sample on the edge: the line from it to the next, at or past
        // the peak, is no steeper than the edge, so it bounds how early the
        // launch can be; the middle of the range is off by the least.
        if (rise + 1 < c.size() && c.accel[rise + 1] > c.accel[rise]) {
            const double slope = (c.accel[rise + 1] - c.accel[rise]) / (c.time[rise + 1] - c.time[rise]);
            earliest = std::max(earliest, latest - (c.accel[rise] - pad) / slope);
        }
        return (earliest + latest) / 2;
    }
    const Line edge = LineFits(c.time, c.accel, rise, top + 1).fit(rise, top + 1);
    if (!(edge.slope > 0)) return rise > 0 ? earliest : latest;
    return std::clamp((pad - edge.intercept) / edge.slope, earliest, latest);
}

FlightEvents findEvents(const SampleColumns& c, const FlightEstimate& e, std::optional<double> launch) {
    FlightEvents ev;
    ev.launch = launch;
    const std::optional<size_t> boost = boostStart(c);
    if (!launch || !boost || e.altitude.size() != c.size()) return ev;
    ev.burnout = findBurnout(c, *boost);
    if (e.apogee && (!ev.burnout || e.apogee->time > *ev.burnout)) ev.apogee = e.apogee->time;
    const size_t coast = indexAtOrAfter(c, ev.burnout.value_or(c.time[*boost]) + 0.2);
    ev.deployments = ChuteOpenings(c, e).find(coast, ev.apogee);
    if (!ev.apogee) return ev;
    for (double t : ev.deployments)
        if (t > *ev.apogee + 1.0 && valueAt(c, e.velocity, t) < -3.0) {
            ev.main = t;
            break;
        }
    const double lastOpening = ev.deployments.empty() ? *ev.apogee : ev.deployments.back();
    ev.landing = findLanding(c, e, indexAtOrAfter(c, std::max(*ev.apogee, lastOpening) + 1.0));
    return ev;
}

std::vector<NamedEvent> namedEvents(const FlightEvents& e) {
    std::vector<NamedEvent> named;
    auto add = [&named](std::optional<double> time, const char* name) {
        if (time) named.push_back({*time, name});
    };
    add(e.launch, "Launch");
    add(e.burnout, "Burnout");
    add(e.apogee, "Apogee");
    for (const double t : e.deployments)
        if (t != e.main) add(t, "Deployment");
    add(e.main, "Main");
    add(e.landing, "Landing");
    std::stable_sort(named.begin(), named.end(),
                     [](const auto& a, const auto& b) { return a.time < b.time; });
    return named;
}

}  // namespace tarvel::events
