#pragma once
// Least-squares straight lines over any run of samples in constant time, from
// running sums, and the break between two lines that fits a run best: the
// knee at burnout, the end of the descent at landing.

#include <cstddef>
#include <optional>
#include <vector>

namespace tarvel::events {

struct Line {
    double slope = 0;
    double intercept = 0;  // at x = 0
    double sse = 0;        // sum of squared residuals
    double at(double x) const { return intercept + slope * x; }
};

class LineFits {
public:
    // Over samples [first, last) of the columns only; indices stay those of
    // the columns.
    LineFits(const std::vector<double>& x, const std::vector<double>& y, size_t first = 0,
             size_t last = static_cast<size_t>(-1));
    // Fit over samples [begin, end); fewer than two samples give a flat line
    // through their mean.
    Line fit(size_t begin, size_t end) const;
    size_t size() const { return m_first + m_n; }
    // Samples [begin, end) as a line that runs into a flat one at sample
    // `knee` (the two joined there); the line's slope and the flat level in
    // `intercept`.
    Line kneeToFlat(size_t begin, size_t knee, size_t end) const;

private:
    struct Sums {
        double x = 0, y = 0, xx = 0, xy = 0, yy = 0;
    };
    std::vector<Sums> m_sums;  // m_sums[i]: samples [0, i)
    double m_x0 = 0;           // x is taken relative to it, for precision
    size_t m_first = 0, m_n = 0;
};

struct Break {
    size_t index = 0;  // first sample of the right-hand line
    Line left, right;
};

// The break that splits samples [begin, end) into the two lines leaving the
// least squared residual, each line over at least `least` samples. Empty when
// the run is too short for two.
std::optional<Break> bestBreak(const LineFits& fits, size_t begin, size_t end, size_t least);

// The knee of kneeToFlat over [begin, end) with the least squared residual,
// searched in [lo, hi).
std::optional<size_t> bestKneeToFlat(const LineFits& fits, size_t begin, size_t end, size_t lo, size_t hi);

}  // namespace tarvel::events
