#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graph_interaction.h"
#include "graph_test_support.h"
#include "ln_graph.h"

namespace tarvel::graph {
namespace {

TEST(NiceAxisRange, ElevenRoundTicksAroundTheData) {
    struct Case {
        double lo, hi, minStep;
        double first, last;
    } cases[] = {
        {0, 1000, 0.1, 0, 1000},        // already round
        {1003, 1987, 0.1, 1000, 2000},  // step 100
        {-3.1, 11.4, 0.001, -4, 16},    // step 2
        {6100.2, 6990, 0.1, 6100, 7100},
        {0.31, 0.33, 0.1, 0.3, 1.3},  // no finer than the labels' decimals
        {5, 5, 0.01, 5, 5.1},         // one value: the smallest step
        {7, 2, 1, 2, 12},             // either order
    };
    for (const Case& c : cases) {
        const auto [first, last] = niceAxisRange(c.lo, c.hi, c.minStep);
        EXPECT_NEAR(first, c.first, 1e-9) << c.lo << ".." << c.hi;
        EXPECT_NEAR(last, c.last, 1e-9) << c.lo << ".." << c.hi;
    }
    // No number, or a span past the largest double, must not hang the redraw.
    const auto [first, last] = niceAxisRange(0, 1.0 / 0.0, 0.1);
    EXPECT_EQ(first, 0);
    EXPECT_NEAR(last, 1, 1e-9);
    const auto [low, high] = niceAxisRange(-1e308, 1e308, 0.1);
    EXPECT_EQ(low, -1e308);
    EXPECT_EQ(high, 1e308);
}

// A 30 s ramp flight drawn in the all-curves view on a 0..30 s time axis:
// accel(k) = k, altitude 3k.
class ZoomTest : public ::testing::Test {
protected:
    ZoomTest() : graph(), ui(graph) {
        test::showWithUsNumbers(graph, flight);
        test::fillRamp(flight, 3000);
        graph.AdjAllAxisValues();
        graph.axis(Axis::Time).MaxValue = 30;
        graph.DrawAxes();
        graph.DrawGraph();
    }
    std::vector<std::string> texts(const std::vector<Label>& pool) const {
        std::vector<std::string> out;
        for (int i = 0; i < 11; ++i) out.push_back(pool[i].text);
        return out;
    }

    SampleStore flight;
    LnGraph graph;
    GraphInteraction ui;
};

TEST_F(ZoomTest, ARangeFillsThePlotAndTheValueAxesFollowIt) {
    const std::vector<std::string> wholeTimes = texts(graph.scene().timeLabels);
    const std::vector<std::string> wholeAlt = texts(graph.scene().distLabels);
    const int wholeSegments = graph.scene().visibleCurveCount();

    ASSERT_TRUE(graph.zoomTo(20, 10));  // either order
    EXPECT_TRUE(graph.isZoomed());
    EXPECT_EQ(texts(graph.scene().timeLabels),
              (std::vector<std::string>{"10.00", "11.00", "12.00", "13.00", "14.00", "15.00", "16.00",
                                        "17.00", "18.00", "19.00", "20.00"}));
    // Altitudes 3000..6000 in view, with a little room below: steps of 500.
    EXPECT_EQ(graph.scene().distLabels[0].text, "2,500.0");
    EXPECT_EQ(graph.scene().distLabels[1].text, "3,000.0");
    EXPECT_EQ(graph.scene().distLabels[10].text, "7,500.0");
    EXPECT_EQ(graph.scene().distLabels[1].color, graph.axis(Axis::Altitude).Color);
    // The axis records keep the whole flight.
    EXPECT_EQ(graph.axis(Axis::Time).MaxValue, 30);
    EXPECT_EQ(graph.axis(Axis::Altitude).MinValue, 0);

    // Pointer times and the curves use the zoomed axis; about 200 blocks, all in view.
    EXPECT_DOUBLE_EQ(graph.TimeAtX(static_cast<int16_t>(graph.xOfTime(15))), 15);
    int inView = 0;
    for (const Segment& s : graph.scene().curves) {
        if (!s.visible) continue;
        ++inView;
        EXPECT_GE(s.x2, 0);
        EXPECT_LE(s.x1, graph.scene().geometry.areaW);
    }
    EXPECT_GE(inView, 4 * 195);
    EXPECT_LE(inView, 4 * 205);

    // Zoom Out draws the whole flight exactly as before.
    ASSERT_TRUE(graph.zoomOut());
    EXPECT_FALSE(graph.zoomOut());
    EXPECT_EQ(texts(graph.scene().timeLabels), wholeTimes);
    EXPECT_EQ(texts(graph.scene().distLabels), wholeAlt);
    EXPECT_EQ(graph.scene().visibleCurveCount(), wholeSegments);
}

TEST_F(ZoomTest, RangesStayOnTheAxisAndWheelAndPanKeepTheirAnchor) {
    struct Case {
        double t1, t2;
        bool zoomed;
        double first, last;
    } cases[] = {
        {-5, 3, true, 0, 8},           // moved onto the axis, span kept
        {29.99, 30, true, 29.9, 30},   // at least 0.1 s
        {0, 100, false, 0, 30},        // more than the flight: the whole flight
        {0, 0.0 / 0.0, false, 0, 30},  // no number: the whole flight
    };
    for (const Case& c : cases) {
        graph.zoomTo(c.t1, c.t2);
        EXPECT_EQ(graph.isZoomed(), c.zoomed) << c.t1 << ":" << c.t2;
        EXPECT_NEAR(graph.shownTimeRange().first, c.first, 1e-9) << c.t1 << ":" << c.t2;
        EXPECT_NEAR(graph.shownTimeRange().last, c.last, 1e-9) << c.t1 << ":" << c.t2;
    }

    // The wheel keeps the time under the pointer in place.
    const double x = 3000;
    const double before = graph.timeOfX(x);
    ASSERT_TRUE(graph.zoomAround(x, 0.5));
    EXPECT_NEAR(graph.timeOfX(x), before, 1e-9);
    EXPECT_NEAR(graph.shownTimeRange().last - graph.shownTimeRange().first, 15, 1e-9);
    // Panning moves by the time of the distance, and stops at the end.
    const double first = graph.shownTimeRange().first;
    ASSERT_TRUE(graph.panBy(graph.xOfTime(first + 2) - graph.xOfTime(first)));
    EXPECT_NEAR(graph.shownTimeRange().first, first + 2, 1e-9);
    graph.panBy(1e6);
    EXPECT_NEAR(graph.shownTimeRange().last, 30, 1e-9);
    // Out past the whole flight is the whole flight; a new flight ends the zoom.
    EXPECT_TRUE(graph.zoomAround(x, 10));
    EXPECT_FALSE(graph.isZoomed());
    graph.zoomTo(5, 6);
    graph.InitGraph();
    EXPECT_FALSE(graph.isZoomed());
    EXPECT_FALSE(graph.zoomTo(5, 6));  // nothing drawn yet
}

TEST_F(ZoomTest, RulerReadsTheChangeBetweenTwoPoints) {
    test::changeData(graph, [](GraphData& d) { d.units.Distance = 0; });
    slotOf(flight.aAltitude, ui.locate(graph.xOfTime(10)).slot) = 3000;
    slotOf(flight.aAltitude, ui.locate(graph.xOfTime(20)).slot) = 6000;
    EXPECT_EQ(ui.rulerClick(graph.xOfTime(20)), "Ruler from 20.00 s, 6,000.0 ft: Ctrl+click a second point.");
    EXPECT_EQ(ui.rulerClick(graph.xOfTime(20)),
              "Both ruler points are at the same time: Ctrl+click a second point elsewhere.");
    // The second point may lie to the left: the reading runs forward in time.
    const std::string reading = ui.rulerClick(graph.xOfTime(10));
    EXPECT_EQ(reading,
              "From 10.00 s to 20.00 s: time 10.00 s, altitude 3,000.0 ft, mean vertical speed 300.00 ft/s");
    EXPECT_EQ(graph.scene().rulerText.text, reading);
    ASSERT_EQ(graph.scene().rulerMarks.size(), 2u);

    // The marks follow their times through a zoom and hide out of view.
    graph.zoomTo(15, 25);
    ui.followZoom();
    EXPECT_FALSE(graph.scene().rulerMarks[1].visible);  // 10 s
    EXPECT_TRUE(graph.scene().rulerMarks[0].visible);
    EXPECT_NEAR(graph.scene().rulerMarks[0].x, graph.xOfTime(20), 1e-9);

    // A third point starts a new measurement.
    ui.rulerClick(graph.xOfTime(16));
    EXPECT_EQ(graph.scene().rulerMarks.size(), 1u);
    ui.reset();
    EXPECT_FALSE(graph.scene().rulerText.visible);
    EXPECT_TRUE(graph.scene().rulerMarks.empty());
}

TEST_F(ZoomTest, PointerValuesWithTheirUnitsAndAfterAZoom) {
    test::changeData(graph, [](GraphData& d) { d.units = {.Distance = 1, .Velocity = 2}; });
    const int slot = ui.locate(graph.xOfTime(10)).slot;
    slotOf(flight.aAccel, slot) = 1.5;
    slotOf(flight.aVelocity, slot) = 2002;
    slotOf(flight.aAltitude, slot) = 3003;
    ui.mouseMove(graph.xOfTime(10));
    EXPECT_EQ(ui.pointerStatus,
              "Time 10 s    Accel 1.50 G    Velocity 2,002.00 km/h    Altitude 3,003.0 m    Thrust 1.0 N");

    // A selection zooms in; the pointer stays on its time.
    ui.dragSelection(graph.xOfTime(12), graph.xOfTime(8));
    EXPECT_TRUE(graph.scene().selection.visible);
    ASSERT_TRUE(ui.finishSelection(graph.xOfTime(12), graph.xOfTime(8)));
    EXPECT_FALSE(graph.scene().selection.visible);
    EXPECT_NEAR(graph.shownTimeRange().first, 8, 0.01);
    EXPECT_NEAR(graph.scene().pointer.x, graph.xOfTime(10), 1e-9);
}

}  // namespace
}  // namespace tarvel::graph
