#pragma once
// The graph of the "Compare" window: paints a TraceGraph and takes the
// gestures of the main graph over it: the pointer reads every trace, the
// wheel and + / - zoom, a left drag picks a time range to show, a middle drag
// or Left / Right move along the time axis, Escape shows all again. A click on a legend entry
// switches its trace, and Shift with a left drag moves the curve grabbed
// sideways in time.

#include <QWidget>
#include <optional>

#include "trace_graph.h"

namespace tarvel {

class CompareGraphWidget : public QWidget {
    Q_OBJECT
public:
    explicit CompareGraphWidget(graph::TraceGraph& graph, QWidget* parent = nullptr);

    graph::TraceGraph& graph() { return m_graph; }
    // Widget pixel of a time on the graph and a height share of the plot (0 top, 1 bottom).
    QPoint pixelOf(double time, double heightShare = 0.5) const;

    QSize sizeHint() const override { return {900, 460}; }
    QSize minimumSizeHint() const override { return {360, 220}; }

signals:
    // The pointer moved over the plot: the values under it changed.
    void pointerMoved();
    void legendClicked(size_t trace);
    // A trace dragged sideways by `seconds` since the last signal.
    void traceDragged(size_t trace, double seconds);
    // The shown time range changed.
    void rangeChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    enum class Drag { None, MaybeRange, Range, Pan, Trace };
    double timeAt(double x) const;
    void changedRange(bool changed);

    graph::TraceGraph& m_graph;
    Drag m_drag = Drag::None;
    QPointF m_pressedAt;
    double m_dragTime = 0;  // where a range began, or the time under the pointer at the last move
    double m_rangeToX = 0;  // pixel where a range being picked ends
    size_t m_dragTrace = 0;
};

}  // namespace tarvel
