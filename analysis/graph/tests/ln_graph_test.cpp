#include "ln_graph.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graph_test_support.h"

namespace tarvel::graph {
namespace {

class LnGraphTest : public ::testing::Test {
protected:
    LnGraphTest() : graph() { test::showWithUsNumbers(graph, flight); }

    std::vector<std::string> texts(const std::vector<Label>& pool, int n = 11) {
        std::vector<std::string> out;
        for (int i = 0; i < n; ++i) out.push_back(pool[i].text);
        return out;
    }
    // Visible curve segments in [first, last].
    int visibleIn(int first, int last) const {
        int n = 0;
        for (int i = first; i <= last; ++i)
            if (const Segment* s = graph.scene().curve(i); s && s->visible) ++n;
        return n;
    }

    SampleStore flight;
    LnGraph graph;
};

TEST_F(LnGraphTest, TickLabelsAfterInitGraph) {
    graph.InitGraph();
    graph.DrawAxes();
    const Scene& s = graph.scene();
    EXPECT_EQ(texts(s.timeLabels), (std::vector<std::string>{"0.00", "0.20", "0.40", "0.60", "0.80", "1.00",
                                                             "1.20", "1.40", "1.60", "1.80", "2.00"}));
    EXPECT_EQ(texts(s.distLabels),
              (std::vector<std::string>{"0.0", "100.0", "200.0", "300.0", "400.0", "500.0", "600.0", "700.0",
                                        "800.0", "900.0", "1,000.0"}));
    EXPECT_EQ(s.accelLabels[10].text, "5.000");
    EXPECT_EQ(s.velLabels[1].text, "15.00");
    EXPECT_FALSE(s.timeLabels[11].visible);  // slots past Divisions stay unused
    EXPECT_EQ(s.timeCaption.text, "Time (s)");

    // Columns: label left = area left - D, tick i raised by areaH / 11 per step.
    const GraphGeometry& g = s.geometry;
    EXPECT_DOUBLE_EQ(s.accelLabels[0].left, g.areaLeft() - 500);
    EXPECT_DOUBLE_EQ(s.hpLabels[0].left, g.areaLeft() - 2100);
    EXPECT_DOUBLE_EQ(s.distLabels[3].top, g.areaH - g.areaH / 11.0 * 3 - 50);
    EXPECT_EQ(s.hpLabels[3].color, 33023u);
    EXPECT_DOUBLE_EQ(s.timeLabels[4].left, g.areaW / 11.0 * 4 + g.areaLeft() - 80);
    EXPECT_DOUBLE_EQ(s.timeLabels[4].top, g.areaH + 20);

    // Grid: vertical line i at the tick of time label i, horizontal line i at
    // the lower edge of accel label i.
    const Segment* v3 = s.gridSegment(828);
    ASSERT_NE(v3, nullptr);
    EXPECT_DOUBLE_EQ(v3->x1, g.areaW / 11.0 * 3);
    EXPECT_DOUBLE_EQ(v3->y1, g.areaH);
    EXPECT_DOUBLE_EQ(v3->y2, 0);
    const Segment* h2 = s.gridSegment(802);
    ASSERT_NE(h2, nullptr);
    EXPECT_DOUBLE_EQ(h2->y1, s.accelLabels[2].top + kLabelHeight);
    EXPECT_LT(h2->x1, 0);
    EXPECT_GT(h2->x2, g.areaW);
    EXPECT_EQ(h2->color, kButtonFaceColor);
}

TEST_F(LnGraphTest, MapsAxisLimitsIntoThePlotArea) {
    graph.InitGraph();
    const GraphGeometry& g = graph.scene().geometry;
    graph.PlotAltitude(0, 0, 1000, 2, 7);
    const Segment* s = graph.scene().curve(7);
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(s->visible);
    EXPECT_EQ(s->color, 8388608u);
    EXPECT_DOUBLE_EQ(s->x1, 0);
    EXPECT_NEAR(s->y1, 1.009 * g.areaH, 1e-9);
    EXPECT_NEAR(s->x2, 0.909 * g.areaW, 1e-9);
    EXPECT_NEAR(s->y2, 0.1 * g.areaH, 1e-9);

    graph.PlotThrust(5, 1, 2.5, 2, 3);
    EXPECT_EQ(graph.scene().curve(3)->color, 33023u);
    EXPECT_NEAR(graph.scene().curve(3)->y1, 0.1 * g.areaH, 1e-9);
    EXPECT_NEAR(graph.scene().curve(3)->x1, 0.909 * g.areaW / 2, 1e-9);
}

TEST_F(LnGraphTest, TimeAtXInvertsTheMapping) {
    graph.InitGraph();
    const int16_t right = static_cast<int16_t>(0.909 * graph.scene().geometry.areaW);  // 8181
    struct Case {
        int16_t x;
        double maxTime;
        double expected;
    } cases[] = {
        {0, 2, 0},      {right, 2, 2}, {right, 35, 35}, {4090, 2, 1.0},
        {2727, 30, 10}, {409, 2, 0.1}, {-409, 2, -0.1},
    };
    for (const Case& c : cases) {
        graph.axis(Axis::Time).MaxValue = c.maxTime;
        EXPECT_DOUBLE_EQ(graph.TimeAtX(c.x), c.expected) << "x=" << c.x << " max=" << c.maxTime;
    }
}

TEST_F(LnGraphTest, ClearCurvesHidesCurvesAndTheLowestGridLine) {
    graph.DrawAxes();
    graph.PlotAccel(1, 0, 2, 1, 0);
    graph.PlotAccel(1, 0, 2, 1, 799);
    graph.ClearCurves();
    EXPECT_EQ(graph.scene().visibleCurveCount(), 0);
    EXPECT_FALSE(graph.scene().gridSegment(800)->visible);
    EXPECT_TRUE(graph.scene().gridSegment(801)->visible);
    EXPECT_TRUE(graph.scene().gridSegment(826)->visible);
}

TEST(AdjAxisValues, WidensOneStepPerCallAndNeverBelowZero) {
    struct Case {
        double cur, min, max;
        int16_t step;
        double newMin, newMax;
    } cases[] = {
        {12, 0, 5, 5, 0, 10},        // 12 G: first sample raises to 10 ...
        {12, 0, 10, 5, 0, 15},       // ... the next one still above 10 to 15
        {12, 0, 15, 5, 0, 15},       // inside: unchanged
        {500, 0, 150, 100, 0, 250},  // a spike ends above the axis
        {-3, 0, 5, 5, 0, 5},         // negative values never lower below 0
        {3, 10, 20, 5, 5, 20},       // a minimum above 0 may come down one step
        {-50, 2, 20, 5, 0, 20},      // ... but not past 0
        {5, 0, 5, 5, 0, 5},          // equal to the maximum is inside
    };
    for (const Case& c : cases) {
        double min = c.min, max = c.max;
        LnGraph::AdjAxisValues(c.cur, min, max, c.step);
        EXPECT_EQ(min, c.newMin) << c.cur;
        EXPECT_EQ(max, c.newMax) << c.cur;
    }
}

TEST_F(LnGraphTest, AdjAllAxisValuesWidensEveryAxis) {
    test::fillRamp(flight, 4);
    slotOf(flight.aAccel, 1) = 12;
    slotOf(flight.aAccel, 2) = 12;
    slotOf(flight.aAccel, 3) = -7;
    slotOf(flight.aVelocity, 2) = 260;
    slotOf(flight.aThrust, 1) = 40;
    slotOf(flight.aDeltaTime, 4) = 9;  // running time 9.03
    graph.InitGraph();
    graph.axis(Axis::Time).MaxValue = 40;  // reset to 5 first
    graph.AdjAllAxisValues();
    EXPECT_EQ(graph.axis(Axis::Accel).MaxValue, 15);
    EXPECT_EQ(graph.axis(Axis::Accel).MinValue, 0);
    EXPECT_EQ(graph.axis(Axis::Velocity).MaxValue, 250);
    EXPECT_EQ(graph.axis(Axis::Altitude).MaxValue, 1000);
    EXPECT_EQ(graph.axis(Axis::Thrust).MaxValue, 35);
    EXPECT_EQ(graph.axis(Axis::Time).MaxValue, 10);
}

TEST_F(LnGraphTest, AdjThrustAxisValuesStopsAfterTheBurn) {
    test::fillRamp(flight, 400);  // accel ramps to 400 G, but only the burn counts
    test::changeData(graph, [](GraphData& d) { d.motorDuration = 0.055; });
    graph.InitGraph();
    graph.AdjThrustAxisValues();
    // Samples 1..6 (the sixth passes 0.055 s): accel up to 6 G, time 0.06 s.
    EXPECT_EQ(graph.axis(Axis::Accel).MaxValue, 10);
    EXPECT_EQ(graph.axis(Axis::Time).MaxValue, 2);
    EXPECT_EQ(graph.axis(Axis::Velocity).MaxValue, 150);
}

// Reduction of the whole flight: block size h, stride P, blocks drawn.
struct Reduction {
    int count;
    int h;
    int P;
    int blocks;  // segments per curve, 0..blocks-1 after the curve's base
};

class DrawGraphReduction : public LnGraphTest, public ::testing::WithParamInterface<Reduction> {};

TEST_P(DrawGraphReduction, SegmentCountsAndPositions) {
    const Reduction r = GetParam();
    test::fillRamp(flight, r.count);
    graph.InitGraph();
    graph.DrawAxes();
    graph.AdjAllAxisValues();
    graph.DrawGraph();

    EXPECT_EQ(graph.scene().visibleCurveCount(), 4 * r.blocks);
    if (r.blocks == 0) return;
    for (int base : {0, r.P, 2 * r.P, 3 * r.P}) {
        EXPECT_EQ(visibleIn(base, base + r.blocks - 1), r.blocks) << "curve from " << base;
        EXPECT_EQ(visibleIn(base + r.blocks, base + r.P - 1), 0) << "curve from " << base;
    }
    EXPECT_EQ(graph.scene().curve(r.P)->color, 128u);
    EXPECT_EQ(graph.scene().curve(2 * r.P)->color, 8388608u);

    // Curves never reach into the grid, however far their indices go.
    for (int i = 801; i <= 810; ++i) EXPECT_EQ(graph.scene().gridSegment(i)->color, kButtonFaceColor);

    // Block 1 joins the average of block 0 to its own, at the block times.
    const double h = r.h;
    const double tA = 0.01 * (2 * h - 1);  // slot 0 has no time
    const double tB = tA + 0.01 * h;
    const double a0 = (h + 1) / 2, a1 = a0 + h;
    const Segment* accel = graph.scene().curve(1);
    EXPECT_NEAR(accel->x1, graph.xOfTime(tA), 1e-6);
    EXPECT_NEAR(accel->x2, graph.xOfTime(tB), 1e-6);
    EXPECT_NEAR(accel->y1, graph.yOfValue(Axis::Accel, a0), 1e-6);
    EXPECT_NEAR(accel->y2, graph.yOfValue(Axis::Accel, a1), 1e-6);
    // Velocity is taken at the block edges, not averaged.
    const Segment* vel = graph.scene().curve(r.P + 1);
    EXPECT_NEAR(vel->y1, graph.yOfValue(Axis::Velocity, 2 * h), 1e-6);
    EXPECT_NEAR(vel->y2, graph.yOfValue(Axis::Velocity, 4 * h), 1e-6);
    const Segment* alt = graph.scene().curve(2 * r.P + r.blocks - 1);
    EXPECT_NEAR(alt->y2, graph.yOfValue(Axis::Altitude, 3 * (h * (r.blocks - 1) + (h + 1) / 2)), 1e-6);
}

INSTANTIATE_TEST_SUITE_P(SampleCounts, DrawGraphReduction,
                         ::testing::Values(Reduction{100, 0, 200, 0},    // h rounds to 0: nothing drawn
                                           Reduction{101, 1, 200, 101},  //
                                           Reduction{250, 1, 250, 249},  // thrust from 750, past the old pool
                                           Reduction{299, 1, 299, 298},  // last altitude segment 895
                                           Reduction{1100, 6, 200, 183},  // 5.5 -> 6, stops at block 183
                                           Reduction{20000, 100, 200, 199}),
                         [](const auto& info) { return std::to_string(info.param.count); });

TEST_F(LnGraphTest, ThrustBlocksAtMostFivePercentOfThePeakAreLeftOut) {
    test::fillRamp(flight, 101);  // h = 1, P = 200, thrust from 600
    double thrust[] = {10, 0.5, 0.51, 0, -1, 20, 1.0, 1.01};
    for (int k = 0; k < 8; ++k) slotOf(flight.aThrust, k + 1) = thrust[k];
    graph.DrawGraph();
    std::vector<bool> drawn;
    for (int k = 0; k < 8; ++k)
        drawn.push_back(graph.scene().curve(600 + k) && graph.scene().curve(600 + k)->visible);
    EXPECT_EQ(drawn, (std::vector<bool>{true, false, true, false, false, true, false, true}));

    // The burn view draws every block that is not negative.
    test::changeData(graph, [&](GraphData& d) { d.motorDurationIndex = 0; });  // h = 1, P = 200
    graph.DrawThurstCurveGraph();
    drawn.clear();
    for (int k = 0; k < 8; ++k) drawn.push_back(graph.scene().curve(600 + k)->visible);
    EXPECT_EQ(drawn, (std::vector<bool>{true, true, true, true, false, true, true, true}));
}

TEST_F(LnGraphTest, BurnViewDrawsAccelAndThrustOnly) {
    struct Case {
        int burnIndex;
        int P;
        int blocks;
    } cases[] = {
        {0, 200, 199},     // index 0 still gives blocks of one sample
        {250, 250, 249},   // P from the burn, thrust from 750
        {1100, 200, 199},  // h = 6, 6 * 199 <= 2000
        {-500, 200, 199},  // a negative index keeps blocks of one sample
    };
    test::fillRamp(flight, 2000);
    for (const Case& c : cases) {
        test::changeData(graph,
                         [&](GraphData& d) { d.motorDurationIndex = static_cast<int16_t>(c.burnIndex); });
        graph.DrawThurstCurveGraph();
        EXPECT_EQ(graph.scene().visibleCurveCount(), 2 * c.blocks) << c.burnIndex;
        EXPECT_EQ(visibleIn(0, c.blocks - 1), c.blocks) << c.burnIndex;
        EXPECT_EQ(visibleIn(3 * c.P, 3 * c.P + c.blocks - 1), c.blocks) << c.burnIndex;
    }
}

TEST_F(LnGraphTest, UntickedCurvesAreNotDrawn) {
    test::fillRamp(flight, 1000);  // h = 5, P = 200, 199 blocks
    test::changeData(graph, [](GraphData& d) { d.curves.velocity = false; });
    test::changeData(graph, [](GraphData& d) { d.curves.accel = false; });
    graph.DrawGraph();
    EXPECT_EQ(visibleIn(0, 399), 0);
    EXPECT_EQ(visibleIn(400, 799), 2 * 199);
}

}  // namespace
}  // namespace tarvel::graph
