#include "trace_graph.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <array>
#include <cmath>

#include "number_text.h"

namespace tarvel::graph {

namespace {

// Ten hues that keep their contrast on white and apart from each other; an
// eleventh trace starts the list again with dashes.
constexpr std::array<QRgb, 10> kPalette = {0x1f77b4, 0xd62728, 0x2ca02c, 0xff7f0e, 0x9467bd,
                                           0x8c564b, 0xe377c2, 0x17becf, 0x7f7f7f, 0xa8a820};
const QColor kGreyedText(160, 160, 160);
const QColor kAxisText(40, 40, 40);
const QColor kGridLine(225, 225, 225);

constexpr int kValueSteps = 8;
constexpr int kTimeSteps = 8;
// Labels as wide as the widest value an axis of a flight shows.
constexpr const char* kWidestValueLabel = "-00,000.0";

// Decimals that tell the ticks of `step` apart (steps are 1, 2 or 5 times a power of ten).
int decimalsOf(double step) {
    if (!(step > 0)) return 0;
    return std::clamp(static_cast<int>(-std::floor(std::log10(step) + 1e-9)), 0, 3);
}

std::string withUnit(const std::string& value, const std::string& unit) {
    return unit.empty() ? value : value + " " + unit;
}

}  // namespace

QColor traceColor(size_t index) { return QColor(kPalette[index % kPalette.size()]); }

std::optional<double> traceValueAt(const Trace& trace, double time) {
    const size_t n = std::min(trace.time.size(), trace.value.size());
    const double t = time - trace.offset;
    if (n == 0 || !(t >= trace.time.front()) || !(t <= trace.time[n - 1])) return std::nullopt;
    const auto after = std::lower_bound(trace.time.begin(), trace.time.begin() + std::ptrdiff_t(n), t);
    const size_t i = size_t(after - trace.time.begin());
    if (trace.time[i] == t || i == 0) return trace.value[i];
    const double t0 = trace.time[i - 1], t1 = trace.time[i];
    const double v0 = trace.value[i - 1], v1 = trace.value[i];
    return t1 > t0 ? v0 + (v1 - v0) * (t - t0) / (t1 - t0) : v1;
}

Reduction reduceTrace(const Trace& trace, const TimeRange& range, double left, int columns) {
    Reduction r;
    const size_t n = std::min(trace.time.size(), trace.value.size());
    if (n == 0 || columns < 1 || !(range.last > range.first)) return r;
    const std::vector<double>& time = trace.time;
    const std::vector<double>& value = trace.value;
    const auto end = time.begin() + std::ptrdiff_t(n);
    const size_t first =
        size_t(std::lower_bound(time.begin(), end, range.first - trace.offset) - time.begin());
    const size_t last = size_t(std::upper_bound(time.begin(), end, range.last - trace.offset) - time.begin());
    const double scale = columns / (range.last - range.first);
    const double start = range.first - trace.offset;
    auto xOf = [&](size_t i) { return left + (time[i] - start) * scale; };
    auto add = [&](size_t i) {
        if (std::isfinite(value[i])) r.points.emplace_back(xOf(i), value[i]);
    };
    r.points.reserve(std::min(last - first, size_t(columns) * 2) + 2);
    if (first > 0) add(first - 1);
    r.lowest = INFINITY;
    r.highest = -INFINITY;
    for (size_t i = first; i < last; ++i) {
        if (!std::isfinite(value[i])) continue;
        r.lowest = std::min(r.lowest, value[i]);
        r.highest = std::max(r.highest, value[i]);
    }
    r.inRange = r.lowest <= r.highest;
    if (last - first <= size_t(columns) * 2) {
        for (size_t i = first; i < last; ++i) add(i);
    } else {
        int column = -1;
        size_t low = first, high = first;
        auto flush = [&] {
            if (column < 0) return;
            add(std::min(low, high));
            if (low != high) add(std::max(low, high));
        };
        for (size_t i = first; i < last; ++i) {
            const double v = value[i];
            if (!std::isfinite(v)) continue;
            const int c = std::min(columns - 1, static_cast<int>((time[i] - start) * scale));
            if (c != column) {
                flush();
                column = c;
                low = high = i;
            } else if (v < value[low]) {
                low = i;
            } else if (v > value[high]) {
                high = i;
            }
        }
        flush();
    }
    if (last < n) add(last);
    return r;
}

// --- the graph's state ------------------------------------------------------

void TraceGraph::setTraces(std::vector<Trace> traces) { m_traces = std::move(traces); }

void TraceGraph::setShown(size_t index, bool shown) {
    if (index < m_traces.size()) m_traces[index].shown = shown;
}

void TraceGraph::setOffset(size_t index, double seconds) {
    if (index < m_traces.size() && std::isfinite(seconds)) m_traces[index].offset = seconds;
}

void TraceGraph::setValueAxis(std::string quantity, std::string unit, int decimals) {
    m_quantity = std::move(quantity);
    m_unit = std::move(unit);
    m_decimals = decimals;
}

TimeRange TraceGraph::fullRange() const {
    TimeRange r{INFINITY, -INFINITY};
    for (const Trace& t : m_traces) {
        if (!t.drawn()) continue;
        r.first = std::min(r.first, t.time.front() + t.offset);
        r.last = std::max(r.last, t.time.back() + t.offset);
    }
    if (!(r.first < r.last)) return r.first <= r.last ? TimeRange{r.first, r.first + 1} : TimeRange{0, 1};
    return r;
}

void TraceGraph::holdRange(bool hold) {
    m_held = hold ? std::optional<TimeRange>(shownRange()) : std::nullopt;
}

TimeRange TraceGraph::shownRange() const {
    if (m_held) return *m_held;
    const TimeRange full = fullRange();
    // Traces moved or switched since the zoom: it stays inside what is left.
    if (m_zoom)
        if (const std::optional<TimeRange> kept = zoomRangeWithin(full, *m_zoom)) return *kept;
    return full;
}

bool TraceGraph::show(std::optional<TimeRange> range) {
    if (range) range = zoomRangeWithin(fullRange(), *range);
    const TimeRange before = shownRange();
    m_zoom = range;
    const TimeRange after = shownRange();
    return before.first != after.first || before.last != after.last;
}

bool TraceGraph::zoomTo(double t1, double t2) { return show(TimeRange{t1, t2}); }

bool TraceGraph::zoomOut() { return show(std::nullopt); }

bool TraceGraph::zoomAround(double time, double factor) {
    const TimeRange r = shownRange();
    if (!(factor > 0) || !std::isfinite(time)) return false;
    return show(TimeRange{time - (time - r.first) * factor, time + (r.last - time) * factor});
}

bool TraceGraph::panBy(double seconds) {
    if (!m_zoom || !std::isfinite(seconds)) return false;
    const TimeRange r = shownRange();
    return show(TimeRange{r.first + seconds, r.last + seconds});
}

std::string TraceGraph::pointerText() const {
    if (!m_pointer) return {};
    std::string text = "Time " + figureText(*m_pointer, 2, m_locale, true) + " s";
    for (const Trace& t : m_traces) {
        if (!t.drawn()) continue;
        const std::optional<double> v = traceValueAt(t, *m_pointer);
        text +=
            "    " + t.name + " " + (v ? withUnit(figureText(*v, m_decimals, m_locale, true), m_unit) : "-");
    }
    return text;
}

// --- layout -----------------------------------------------------------------

struct TraceGraph::Layout {
    QRectF plot;
    QFont font;
    TimeRange range;
    std::vector<QRectF> legend;  // by trace
    // With the curves: the reduced traces and the value axis they fit.
    std::vector<Reduction> reductions;
    double low = 0, high = 1;  // the plot's bottom and top
    double firstTick = 0, valueStep = 1;

    double x(double time) const {
        return plot.left() + (time - range.first) / (range.last - range.first) * plot.width();
    }
    double y(double value) const { return plot.bottom() - (value - low) / (high - low) * plot.height(); }
};

TraceGraph::Layout TraceGraph::layout(const QRectF& target) const {
    Layout at;
    // Text follows the picture's height, within what stays readable.
    at.font.setPixelSize(std::clamp(static_cast<int>(std::lround(target.height() / 55)), 11, 18));
    const QFontMetricsF metrics(at.font);
    const double line = metrics.height();
    const double left = line * 1.6 + metrics.horizontalAdvance(kWidestValueLabel);
    at.plot = QRectF(target.left() + left, target.top() + line * 0.8, target.width() - left - line,
                     target.height() - line * 3.2);
    at.range = shownRange();

    // The legend in the plot's top right corner: a swatch, the name and the
    // value under the pointer.
    double width = 0;
    for (size_t i = 0; i < m_traces.size(); ++i)
        width = std::max(width, metrics.horizontalAdvance(QString::fromStdString(legendText(i))));
    const double entryWidth = width + line * 2.4;
    for (size_t i = 0; i < m_traces.size(); ++i)
        at.legend.emplace_back(at.plot.right() - entryWidth - line * 0.5,
                               at.plot.top() + line * (0.5 + double(i)), entryWidth, line);
    return at;
}

std::string TraceGraph::legendText(size_t index) const {
    const Trace& t = m_traces[index];
    if (!t.hasQuantity) return t.name + " (no " + m_quantity + ")";
    if (m_pointer && t.shown)
        if (const std::optional<double> v = traceValueAt(t, *m_pointer))
            return t.name + ": " + withUnit(figureText(*v, m_decimals, m_locale, true), m_unit);
    return t.name;
}

void TraceGraph::fitCurves(Layout& at) const {
    const int columns = std::max(1, static_cast<int>(at.plot.width()));
    bool any = false;
    double low = INFINITY, high = -INFINITY;
    at.reductions.resize(m_traces.size());
    for (size_t i = 0; i < m_traces.size(); ++i) {
        if (!m_traces[i].drawn()) continue;
        at.reductions[i] = reduceTrace(m_traces[i], at.range, at.plot.left(), columns);
        if (!at.reductions[i].inRange) continue;
        any = true;
        low = std::min(low, at.reductions[i].lowest);
        high = std::max(high, at.reductions[i].highest);
    }
    const double minStep = std::pow(10.0, -m_decimals);
    if (!any) low = 0, high = minStep * kValueSteps;
    // The values with a little room above and below, so a curve at its
    // extremes stays in view; round ticks inside.
    const double room = std::max((high - low) * 0.03, minStep);
    at.low = low - room;
    // Above the highest value, room for two lines of event labels.
    const double labels = QFontMetricsF(at.font).height() * 2.5;
    at.high = high + (high - at.low) * labels / std::max(at.plot.height() - labels, labels);
    const auto [niceLow, niceHigh] = niceAxisRange(low, high, minStep, kValueSteps);
    at.valueStep = (niceHigh - niceLow) / kValueSteps;
    at.firstTick = std::ceil(at.low / at.valueStep - 1e-9) * at.valueStep;
}

void TraceGraph::paint(QPainter& p, const QRectF& target) const {
    Layout at = layout(target);
    fitCurves(at);
    const QRectF& plot = at.plot;

    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.fillRect(target, Qt::white);
    p.setFont(at.font);
    const QFontMetricsF metrics(at.font);
    const double line = metrics.height();

    // Grid and tick labels.
    const int valueDecimals = decimalsOf(at.valueStep);
    for (double v = at.firstTick; v <= at.high; v += at.valueStep) {
        const double y = at.y(v);
        p.setPen(QPen(kGridLine, 1));
        p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        p.setPen(kAxisText);
        p.drawText(QRectF(target.left(), y - line / 2, plot.left() - target.left() - line * 0.4, line),
                   Qt::AlignRight | Qt::AlignVCenter,
                   QString::fromStdString(figureText(v, valueDecimals, m_locale, true)));
    }
    const auto [timeLow, timeHigh] = niceAxisRange(at.range.first, at.range.last, 0.01, kTimeSteps);
    const double timeStep = (timeHigh - timeLow) / kTimeSteps;
    const int timeDecimals = decimalsOf(timeStep);
    for (int i = 0; i <= kTimeSteps; ++i) {
        const double t = timeLow + timeStep * i;
        if (t < at.range.first - timeStep * 1e-6 || t > at.range.last + timeStep * 1e-6) continue;
        const double x = at.x(t);
        p.setPen(QPen(kGridLine, 1));
        p.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        p.setPen(kAxisText);
        p.drawText(QRectF(x - line * 3, plot.bottom() + line * 0.2, line * 6, line), Qt::AlignCenter,
                   QString::fromStdString(figureText(t, timeDecimals, m_locale, true)));
    }
    QFont bold = at.font;
    bold.setBold(true);
    p.setFont(bold);
    p.drawText(QRectF(plot.left(), plot.bottom() + line * 1.2, plot.width(), line), Qt::AlignCenter,
               "Time (s)");
    p.save();
    p.translate(target.left() + line * 0.2, plot.center().y());
    p.rotate(-90);
    const std::string caption = m_unit.empty() ? m_quantity : m_quantity + " (" + m_unit + ")";
    p.drawText(QRectF(-plot.height() / 2, 0, plot.height(), line), Qt::AlignCenter,
               QString::fromStdString(caption));
    p.restore();
    p.setFont(at.font);

    // Curves, their events, the pointer.
    p.save();
    p.setClipRect(plot);
    const double width = std::max(1.5, line / 9);
    for (size_t i = 0; i < m_traces.size(); ++i) {
        std::vector<QPointF>& points = at.reductions[i].points;
        if (points.empty()) continue;
        for (QPointF& pt : points) pt.setY(at.y(pt.y()));
        // One pixel wide: thin lines take the painter's fast road, where a
        // wider pen is stroked as an outline a hundred times slower.
        p.setPen(QPen(traceColor(i), 1, i < kPalette.size() ? Qt::SolidLine : Qt::DashLine));
        p.drawPolyline(points.data(), int(points.size()));
    }
    // Labels of events at the same place go one above the other.
    std::vector<QRectF> labels;
    for (size_t i = 0; i < m_traces.size(); ++i) {
        const Trace& t = m_traces[i];
        if (!t.drawn()) continue;
        for (const Trace::Event& e : t.events) {
            const double time = e.time + t.offset;
            const std::optional<double> v = traceValueAt(t, time);
            if (!v || time < at.range.first || time > at.range.last) continue;
            const QPointF mark(at.x(time), at.y(*v));
            p.setPen(QPen(Qt::white, 1));
            p.setBrush(traceColor(i));
            p.drawEllipse(mark, line / 4, line / 4);
            const QString label = QString::fromStdString(e.label);
            QRectF box(mark + QPointF(line / 3, -line * 1.2), QSizeF(metrics.horizontalAdvance(label), line));
            // Left of its mark where the right edge would cut it.
            if (box.right() > plot.right()) box.moveRight(mark.x() - line / 3);
            // Above the mark, one line higher for each label already there;
            // below it where the top of the plot leaves no room.
            auto taken = [&](const QRectF& r) {
                return r.top() < plot.top() || std::any_of(labels.begin(), labels.end(),
                                                           [&](const QRectF& l) { return l.intersects(r); });
            };
            const QRectF above = box;
            for (int k = 0; k < 8 && taken(box); ++k)
                box = k < 4 ? above.translated(0, -line * (k + 1))
                            : above.translated(0, line * (k - 2) + line / 2);
            labels.push_back(box);
            p.setPen(traceColor(i).darker(130));
            p.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, label);
        }
    }
    p.setBrush(Qt::NoBrush);
    if (m_pointer && *m_pointer >= at.range.first && *m_pointer <= at.range.last) {
        p.setPen(QPen(kAxisText, 1, Qt::DashLine));
        p.drawLine(QPointF(at.x(*m_pointer), plot.top()), QPointF(at.x(*m_pointer), plot.bottom()));
    }
    p.restore();
    p.setPen(QPen(kAxisText, 1));
    p.drawRect(plot);

    // The legend over the curves.
    if (!at.legend.empty()) {
        const QRectF box =
            at.legend.front().united(at.legend.back()).adjusted(-line * 0.3, -line * 0.2, 0, line * 0.2);
        p.fillRect(box, QColor(255, 255, 255, 225));
        p.setPen(QPen(kGridLine.darker(120), 1));
        p.drawRect(box);
    }
    for (size_t i = 0; i < m_traces.size(); ++i) {
        const Trace& t = m_traces[i];
        const QRectF& entry = at.legend[i];
        const QColor color = t.hasQuantity ? traceColor(i) : kGreyedText;
        const double y = entry.center().y();
        p.setPen(QPen(color, width * 1.5, i < kPalette.size() ? Qt::SolidLine : Qt::DashLine));
        if (t.shown && t.hasQuantity)
            p.drawLine(QPointF(entry.left() + line * 0.3, y), QPointF(entry.left() + line * 1.8, y));
        else
            p.drawRect(QRectF(entry.left() + line * 0.3, y - line * 0.2, line * 1.5, line * 0.4));
        QFont font = at.font;
        font.setItalic(!t.hasQuantity);
        font.setStrikeOut(t.hasQuantity && !t.shown);
        p.setFont(font);
        p.setPen(t.hasQuantity && t.shown ? kAxisText : kGreyedText);
        p.drawText(entry.adjusted(line * 2.1, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                   QString::fromStdString(legendText(i)));
    }
    p.restore();
}

QImage TraceGraph::render(const QSize& size) const {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    paint(painter, QRectF(image.rect()));
    return image;
}

// --- pointer positions --------------------------------------------------------

QRectF TraceGraph::plotRect(const QRectF& target) const { return layout(target).plot; }

double TraceGraph::timeAtPixel(const QRectF& target, double x) const {
    const QRectF plot = plotRect(target);
    const TimeRange r = shownRange();
    return r.first + (x - plot.left()) / plot.width() * (r.last - r.first);
}

double TraceGraph::pixelOfTime(const QRectF& target, double time) const {
    const QRectF plot = plotRect(target);
    const TimeRange r = shownRange();
    return plot.left() + (time - r.first) / (r.last - r.first) * plot.width();
}

std::optional<size_t> TraceGraph::legendEntryAt(const QRectF& target, const QPointF& at) const {
    const Layout l = layout(target);
    for (size_t i = 0; i < l.legend.size(); ++i)
        if (l.legend[i].contains(at)) return i;
    return std::nullopt;
}

std::optional<size_t> TraceGraph::traceNear(const QRectF& target, const QPointF& at) const {
    Layout l = layout(target);
    fitCurves(l);
    const double time =
        l.range.first + (at.x() - l.plot.left()) / l.plot.width() * (l.range.last - l.range.first);
    std::optional<size_t> nearest;
    double distance = INFINITY;
    for (size_t i = 0; i < m_traces.size(); ++i) {
        if (!m_traces[i].drawn()) continue;
        const std::optional<double> v = traceValueAt(m_traces[i], time);
        if (!v) continue;
        const double d = std::abs(l.y(*v) - at.y());
        if (d < distance) distance = d, nearest = i;
    }
    return nearest;
}

}  // namespace tarvel::graph
