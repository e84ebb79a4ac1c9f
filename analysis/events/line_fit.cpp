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
