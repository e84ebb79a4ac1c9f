#pragma once
// The graph panel of the main window: paints the retained scene of LnGraph
// scaled from twips to the widget, and reports pointer events over the plot
// area in plot-area twips: clicks, drags that pick a time range (left
// button; with Shift at once), drags that pan (middle button), the wheel and
// the zoom keys (+, -, Left, Right).

#include <QWidget>

#include "graph_interaction.h"
#include "graph_painter.h"

namespace tarvel {

namespace graph {
class LnGraph;
}

class GraphWidget : public QWidget {
    Q_OBJECT
public:
    explicit GraphWidget(graph::LnGraph& graph, QWidget* parent = nullptr);

    // Where the panel is painted: the whole widget, or its top when the widget is taller.
    QRect targetRect() const;
    graph::GraphTransform transform() const;
    graph::RenderOptions renderOptions() const;
    // Widget pixel of a plot-area position in twips (tests aim clicks with it).
    QPoint pixelOfArea(double xTwips, double yTwips) const;

    QSize sizeHint() const override { return {1000, 480}; }
    // Low enough for the window to fit a 960 x 540 screen, high enough for
    // readable labels.
    QSize minimumSizeHint() const override { return {400, 230}; }

signals:
    // The button pressed (of a move, the first held, None without one) and
    // the keys held.
    void pointerMoved(graph::MouseButton button, double xTwips);
    void pointerPressed(graph::MouseButton button, double xTwips, graph::KeyModifiers keys);
    // A time range being picked, from where the drag began to the pointer,
    // then picked when the button is let go.
    void rangeDragged(double fromX, double toX);
    void rangeSelected(double fromX, double toX);
    // The shown times should move by dxTwips of the plot (> 0: later times).
    void panRequested(double dxTwips);
    // Zoom around x: notches > 0 in, < 0 out.
    void zoomRequested(double xTwips, double notches);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    enum class Drag { None, MaybeRange, Range, Pan };

    // Plot-area x in twips, or false when the pointer is outside the area.
    bool areaX(const QPointF& position, double& xTwips) const;
    // Plot-area x in twips, kept within the area.
    double clampedAreaX(const QPointF& position) const;
    // Presses `button` at the pointer line moved by `plotShare` of the plot's
    // width, as a click there would; a line out of view starts at the left edge.
    void pressAtPointer(graph::MouseButton button, double plotShare = 0);

    graph::LnGraph& m_graph;
    Drag m_drag = Drag::None;
    QPointF m_pressedAt;
    double m_dragFromX = 0;  // twips: where a range began, or the last pan position
};

}  // namespace tarvel
