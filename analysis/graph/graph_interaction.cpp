#include "graph_interaction.h"

#include <algorithm>

#include "number_text.h"
#include "units.h"

namespace tarvel::graph {

namespace {
const char kFirstPointMessage[] = "Calculate descent rate: Right click a 2nd position to the right.";
// A rate needs two different times; the first point stays set.
const char kSameTimeMessage[] =
    "Both points are at the same time. Right click a 2nd position to the right of the first.";

// "(ft)" -> "ft": units after a number read better without the brackets.
std::string unitName(std::string_view caption) {
    if (caption.size() >= 2 && caption.front() == '(' && caption.back() == ')')
        caption = caption.substr(1, caption.size() - 2);
    return std::string(caption);
}
}  // namespace

GraphInteraction::GraphInteraction(LnGraph& graph) : m_graph(graph) {}

std::string_view GraphInteraction::caption(UnitGroup group) const {
    return selectedTag(m_graph.data().units, group);
}

GraphInteraction::Location GraphInteraction::locate(double xTwips) const {
    Location at;
    at.time = m_graph.TimeAtX(roundHalfEvenToInt16(xTwips));
    // The walk starts at slot 0, so t = 0 shows the empty slot before the
    // first sample; past the end of the flight it shows the last sample.
    // (Stopping at a fixed slot 2000 would show values of the boost phase
    // under a pointer placed on the descent of any longer flight.)
    double elapsed = 0;
    const SampleArray& dt = m_graph.samples().aDeltaTime;
    const int lastSlot = std::clamp<int>(m_graph.samples().SampleCount, 0, kLastSlot);
    while (at.time > elapsed && at.slot < lastSlot) {
        elapsed += tarvel::at(dt, at.slot);
        ++at.slot;
    }
    return at;
}

void GraphInteraction::mouseMove(double xTwips) { show(xTwips, locate(xTwips)); }

void GraphInteraction::reset() {
    CurVal = {};
    pointerStatus.clear();
    DescentRateClickIndex = 0;
    PointerLine& pointer = m_graph.scene().pointer;
    pointer.visible = false;
    pointer.color = kWindowTextColor;
    clearRuler();
    m_graph.scene().selection.visible = false;
}

PointerLine GraphInteraction::markAt(double t, ColorValue color) const {
    const double x = m_graph.xOfTime(t);
    const double areaH = m_graph.scene().geometry.areaH;
    return {x, 0, areaH, color, x >= 0 && x <= m_graph.scene().geometry.areaW};
}

void GraphInteraction::followZoom() {
    // A pointer that was ever placed follows its time; it hides while out of view.
    PointerLine& pointer = m_graph.scene().pointer;
    if (!CurVal[0].empty()) pointer = markAt(m_pointerTime, pointer.color);
    layoutRuler();
}

std::string GraphInteraction::rulerClick(double xTwips) {
    const Location at = locate(xTwips);
    show(xTwips, at);
    if (m_ruler.size() == 2) m_ruler.clear();
    m_rulerSameTime = !m_ruler.empty() && at.time == m_ruler[0].time;
    if (!m_rulerSameTime) m_ruler.push_back(at);
    layoutRuler();
    return m_graph.scene().rulerText.text;
}

void GraphInteraction::clearRuler() {
    m_ruler.clear();
    m_rulerSameTime = false;
    layoutRuler();
}

std::string GraphInteraction::rulerReading() const {
    if (m_ruler.empty()) return {};
    if (m_rulerSameTime)
        return "Both ruler points are at the same time: Ctrl+click a second point elsewhere.";
    const NumberLocale& locale = m_graph.data().locale;
    const std::string unit = unitName(caption(UnitGroup::Distance));
    auto seconds = [&](double t) { return figureText(t, 2, locale, true) + " s"; };
    auto altitude = [&](const Location& p) { return tarvel::at(m_graph.samples().aAltitude, p.slot); };
    if (m_ruler.size() == 1)
        return "Ruler from " + seconds(m_ruler[0].time) + ", " +
               figureText(altitude(m_ruler[0]), 1, locale, true) + " " + unit +
               ": Ctrl+click a second point.";
    // Read from the earlier point to the later, whichever was clicked first.
    const bool inOrder = m_ruler[0].time < m_ruler[1].time;
    const Location& a = m_ruler[inOrder ? 0 : 1];
    const Location& b = m_ruler[inOrder ? 1 : 0];
    const double dt = b.time - a.time, dh = altitude(b) - altitude(a);
    return "From " + seconds(a.time) + " to " + seconds(b.time) + ": time " + seconds(dt) + ", altitude " +
           figureText(dh, 1, locale, true) + " " + unit + ", mean vertical speed " +
           figureText(dh / dt, 2, locale, true) + " " + unit + "/s";
}

void GraphInteraction::layoutRuler() {
    Scene& scene = m_graph.scene();
    scene.rulerMarks.clear();
    for (const Location& p : m_ruler) scene.rulerMarks.push_back(markAt(p.time, kRulerColor));
    // In the strip above the curves, which the plot keeps free.
    const GraphGeometry& g = scene.geometry;
    Label& text = scene.rulerText;
    text.text = rulerReading();
    text.left = g.areaLeft() + 60;
    text.top = (g.areaH * 0.1 - kLabelHeight) / 2;
    text.width = g.areaW - 120;
    text.height = kLabelHeight;
    text.color = kRulerColor;
    text.align = Align::Left;
    text.visible = !text.text.empty();
}

void GraphInteraction::dragSelection(double fromX, double toX) {
    m_graph.scene().selection = {std::min(fromX, toX), std::max(fromX, toX), true};
}

bool GraphInteraction::finishSelection(double fromX, double toX) {
    m_graph.scene().selection.visible = false;
    if (!m_graph.zoomTo(m_graph.timeOfX(fromX), m_graph.timeOfX(toX))) return false;
    followZoom();
    return true;
}

void GraphInteraction::refresh() {
    const PointerLine& pointer = m_graph.scene().pointer;
    if (pointer.visible) show(pointer.x, locate(pointer.x));
    layoutRuler();
}

std::string GraphInteraction::mouseDown(MouseButton button, double xTwips) {
    Location at = locate(xTwips);
    std::string message;
    if (button == MouseButton::Right) message = descentRateClick(at);
    show(xTwips, at);
    return message;
}

std::string GraphInteraction::descentRateClick(const Location& at) {
    double altitude = roundToDecimals(tarvel::at(m_graph.samples().aAltitude, at.slot), 1);
    PointerLine& pointer = m_graph.scene().pointer;
    if (DescentRateClickIndex == 0) {
        DescentRateTime1 = at.time;
        DescentRateAlt1 = altitude;
        DescentRateClickIndex = 1;
        pointer.color = kRedColor;
        return kFirstPointMessage;
    }
    if (at.time == DescentRateTime1) return kSameTimeMessage;
    double rate = (DescentRateAlt1 - altitude) / (at.time - DescentRateTime1);
    DescentRateClickIndex = 0;
    pointer.color = kWindowTextColor;
    return "Descent Rate: " + figureText(rate, 2, m_graph.data().locale, false) + " " +
           std::string(caption(UnitGroup::Distance)) + "/s";
}

void GraphInteraction::show(double xTwips, const Location& at) {
    PointerLine& pointer = m_graph.scene().pointer;
    pointer.x = xTwips;
    pointer.y1 = 0;
    pointer.y2 = m_graph.scene().geometry.areaH;
    pointer.visible = true;
    m_pointerTime = at.time;

    const SampleStore& s = m_graph.samples();
    const NumberLocale& locale = m_graph.data().locale;
    CurVal[0] = generalNumberText(at.time);
    CurVal[1] = figureText(tarvel::at(s.aAccel, at.slot), 2, locale, false);
    CurVal[2] = figureText(tarvel::at(s.aVelocity, at.slot), 2, locale, false);
    CurVal[3] = figureText(tarvel::at(s.aAltitude, at.slot), 1, locale, false);
    CurVal[4] = figureText(tarvel::at(s.aThrust, at.slot), 1, locale, false);

    pointerStatus = "Time " + CurVal[0] + " s    Accel " + CurVal[1] + " G    Velocity " + CurVal[2] + " " +
                    unitName(caption(UnitGroup::Velocity)) + "    Altitude " + CurVal[3] + " " +
                    unitName(caption(UnitGroup::Distance)) + "    Thrust " + CurVal[4] + " " +
                    unitName(caption(UnitGroup::Thrust));
}

}  // namespace tarvel::graph
