#include "status_circle.h"

#include <QPainter>
#include <algorithm>

namespace tarvel::device {

namespace {
constexpr int kCircleSize = 18;
constexpr int kTextGap = 6;
}  // namespace

StatusCircle::StatusCircle(int output, QWidget* parent) : QWidget(parent), m_output(output) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setState(Qt::white, QString());
}

QSize StatusCircle::sizeHint() const {
    // Room for the longest state, so the layout does not move as it changes.
    int textWidth = 0;
    for (const QString& text : {kClosedText, kOpenText, kFiredText})
        textWidth = std::max(textWidth, fontMetrics().horizontalAdvance(text));
    return {kCircleSize + kTextGap + textWidth, std::max(kCircleSize, fontMetrics().height())};
}

void StatusCircle::setState(const QColor& color, const QString& text) {
    m_fill = color;
    m_text = text;
    setAccessibleName(QStringLiteral("Output %1: %2")
                          .arg(m_output)
                          .arg(text.isEmpty() ? QStringLiteral("not tested") : text));
    update();
}

void StatusCircle::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int top = (height() - kCircleSize) / 2;
    painter.setPen(Qt::black);
    painter.setBrush(m_fill);
    painter.drawEllipse(QRect(0, top, kCircleSize, kCircleSize).adjusted(1, 1, -1, -1));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(rect().adjusted(kCircleSize + kTextGap, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                     m_text);
}

}  // namespace tarvel::device
