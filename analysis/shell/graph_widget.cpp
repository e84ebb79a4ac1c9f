#include "graph_widget.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "ln_graph.h"

namespace tarvel {

namespace {
int buttonCode(Qt::MouseButtons buttons) {
    int code = 0;
    if (buttons & Qt::LeftButton) code |= 1;
    if (buttons & Qt::RightButton) code |= 2;
    if (buttons & Qt::MiddleButton) code |= 4;
    return code;
}
}  // namespace

GraphWidget::GraphWidget(graph::LnGraph& graph, QWidget* parent) : QWidget(parent), m_graph(graph) {
    setMouseTracking(true);
    // Clicking the graph takes the focus, so an edited detail field commits.
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QRect GraphWidget::targetRect() const {
    // A widget taller than the panel's proportions keeps the panel at its top,
    // next to the menu bar, and leaves the spare height below the time axis.
    const graph::GraphGeometry& g = m_graph.scene().geometry;
    QRect target = rect();
    const int fitHeight = int(std::ceil(double(width()) * g.baseH / g.baseW));
    if (fitHeight < target.height()) target.setHeight(fitHeight);
    return target;
}

graph::GraphTransform GraphWidget::transform() const {
    // A window too short for the panel's proportions stretches the panel
    // across its width rather than leaving the sides empty: the label columns
    // keep their room and their text stays readable.
    return graph::GraphTransform(m_graph.scene().geometry, QRectF(targetRect()), false);
}

graph::RenderOptions GraphWidget::renderOptions() const {
    graph::RenderOptions options;
    options.keepAspect = false;  // as transform()
    options.columnTitles = true;
    options.palette = palette();
    return options;
}

QPoint GraphWidget::pixelOfArea(double xTwips, double yTwips) const {
    return transform().areaToPixel(xTwips, yTwips).toPoint();
}

void GraphWidget::resizeEvent(QResizeEvent* event) {
    // Never taller than the panel's proportions need at this width: the
    // window's panels below take the rest.
    const graph::GraphGeometry& g = m_graph.scene().geometry;
    const int fitHeight = int(std::ceil(double(width()) * g.baseH / g.baseW));
    if (maximumHeight() != fitHeight) setMaximumHeight(std::max(fitHeight, minimumSizeHint().height()));
    QWidget::resizeEvent(event);
}

void GraphWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // The letterbox around the panel in the window's own colour.
    painter.fillRect(rect(), palette().color(QPalette::Window));
    graph::paintGraph(painter, m_graph.scene(), targetRect(), renderOptions());
}

bool GraphWidget::areaX(const QPointF& position, double& xTwips) const {
    const graph::GraphTransform tf = transform();
    if (!tf.areaRect().contains(position)) return false;
    // Pointer positions reach the graph as whole twips.
    xTwips = std::round(tf.areaXFromPixel(position.x()));
    return true;
}

void GraphWidget::mouseMoveEvent(QMouseEvent* event) {
    double x = 0;
    if (areaX(event->position(), x)) emit pointerMoved(buttonCode(event->buttons()), x);
}

void GraphWidget::mousePressEvent(QMouseEvent* event) {
    double x = 0;
    if (areaX(event->position(), x)) emit pointerPressed(buttonCode(event->button()), x);
}

}  // namespace tarvel
