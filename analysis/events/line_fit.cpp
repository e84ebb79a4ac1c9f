#include "line_fit.h"

#include <algorithm>

namespace tarvel::events {

LineFits::LineFits(const std::vector<double>& x, const std::vector<double>& y, size_t first, size_t last) {
    last = std::min({last, x.size(), y.size()});
    m_first = std::min(first, last);
    m_n = last - m_first;
    m_sums.resize(m_n + 1);
    if (m_n > 0) m_x0 = x[m_first];
    for (size_t i = 0; i < m_n; ++i) {
        const double xi = x[m_first + i] - m_x0, yi = y[m_first + i];
        const Sums& s = m_sums[i];
        m_sums[i + 1] = {s.x + xi, s.y + yi, s.xx + xi * xi, s.xy + xi * yi, s.yy + yi * yi};
    }
}

Line LineFits::fit(size_t begin, size_t end) const {
    begin = std::max(begin, m_first) - m_first;
    end = std::min(end, size());
    end = end > m_first ? end - m_first : 0;
    if (begin >= end) return {};
    const Sums& a = m_sums[begin];
    const Sums& b = m_sums[end];
    const double n = static_cast<double>(end - begin);
    const double sx = b.x - a.x, sy = b.y - a.y;
    const double cxx = (b.xx - a.xx) - sx * sx / n;
    const double cxy = (b.xy - a.xy) - sx * sy / n;
    const double cyy = (b.yy - a.yy) - sy * sy / n;
    Line line;
    line.slope = cxx > 1e-12 ? cxy / cxx : 0.0;
    // Intercept at the true x = 0, undoing the shift by m_x0.
    const double meanX = sx / n, meanY = sy / n;
    line.intercept = meanY - line.slope * (meanX + m_x0);
    line.sse = std::max(0.0, cyy - line.slope * cxy);
    return line;
}

Line LineFits::kneeToFlat(size_t begin, size_t knee, size_t end) const {
    auto local = [&](size_t i) { return std::min(std::max(i, m_first), size()) - m_first; };
    const Sums& a = m_sums[local(begin)];
    const Sums& k = m_sums[local(knee)];
    const Sums& b = m_sums[local(end)];
    const double total = static_cast<double>(local(end) - local(begin));
    const double before = static_cast<double>(local(knee) - local(begin));
    if (total < 2 || before < 1) return {};
    // u = x - x(knee) before the knee, 0 from it on; y = level + slope u.
    const double xk =
        local(knee) < m_n ? (m_sums[local(knee) + 1].x - k.x) : (k.x - m_sums[local(knee) - 1].x);
    const double sx = k.x - a.x, sxx = k.xx - a.xx, sxy = k.xy - a.xy, sy = k.y - a.y;
    const double u = sx - before * xk, uu = sxx - 2 * xk * sx + before * xk * xk, uy = sxy - xk * sy;
    const double y = b.y - a.y, yy = b.yy - a.yy;
    const double cuu = uu - u * u / total;
    Line line;
    line.slope = cuu > 1e-12 ? (uy - u * y / total) / cuu : 0.0;
    line.intercept = (y - line.slope * u) / total;
    line.sse = std::max(0.0, yy - line.intercept * y - line.slope * uy);
    return line;
}

std::optional<size_t> bestKneeToFlat(const LineFits& fits, size_t begin, size_t end, size_t lo, size_t hi) {
    std::optional<size_t> best;
    double bestSse = 0;
    for (size_t k = std::max(lo, begin + 2); k < std::min(hi, end); ++k)
        if (const double sse = fits.kneeToFlat(begin, k, end).sse; !best || sse < bestSse)
            best = k, bestSse = sse;
    return best;
}

std::optional<Break> bestBreak(const LineFits& fits, size_t begin, size_t end, size_t least) {
    end = std::min(end, fits.size());
    least = std::max<size_t>(least, 2);
    std::optional<Break> best;
    double bestSse = 0;
    for (size_t k = begin + least; k + least <= end; ++k) {
        Line l = fits.fit(begin, k), r = fits.fit(k, end);
        if (!best || l.sse + r.sse < bestSse) {
            best = Break{k, l, r};
            bestSse = l.sse + r.sse;
        }
    }
    return best;
}

}  // namespace tarvel::events
