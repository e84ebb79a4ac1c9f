#include "window_print.h"

#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QWidget>
#include <algorithm>

namespace tarvel {

bool printWindowImage(QWidget& window, QPrinter& printer) {
    // The window is wider than tall.
    printer.setPageOrientation(QPageLayout::Landscape);
    constexpr double kImageScale = 3.0;
    QImage image(window.size() * kImageScale, QImage::Format_RGB32);
    image.setDevicePixelRatio(kImageScale);
    image.fill(window.palette().color(QPalette::Window));
    window.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);

    QPainter painter;
    if (!painter.begin(&printer)) return false;
    const QRectF page = painter.viewport();
    const double width = window.width(), height = window.height();
    const double scale = std::min(page.width() / width, page.height() / height);
    const QRectF target((page.width() - width * scale) / 2, (page.height() - height * scale) / 2,
                        width * scale, height * scale);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, image);
    return painter.end();
}

}  // namespace tarvel
