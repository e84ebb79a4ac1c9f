#include "graph_interaction.h"

#include <algorithm>

#include "number_text.h"

namespace tarvel::graph {

namespace {
const char kFirstPointMessage[] = "Calculate descent rate: Right click a 2nd position to the right.";
// A rate needs two different times; the first point stays set.
const char kSameTimeMessage[] =
    "Both points are at the same time. Right click a 2nd position to the right of the first.";
}  // namespace

GraphInteraction::GraphInteraction(const FlightAnalysis& analysis, LnGraph& graph)
    : m_analysis(analysis), m_graph(graph) {}

GraphInteraction::Location GraphInteraction::locate(double xTwips) const {
    Location at;
    at.time = m_graph.TimeAtX(roundHalfEvenToInt16(xTwips));
    // The walk starts at slot 0, so t = 0 shows the empty slot before the
    // first sample; past the end of the flight it shows the last sample.
    // (Stopping at a fixed slot 2000 would show values of the boost phase
    // under a pointer placed on the descent of any longer flight.)
    double elapsed = 0;
    const SampleArray& dt = m_analysis.samples.aDeltaTime;
    const int lastSlot = std::clamp<int>(m_analysis.samples.SampleCount, 0, kLastSlot);
    while (at.time > elapsed && at.slot < lastSlot) {
        elapsed += dt[at.slot];
        ++at.slot;
    }
    return at;
}

void GraphInteraction::mouseMove(double xTwips) { show(xTwips, locate(xTwips)); }

void GraphInteraction::reset() {
    CurVal = {};
    DescentRateClickIndex = 0;
    PointerLine& pointer = m_graph.scene().pointer;
    pointer.visible = false;
    pointer.color = kWindowTextColor;
}

void GraphInteraction::refresh() {
    const PointerLine& pointer = m_graph.scene().pointer;
    if (pointer.visible) show(pointer.x, locate(pointer.x));
}

std::string GraphInteraction::mouseDown(MouseButton button, double xTwips) {
    Location at = locate(xTwips);
    std::string message;
    if (button == MouseButton::Right) message = descentRateClick(at);
    show(xTwips, at);
    return message;
}

std::string GraphInteraction::descentRateClick(const Location& at) {
    double altitude = roundToDecimals(m_analysis.samples.aAltitude[at.slot], 1);
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
    return "Descent Rate: " + figureText(rate, 2, m_analysis.numberLocale, false) + " " +
           m_analysis.captions.lblAltitude + "/s";
}

void GraphInteraction::show(double xTwips, const Location& at) {
    PointerLine& pointer = m_graph.scene().pointer;
    pointer.x = xTwips;
    pointer.y1 = 0;
    pointer.y2 = m_graph.scene().geometry.areaH;
    pointer.visible = true;

    const SampleStore& s = m_analysis.samples;
    const NumberLocale& locale = m_analysis.numberLocale;
    CurVal[0] = generalNumberText(at.time);
    CurVal[1] = figureText(s.aAccel[at.slot], 2, locale, false);
    CurVal[2] = figureText(s.aVelocity[at.slot], 2, locale, false);
    CurVal[3] = figureText(s.aAltitude[at.slot], 1, locale, false);
    CurVal[4] = figureText(s.aThrust[at.slot], 1, locale, false);
}

}  // namespace tarvel::graph
