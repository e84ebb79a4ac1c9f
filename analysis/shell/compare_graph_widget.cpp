#include "compare_graph_widget.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <cmath>
#include <utility>

namespace tarvel {

namespace {
// As the main graph: a wheel notch shows 0.8 of the span, a key moves a tenth of it.
constexpr double kWheelNotch = 120;
constexpr double kZoomPerNotch = 0.8;
constexpr double kKeyPanShare = 0.1;
}  // namespace

CompareGraphWidget::CompareGraphWidget(graph::TraceGraph& graph, QWidget* parent)
    : QWidget(parent), m_graph(graph) {
    setObjectName("grfCompare");
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QPoint CompareGraphWidget::pixelOf(double time, double heightShare) const {
    const QRectF plot = m_graph.plotRect(QRectF(rect()));
    return QPointF(m_graph.pixelOfTime(QRectF(rect()), time), plot.top() + heightShare * plot.height())
        .toPoint();
}

double CompareGraphWidget::timeAt(double x) const { return m_graph.timeAtPixel(QRectF(rect()), x); }

void CompareGraphWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    m_graph.paint(painter, QRectF(rect()));
    if (m_drag == Drag::Range) {
        const QRectF plot = m_graph.plotRect(QRectF(rect()));
        QColor band = palette().color(QPalette::Highlight);
        band.setAlpha(60);
        const double from = m_graph.pixelOfTime(QRectF(rect()), m_dragTime);
        const double to = std::clamp(m_rangeToX, plot.left(), plot.right());
        painter.fillRect(QRectF(QPointF(from, plot.top()), QPointF(to, plot.bottom())).normalized(), band);
    }
}

void CompareGraphWidget::changedRange(bool changed) {
    if (!changed) return;
    update();
    emit rangeChanged();
}

void CompareGraphWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    const QRectF plot = m_graph.plotRect(QRectF(rect()));
    const double time = timeAt(std::clamp(at.x(), plot.left(), plot.right()));
    if (m_drag == Drag::MaybeRange &&
        (at - m_pressedAt).manhattanLength() >= QApplication::startDragDistance())
        m_drag = Drag::Range;
    switch (m_drag) {
        case Drag::Range:
            m_rangeToX = at.x();
            break;
        case Drag::Pan:
            // The curves follow the pointer, so later times come in from the right.
            changedRange(m_graph.panBy(m_dragTime - time));
            break;
        case Drag::Trace:
            emit traceDragged(m_dragTrace, time - m_dragTime);
            m_dragTime = time;
            break;
        default:
            break;
    }
    m_graph.setPointer(plot.contains(at) ? std::optional<double>(timeAt(at.x())) : std::nullopt);
    if (m_drag == Drag::Pan) m_dragTime = timeAt(std::clamp(at.x(), plot.left(), plot.right()));
    update();
    emit pointerMoved();
}

void CompareGraphWidget::mousePressEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    const QRectF target(rect());
    if (!m_graph.plotRect(target).contains(at)) return;
    if (event->button() == Qt::LeftButton) {
        if (const std::optional<size_t> entry = m_graph.legendEntryAt(target, at)) {
            emit legendClicked(*entry);
            return;
        }
    }
    m_pressedAt = at;
    m_rangeToX = at.x();
    m_dragTime = timeAt(at.x());
    if (event->button() == Qt::MiddleButton) {
        m_drag = Drag::Pan;
    } else if (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ShiftModifier)) {
        const std::optional<size_t> grabbed = m_graph.traceNear(target, at);
        if (grabbed) {
            m_drag = Drag::Trace;
            m_dragTrace = *grabbed;
            m_graph.holdRange(true);
            setCursor(Qt::SizeHorCursor);
        }
    } else if (event->button() == Qt::LeftButton) {
        m_drag = Drag::MaybeRange;
    }
}

void CompareGraphWidget::mouseReleaseEvent(QMouseEvent* event) {
    const Drag drag = std::exchange(m_drag, Drag::None);
    unsetCursor();
    if (drag == Drag::Trace) {
        m_graph.holdRange(false);
        update();
    }
    if (drag != Drag::Range) return;
    const QRectF plot = m_graph.plotRect(QRectF(rect()));
    const double to = timeAt(std::clamp(event->position().x(), plot.left(), plot.right()));
    update();
    changedRange(m_graph.zoomTo(m_dragTime, to));
}

void CompareGraphWidget::leaveEvent(QEvent* event) {
    m_graph.setPointer(std::nullopt);
    update();
    emit pointerMoved();
    QWidget::leaveEvent(event);
}

void CompareGraphWidget::wheelEvent(QWheelEvent* event) {
    const QPointF at = event->position();
    if (!m_graph.plotRect(QRectF(rect())).contains(at)) return event->ignore();
    const QPoint turned = event->angleDelta();
    const graph::TimeRange shown = m_graph.shownRange();
    if (turned.y() != 0)
        changedRange(m_graph.zoomAround(timeAt(at.x()), std::pow(kZoomPerNotch, turned.y() / kWheelNotch)));
    // A tilted wheel or a sideways swipe moves along the time axis.
    if (turned.x() != 0)
        changedRange(m_graph.panBy(-turned.x() / kWheelNotch * kKeyPanShare * (shown.last - shown.first)));
    event->accept();
}

void CompareGraphWidget::keyPressEvent(QKeyEvent* event) {
    const graph::TimeRange shown = m_graph.shownRange();
    const double span = shown.last - shown.first;
    switch (event->key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            return changedRange(m_graph.zoomAround(shown.first + span / 2, kZoomPerNotch));
        case Qt::Key_Minus:
            return changedRange(m_graph.zoomAround(shown.first + span / 2, 1 / kZoomPerNotch));
        case Qt::Key_Left:
            return changedRange(m_graph.panBy(-kKeyPanShare * span));
        case Qt::Key_Right:
            return changedRange(m_graph.panBy(kKeyPanShare * span));
        case Qt::Key_Escape:
            if (m_graph.isZoomed()) return changedRange(m_graph.zoomOut());
            return QWidget::keyPressEvent(event);
        default:
            QWidget::keyPressEvent(event);
    }
}

}  // namespace tarvel
