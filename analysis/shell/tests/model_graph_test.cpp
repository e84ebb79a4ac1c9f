#include "model_graph.h"

#include <gtest/gtest.h>

namespace tarvel {
namespace {

using graph::Axis;

// A recalculation and the Graph menu reach the graph through the steps they ask for.
TEST(ModelGraph, RecalculationDrawsTheChosenView) {
    FlightAnalysis analysis;
    analysis.numberLocale = NumberLocale{".", ","};
    graph::LnGraph graph;
    SampleStore& s = analysis.samples;
    s.SampleCount = 1000;  // h = 5, P = 200, 199 blocks
    for (int k = 1; k <= 1000; ++k) {
        slotOf(s.aDeltaTime, k) = 0.01;
        slotOf(s.aPressure, k) = 14.7 - (k < 500 ? k : 1000 - k) * 0.001;
        slotOf(s.aAccel, k) = k < 100 ? 12 : -1;  // a 1 s burn, then coasting
    }
    analysis.detail(DetailField::txtMotorDuration) = "1.0";
    analysis.bValidFile = true;

    ASSERT_TRUE(analysis.RecalculateGraph().ok);
    drawModelGraph(analysis, analysis.takeGraphSteps(), graph);
    EXPECT_EQ(graph.axis(Axis::Accel).MaxValue, 15);
    EXPECT_EQ(graph.axis(Axis::Time).MaxValue, 10);
    EXPECT_EQ(graph.scene().timeLabels[10].text, "10.00");
    int allCurves = graph.scene().visibleCurveCount();
    EXPECT_GT(allCurves, 3 * 199);  // accel, velocity, altitude, and the burn's thrust

    ASSERT_TRUE(analysis.mnuGraphAccelThrust_Click().ok);
    drawModelGraph(analysis, analysis.takeGraphSteps(), graph);
    const graph::Scene& scene = graph.scene();
    EXPECT_EQ(graph.axis(Axis::Time).MaxValue, 2);  // the burn view starts from a fresh InitGraph
    for (int i = 200; i < 600; ++i)
        EXPECT_FALSE(scene.curve(i) && scene.curve(i)->visible) << i;  // no velocity, no altitude
    EXPECT_GT(scene.visibleCurveCount(), 199);

    // A refused recalculation asks for nothing: the graph keeps the burn view.
    analysis.detail(DetailField::txtMotorDuration) = "0";
    ASSERT_FALSE(analysis.mnuRecalc_Click().ok);
    EXPECT_TRUE(analysis.takeGraphSteps().empty());
}

}  // namespace
}  // namespace tarvel
