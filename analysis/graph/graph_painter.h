#pragma once
// Paints a graph Scene with QPainter onto any device: the main window's
// widget, a printer page or a QImage. The whole panel (grfBase, twips) is
// mapped onto the target rectangle; fonts and pens scale with it, so the
// graph looks alike at every size.

#include <QColor>
#include <QImage>
#include <QPalette>
#include <QPointF>
#include <QRectF>

#include "graph_scene.h"

class QPainter;

namespace tarvel::graph {

// Twips of the scene to device pixels of a target rectangle, and back (for
// mouse events: the window hands areaXFromPixel(event x) to GraphInteraction).
class GraphTransform {
public:
    // keepAspect: one scale for both directions, the panel centred in the
    // target; otherwise the panel fills the target.
    GraphTransform(const GraphGeometry& geometry, const QRectF& target, bool keepAspect = true);

    QPointF panelToPixel(double x, double y) const;
    QPointF areaToPixel(double x, double y) const;
    QRectF panelToPixel(double left, double top, double width, double height) const;
    QRectF panelRect() const;  // whole panel in pixels
    QRectF areaRect() const;   // plot area in pixels
    double areaXFromPixel(double px) const;
    double areaYFromPixel(double py) const;
    double scaleX() const { return m_sx; }
    double scaleY() const { return m_sy; }
    double scale() const { return m_sx < m_sy ? m_sx : m_sy; }  // for fonts and pens

private:
    GraphGeometry m_geometry;
    double m_ox = 0, m_oy = 0, m_sx = 1, m_sy = 1;
};

struct RenderOptions {
    bool keepAspect = true;
    bool columnTitles = false;  // the window labels its columns itself; pictures need titles
    QPalette palette;           // resolves system colours (grid, idle pointer, panel)
    QColor areaBackground = Qt::white;
    bool fillPanel = true;  // paint the panel background (button face)
};

// Colour of a stored value: BGR with red in the low byte, or a system colour.
QColor resolveColor(ColorValue value, const QPalette& palette);

void paintGraph(QPainter& painter, const Scene& scene, const QRect& target,
                const RenderOptions& options = {});

// The scene as an image of the given size (needs a QGuiApplication for fonts).
QImage renderGraphImage(const Scene& scene, const QSize& size, const RenderOptions& options = {});

}  // namespace tarvel::graph
