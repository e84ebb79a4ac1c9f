#pragma once
// Flights made to order for the graph tests, with fixed number formatting.

#include <QGuiApplication>

#include "ln_graph.h"

namespace tarvel::graph::test {

// The application painting needs for its fonts, made once for the whole run.
inline void ensureGuiApplication() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "tarvel_graph_tests";
    static char* argv[] = {name, nullptr};
    if (!QGuiApplication::instance()) new QGuiApplication(argc, argv);
}

// What `graph` shows of `samples`, with US digit grouping.
inline void showWithUsNumbers(LnGraph& graph, const SampleStore& samples) {
    GraphData data;
    data.samples = &samples;
    data.locale = NumberLocale{".", ","};
    graph.setData(data);
}

// Changes what `graph` is shown with.
template <class Change>
void changeData(LnGraph& graph, Change change) {
    GraphData data = graph.data();
    change(data);
    graph.setData(data);
}

// `count` samples 10 ms apart; accel(k) = k, so block averages are easy to name.
inline void fillRamp(SampleStore& s, int count) {
    s = SampleStore{};
    s.SampleCount = static_cast<int16_t>(count);
    for (int k = 1; k <= count; ++k) {
        slotOf(s.aDeltaTime, k) = 0.01;
        slotOf(s.aAccel, k) = k;
        slotOf(s.aVelocity, k) = 2.0 * k;
        slotOf(s.aAltitude, k) = 3.0 * k;
        slotOf(s.aThrust, k) = 1.0;
    }
}

}  // namespace tarvel::graph::test
