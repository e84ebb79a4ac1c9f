#include "graph_painter.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPen>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

namespace tarvel::graph {

GraphTransform::GraphTransform(const GraphGeometry& geometry, const QRectF& target, bool keepAspect)
    : m_geometry(geometry) {
    double w = std::max<double>(geometry.baseW, 1);
    double h = std::max<double>(geometry.baseH, 1);
    m_sx = target.width() / w;
    m_sy = target.height() / h;
    m_ox = target.left();
    m_oy = target.top();
    if (keepAspect) {
        double s = std::min(m_sx, m_sy);
        m_ox += (target.width() - w * s) / 2;
        m_oy += (target.height() - h * s) / 2;
        m_sx = m_sy = s;
    }
}

QPointF GraphTransform::panelToPixel(double x, double y) const { return {m_ox + x * m_sx, m_oy + y * m_sy}; }

QPointF GraphTransform::areaToPixel(double x, double y) const {
    return panelToPixel(x + m_geometry.areaLeft(), y);
}

QRectF GraphTransform::panelToPixel(double left, double top, double width, double height) const {
    return {panelToPixel(left, top), QSizeF(width * m_sx, height * m_sy)};
}

QRectF GraphTransform::panelRect() const { return panelToPixel(0, 0, m_geometry.baseW, m_geometry.baseH); }

QRectF GraphTransform::areaRect() const {
    return panelToPixel(m_geometry.areaLeft(), 0, m_geometry.areaW, m_geometry.areaH);
}

double GraphTransform::areaXFromPixel(double px) const { return (px - m_ox) / m_sx - m_geometry.areaLeft(); }

double GraphTransform::areaYFromPixel(double py) const { return (py - m_oy) / m_sy; }

QColor resolveColor(ColorValue value, const QPalette& palette) {
    if (!(value & kSystemColorFlag)) return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
    switch (value & 0xFF) {
        case 0x05:
            return palette.color(QPalette::Base);  // window background
        case 0x0F:
            return palette.color(QPalette::Button);  // button face
        case 0x10:
            return palette.color(QPalette::Mid);  // button shadow
        case 0x12:
            return palette.color(QPalette::ButtonText);  // button text
        case 0x14:
            return palette.color(QPalette::Light);  // 3-D highlight
        default:
            return palette.color(QPalette::WindowText);  // 0x08 and anything unknown
    }
}

namespace {

constexpr int kMinFontPixels = 6;  // smaller text is unreadable on screen
// Two lines of labels share the strip under the plot area; the font may be
// this much larger than the vertical scale before they run together.
constexpr double kFontOverVerticalScale = 1.4;
constexpr double kTitleFontShare = 0.85;

// Label text follows the panel's width, up to what the height allows, so a
// panel stretched wide keeps its labels as large as its columns hold.
int labelFontPixels(const GraphTransform& tf) {
    const double scale = std::min(tf.scaleX(), tf.scaleY() * kFontOverVerticalScale);
    return std::max(kMinFontPixels, static_cast<int>(std::lround(kLabelFontTwips * scale)));
}

int alignmentFlags(Align a) {
    switch (a) {
        case Align::Right:
            return Qt::AlignRight;
        case Align::Center:
            return Qt::AlignHCenter;
        default:
            return Qt::AlignLeft;
    }
}

// Button face on today's palettes is nearly white; darken the grid until it
// shows against the plot background, as it did on the grey of old screens.
QColor gridColorAgainst(QColor grid, const QColor& background) {
    for (int i = 0; i < 4 && std::abs(grid.lightness() - background.lightness()) < 48; ++i)
        grid = grid.darker(125);
    return grid;
}

void drawLabel(QPainter& p, const GraphTransform& tf, const Label& l, const QPalette& palette) {
    if (!l.visible || l.text.empty()) return;
    p.setPen(resolveColor(l.color, palette));
    p.drawText(tf.panelToPixel(l.left, l.top, l.width, l.height),
               alignmentFlags(l.align) | Qt::AlignVCenter | Qt::TextDontClip, QString::fromStdString(l.text));
}

using LabelPools = std::initializer_list<const std::vector<Label>*>;

// Label columns are only 500 twips apart and an axis can reach "10,000.0";
// when the widest text of the pools does not fit its label, all of them get
// a smaller font rather than running into the next column (the labels are
// narrower than the column pitch, which keeps the texts apart). One font for
// the four value columns keeps them alike. Returns the pixel size used.
int drawPools(QPainter& p, const GraphTransform& tf, LabelPools pools, const QPalette& palette,
              int maxPixels) {
    const QFont base = p.font();
    const QFontMetricsF metrics(base);
    double shrink = std::min(1.0, double(maxPixels) / base.pixelSize());
    for (const std::vector<Label>* labels : pools)
        for (const Label& l : *labels) {
            if (!l.visible) continue;
            const double room = l.width * tf.scaleX();
            for (const QString& line : QString::fromStdString(l.text).split('\n')) {
                double width = metrics.horizontalAdvance(line);
                if (width > room) shrink = std::min(shrink, room / width);
            }
        }
    QFont fitted = base;
    fitted.setPixelSize(std::max(kMinFontPixels, static_cast<int>(base.pixelSize() * shrink)));
    p.setFont(fitted);
    for (const std::vector<Label>* labels : pools)
        for (const Label& l : *labels) drawLabel(p, tf, l, palette);
    p.setFont(base);
    return fitted.pixelSize();
}

void drawSegments(QPainter& p, const GraphTransform& tf, const std::vector<Segment>& segments, QPen pen,
                  const QColor* fixedColor, const QPalette& palette) {
    for (const Segment& s : segments) {
        if (!s.visible) continue;
        pen.setColor(fixedColor ? *fixedColor : resolveColor(s.color, palette));
        p.setPen(pen);
        p.drawLine(tf.areaToPixel(s.x1, s.y1), tf.areaToPixel(s.x2, s.y2));
    }
}

QPolygonF polyline(const GraphTransform& tf, const std::vector<Point>& points) {
    QPolygonF line;
    line.reserve(qsizetype(points.size()));
    for (const Point& pt : points) line << tf.areaToPixel(pt.x, pt.y);
    return line;
}

// The band shaded between its bounds, the estimate dashed over it.
void drawBands(QPainter& p, const GraphTransform& tf, const std::vector<BandCurve>& bands, double width,
               const QPalette& palette) {
    for (const BandCurve& b : bands) {
        if (b.centre.empty()) continue;
        const QColor color = resolveColor(b.color, palette);
        QColor shade = color;
        shade.setAlpha(50);
        QPolygonF outline = polyline(tf, b.upper);
        const QPolygonF lower = polyline(tf, b.lower);
        for (auto it = lower.rbegin(); it != lower.rend(); ++it) outline << *it;
        p.setPen(Qt::NoPen);
        p.setBrush(shade);
        p.drawPolygon(outline);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(color, width, Qt::DashLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(polyline(tf, b.centre));
    }
}

// Each event as a dotted line with its name at the top, right of the line.
void drawEventMarks(QPainter& p, const GraphTransform& tf, const Scene& scene, double width,
                    const QPalette& palette) {
    if (scene.eventMarks.empty()) return;
    const QColor color = resolveColor(kEventColor, palette);
    const double height = scene.geometry.areaH;
    QFont font = p.font();
    font.setPixelSize(std::max(kMinFontPixels, static_cast<int>(kLabelFontTwips * tf.scale())));
    p.save();
    p.setFont(font);
    for (const EventMark& m : scene.eventMarks) {
        p.setPen(QPen(color, width, Qt::DotLine));
        p.drawLine(tf.areaToPixel(m.x, 0), tf.areaToPixel(m.x, height));
        const QPointF at = tf.areaToPixel(m.x + 30, kLabelHeight * (m.row + 1));
        p.drawText(at, QString::fromStdString(m.text));
    }
    p.restore();
}

}  // namespace

void paintGraph(QPainter& p, const Scene& scene, const QRect& target, const RenderOptions& options) {
    const GraphTransform tf(scene.geometry, QRectF(target), options.keepAspect);
    const QPalette& pal = options.palette;
    const double scale = tf.scale();

    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    if (options.fillPanel) p.fillRect(tf.panelRect(), resolveColor(kButtonFaceColor, pal));
    const QRectF area = tf.areaRect();
    p.fillRect(area, options.areaBackground);

    // Pens in twips so a printer page gets the same weight as the screen,
    // with a floor that keeps thin screens crisp.
    const double curveWidth = std::max(1.5, 15 * scale);
    const double thinWidth = std::max(1.0, 10 * scale);

    p.save();
    p.setClipRect(area);
    const QColor grid = gridColorAgainst(resolveColor(kButtonFaceColor, pal), options.areaBackground);
    drawSegments(p, tf, scene.horizontalGrid, QPen(grid, thinWidth), &grid, pal);
    drawSegments(p, tf, scene.verticalGrid, QPen(grid, thinWidth), &grid, pal);
    QPen curvePen(Qt::black, curveWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    drawSegments(p, tf, scene.curves, curvePen, nullptr, pal);
    drawBands(p, tf, scene.bands, thinWidth, pal);
    drawEventMarks(p, tf, scene, thinWidth, pal);
    if (scene.selection.visible) {
        QColor band = pal.color(QPalette::Highlight);
        band.setAlpha(60);
        p.fillRect(QRectF(tf.areaToPixel(scene.selection.x1, 0),
                          tf.areaToPixel(scene.selection.x2, scene.geometry.areaH))
                       .normalized(),
                   band);
    }
    for (const PointerLine& mark : scene.rulerMarks) {
        if (!mark.visible) continue;
        p.setPen(QPen(resolveColor(mark.color, pal), thinWidth, Qt::DashLine));
        p.drawLine(tf.areaToPixel(mark.x, mark.y1), tf.areaToPixel(mark.x, mark.y2));
    }
    if (scene.pointer.visible) {
        p.setPen(QPen(resolveColor(scene.pointer.color, pal), thinWidth));
        p.drawLine(tf.areaToPixel(scene.pointer.x, scene.pointer.y1),
                   tf.areaToPixel(scene.pointer.x, scene.pointer.y2));
    }
    p.restore();

    p.setPen(QPen(pal.color(QPalette::Mid), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(area);

    QFont font = p.font();
    font.setPixelSize(labelFontPixels(tf));
    p.setFont(font);
    drawPools(p, tf, {&scene.timeLabels}, pal, font.pixelSize());
    const int valuePixels =
        drawPools(p, tf, {&scene.accelLabels, &scene.velLabels, &scene.distLabels, &scene.hpLabels}, pal,
                  font.pixelSize());
    // Two lines of title fit above the top labels in a smaller font.
    if (options.columnTitles)
        drawPools(p, tf, {&scene.columnTitles}, pal, static_cast<int>(valuePixels * kTitleFontShare));
    drawLabel(p, tf, scene.rulerText, pal);
    font.setBold(true);
    p.setFont(font);
    drawLabel(p, tf, scene.timeCaption, pal);
    p.restore();
}

QImage renderGraphImage(const Scene& scene, const QSize& size, const RenderOptions& options) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(options.palette.color(QPalette::Window));
    QPainter painter(&image);
    paintGraph(painter, scene, image.rect(), options);
    return image;
}

}  // namespace tarvel::graph
