#pragma once
// Several flights or simulations over each other on one time axis: each
// trace in its colour, a legend whose entries switch traces on and off, axes
// in the unit of the quantity shown, the events of each trace on its curve
// and the values of every trace under the pointer. The graph keeps the shown
// time range (zoom and pan); painting reduces each trace to the lowest and
// highest value of every pixel column of the range shown, so a repaint costs
// the pixels, not the samples.

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <optional>
#include <string>
#include <vector>

#include "flight.h"
#include "ln_graph.h"

class QPainter;

namespace tarvel::graph {

struct Trace {
    std::string name;
    // Seconds (ascending) and values in the unit of the value axis.
    std::vector<double> time, value;
    // Seconds added to every time of the trace: where the alignment puts it.
    double offset = 0;
    struct Event {
        double time = 0;  // on the trace's own times, before the offset
        std::string label;
    };
    std::vector<Event> events;
    bool shown = true;  // its legend entry is on
    // False when the source has no column for the quantity shown: greyed in
    // the legend and drawn nowhere.
    bool hasQuantity = true;
    bool drawn() const { return shown && hasQuantity && !time.empty(); }
};

// The trace's colour: a fixed palette, readable on white, in order of the traces.
QColor traceColor(size_t index);

// The trace's value at a time of the shown axis (its offset applied): linear
// between the samples either side; nothing outside the trace's times.
std::optional<double> traceValueAt(const Trace& trace, double time);

// One pixel column's lowest and highest values of a trace (in the order the
// samples reached them), or the samples themselves where the range shown holds
// fewer than two per column; and one sample beyond the range on each side, so
// the line runs on to the edges. x in pixels of `columns` columns from `left`.
struct Reduction {
    std::vector<QPointF> points;  // (x pixel, value)
    // Of the samples inside the range (not those beyond): the value axis fits them.
    double lowest = 0, highest = 0;
    bool inRange = false;
};
Reduction reduceTrace(const Trace& trace, const TimeRange& range, double left, int columns);

class TraceGraph {
public:
    void setTraces(std::vector<Trace> traces);
    const std::vector<Trace>& traces() const { return m_traces; }
    // Changes that keep the zoom: switching a trace, moving it in time.
    void setShown(size_t index, bool shown);
    void setOffset(size_t index, double seconds);
    // The quantity and unit of the value axis ("Altitude", "ft"), with the
    // decimals of the values read under the pointer.
    void setValueAxis(std::string quantity, std::string unit, int decimals);
    void setLocale(const NumberLocale& locale) { m_locale = locale; }

    // Times of every drawn trace, offsets applied; 0..1 s without any.
    TimeRange fullRange() const;
    TimeRange shownRange() const;
    bool isZoomed() const { return m_zoom.has_value(); }
    // As the main graph: [t1, t2] in either order, kept inside the full range
    // and at least kMinZoomSpan long; false when nothing changed.
    bool zoomTo(double t1, double t2);
    bool zoomOut();
    // Scales the shown span (factor < 1 zooms in) keeping `time` where it is.
    bool zoomAround(double time, double factor);
    bool panBy(double seconds);
    // While a trace is dragged in time the axis holds still under the
    // pointer; let go, it fits the traces again.
    void holdRange(bool hold);

    // The pointer's time, or none to hide the line and the values.
    void setPointer(std::optional<double> time) { m_pointer = time; }
    std::optional<double> pointer() const { return m_pointer; }
    // "Time 3.20 s    A 312.4 ft    B 300.1 ft": the values under the pointer.
    std::string pointerText() const;

    // Where things go in a target rectangle (pixels).
    QRectF plotRect(const QRectF& target) const;
    double timeAtPixel(const QRectF& target, double x) const;
    double pixelOfTime(const QRectF& target, double time) const;
    // The trace whose legend entry is at `at`, if any.
    std::optional<size_t> legendEntryAt(const QRectF& target, const QPointF& at) const;
    // The drawn trace whose curve passes nearest `at` (in pixels of its value), if any.
    std::optional<size_t> traceNear(const QRectF& target, const QPointF& at) const;

    void paint(QPainter& painter, const QRectF& target) const;
    // The graph as a picture on white (needs a QGuiApplication for fonts).
    QImage render(const QSize& size) const;

private:
    struct Layout;
    Layout layout(const QRectF& target) const;
    // The reduced traces over the range shown and the value axis that fits them.
    void fitCurves(Layout& at) const;
    std::string legendText(size_t index) const;
    bool show(std::optional<TimeRange> range);

    std::vector<Trace> m_traces;
    std::string m_quantity, m_unit;
    int m_decimals = 1;
    NumberLocale m_locale{".", ","};
    std::optional<TimeRange> m_zoom;
    std::optional<TimeRange> m_held;
    std::optional<double> m_pointer;
};

}  // namespace tarvel::graph
