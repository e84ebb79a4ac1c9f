#include "graph_widget.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <utility>

#include "ln_graph.h"

namespace tarvel {

namespace {
// The button pressed, or of those held the first of left, right, middle.
graph::MouseButton buttonOf(Qt::MouseButtons buttons) {
    if (buttons & Qt::LeftButton) return graph::MouseButton::Left;
    if (buttons & Qt::RightButton) return graph::MouseButton::Right;
    if (buttons & Qt::MiddleButton) return graph::MouseButton::Middle;
    return graph::MouseButton::None;
}

graph::KeyModifiers modifiersOf(Qt::KeyboardModifiers modifiers) {
    return {(modifiers & Qt::ShiftModifier) != 0, (modifiers & Qt::ControlModifier) != 0,
            (modifiers & Qt::AltModifier) != 0};
}

// One wheel notch, and how far a key moves the shown times: a tenth of the plot.
constexpr double kWheelNotch = 120;
constexpr double kKeyPanShare = 0.1;
// How far Shift+Left/Right move the pointer line; with Ctrl as well, the larger step.
constexpr double kPointerStepShare = 0.01;
constexpr double kPointerBigStepShare = 0.1;
}  // namespace

GraphWidget::GraphWidget(graph::LnGraph& graph, QWidget* parent) : QWidget(parent), m_graph(graph) {
    setMouseTracking(true);
    // Clicking the graph takes the focus, so an edited detail field commits;
    // Tab reaches it too, for the keys that read values off it.
    setFocusPolicy(Qt::StrongFocus);
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
    // The focus frame after Tab, as the platform's controls show theirs; an
    // outline only, so the curves keep their colours.
    if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(targetRect()).adjusted(1, 1, -1, -1));
    }
}

bool GraphWidget::areaX(const QPointF& position, double& xTwips) const {
    const graph::GraphTransform tf = transform();
    if (!tf.areaRect().contains(position)) return false;
    // Pointer positions reach the graph as whole twips.
    xTwips = std::round(tf.areaXFromPixel(position.x()));
    return true;
}

double GraphWidget::clampedAreaX(const QPointF& position) const {
    const double x = std::round(transform().areaXFromPixel(position.x()));
    return std::clamp(x, 0.0, double(m_graph.scene().geometry.areaW));
}

void GraphWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    if (m_drag == Drag::MaybeRange &&
        (at - m_pressedAt).manhattanLength() >= QApplication::startDragDistance())
        m_drag = Drag::Range;
    if (m_drag == Drag::Range) emit rangeDragged(m_dragFromX, clampedAreaX(at));
    if (m_drag == Drag::Pan) {
        // The curves follow the pointer, so later times come in from the right.
        const double x = clampedAreaX(at);
        emit panRequested(m_dragFromX - x);
        m_dragFromX = x;
    }
    double x = 0;
    if (areaX(at, x)) emit pointerMoved(buttonOf(event->buttons()), x);
}

void GraphWidget::mousePressEvent(QMouseEvent* event) {
    double x = 0;
    if (!areaX(event->position(), x)) return;
    const graph::KeyModifiers keys = modifiersOf(event->modifiers());
    m_pressedAt = event->position();
    m_dragFromX = x;
    if (event->button() == Qt::LeftButton && !keys.control)
        m_drag = keys.shift ? Drag::Range : Drag::MaybeRange;
    else if (event->button() == Qt::MiddleButton)
        m_drag = Drag::Pan;
    emit pointerPressed(buttonOf(event->button()), x, keys);
    if (m_drag == Drag::Range) emit rangeDragged(x, x);
}

void GraphWidget::mouseReleaseEvent(QMouseEvent* event) {
    const Drag drag = std::exchange(m_drag, Drag::None);
    if (drag == Drag::Range) emit rangeSelected(m_dragFromX, clampedAreaX(event->position()));
}

void GraphWidget::wheelEvent(QWheelEvent* event) {
    double x = 0;
    if (!areaX(event->position(), x)) return event->ignore();
    const QPoint turned = event->angleDelta();
    if (turned.y() != 0) emit zoomRequested(x, turned.y() / kWheelNotch);
    // A tilted wheel or a sideways swipe moves along the time axis.
    const double plotWidth = m_graph.xOfTime(m_graph.shownTimeRange().last);
    if (turned.x() != 0) emit panRequested(-turned.x() / kWheelNotch * kKeyPanShare * plotWidth);
    event->accept();
}

void GraphWidget::pressAtPointer(graph::MouseButton button, double plotShare) {
    const graph::PointerLine& pointer = m_graph.scene().pointer;
    const double plotWidth = m_graph.xOfTime(m_graph.shownTimeRange().last);
    double x = 0;
    if (pointer.visible) x = std::clamp(std::round(pointer.x + plotShare * plotWidth), 0.0, plotWidth);
    emit pointerPressed(button, x, {});
}

void GraphWidget::keyPressEvent(QKeyEvent* event) {
    const double plotWidth = m_graph.xOfTime(m_graph.shownTimeRange().last);
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    if ((key == Qt::Key_Left || key == Qt::Key_Right) && (modifiers & Qt::ShiftModifier)) {
        const double step = (modifiers & Qt::ControlModifier) ? kPointerBigStepShare : kPointerStepShare;
        return pressAtPointer(graph::MouseButton::Left, key == Qt::Key_Left ? -step : step);
    }
    // Enter and D stand for the left and the right button at the pointer line;
    // with Ctrl or Alt they are left to the window.
    const bool plainKey = !(modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (plainKey && (key == Qt::Key_Return || key == Qt::Key_Enter))
        return pressAtPointer(graph::MouseButton::Left);
    if (plainKey && key == Qt::Key_D) return pressAtPointer(graph::MouseButton::Right);
    switch (key) {
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            emit zoomRequested(plotWidth / 2, 1);
            break;
        case Qt::Key_Minus:
            emit zoomRequested(plotWidth / 2, -1);
            break;
        case Qt::Key_Left:
            emit panRequested(-kKeyPanShare * plotWidth);
            break;
        case Qt::Key_Right:
            emit panRequested(kKeyPanShare * plotWidth);
            break;
        default:
            QWidget::keyPressEvent(event);
    }
}

}  // namespace tarvel
