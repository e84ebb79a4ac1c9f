#pragma once
// The graph panel of the main window: paints the retained scene of LnGraph
// scaled from twips to the widget, and reports pointer events over the plot
// area in plot-area twips.

#include <QWidget>

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
    // button: 1 left, 2 right, 4 middle (0 for a move without a button)
    void pointerMoved(int button, double xTwips);
    void pointerPressed(int button, double xTwips);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    // Plot-area x in twips, or false when the pointer is outside the area.
    bool areaX(const QPointF& position, double& xTwips) const;

    graph::LnGraph& m_graph;
};

}  // namespace tarvel
