#include "graph_interaction.h"

#include <gtest/gtest.h>

#include "graph_test_support.h"

namespace tarvel::graph {
namespace {

// Time axis 0..30 s: x = 2727 twips is 10.00 s, 5454 is 20.00 s.
constexpr double kX10s = 2727;
constexpr double kX20s = 5454;

class GraphInteractionTest : public ::testing::Test {
protected:
    GraphInteractionTest() : graph(), ui(graph) {
        test::showWithUsNumbers(graph, flight);
        test::fillRamp(flight, 3000);
        graph.axis(Axis::Time).MaxValue = 30;
    }
    SampleStore flight;
    LnGraph graph;
    GraphInteraction ui;
};

TEST_F(GraphInteractionTest, LocatesTheSampleUnderThePointer) {
    struct Case {
        double x;
        double time;
        int slot;
    } cases[] = {
        {0, 0, 0},        // t = 0 shows the empty slot before the first sample
        {27.3, 0.1, 11},  // 0.1 s: slot 0 adds no time, so ten samples plus one
        {kX10s, 10, 1001}, {kX20s, 20, 2001},
        {8181, 30, 3000},  {9000, 33, 3000},  // past the last sample the walk stops there
        {-100, -0.37, 0},
    };
    for (const Case& c : cases) {
        GraphInteraction::Location at = ui.locate(c.x);
        EXPECT_DOUBLE_EQ(at.time, c.time) << c.x;
        EXPECT_NEAR(at.slot, c.slot, c.slot > 0 && c.slot < 3000 ? 1 : 0)
            << c.x;  // sums of 0.01 may land either side
    }
}

TEST_F(GraphInteractionTest, ShowsInstantaneousValues) {
    int slot = ui.locate(kX10s).slot;
    slotOf(flight.aAccel, slot) = 0.5;
    slotOf(flight.aVelocity, slot) = 1234.567;
    slotOf(flight.aAltitude, slot) = 123.46;
    slotOf(flight.aThrust, slot) = 7.04;
    ui.mouseMove(kX10s);
    EXPECT_EQ(ui.CurVal[0], "10");
    EXPECT_EQ(ui.CurVal[1], ".50");
    EXPECT_EQ(ui.CurVal[2], "1,234.57");
    EXPECT_EQ(ui.CurVal[3], "123.5");
    EXPECT_EQ(ui.CurVal[4], "7.0");

    ui.mouseMove(27.3);
    EXPECT_EQ(ui.CurVal[0], "0.1");

    const PointerLine& p = graph.scene().pointer;
    EXPECT_TRUE(p.visible);
    EXPECT_DOUBLE_EQ(p.x, 27.3);
    EXPECT_DOUBLE_EQ(p.y1, 0);
    EXPECT_DOUBLE_EQ(p.y2, graph.scene().geometry.areaH);
    EXPECT_EQ(p.color, kWindowTextColor);
}

TEST_F(GraphInteractionTest, MeasuresADescentRateWithTwoRightClicks) {
    for (int k = 980; k <= 1020; ++k) slotOf(flight.aAltitude, k) = 500.04;  // rounded to 500.0 when taken
    for (int k = 1980; k <= 2020; ++k) slotOf(flight.aAltitude, k) = 300;

    EXPECT_EQ(ui.mouseDown(MouseButton::Left, kX10s), "");
    EXPECT_EQ(ui.DescentRateClickIndex, 0);

    EXPECT_EQ(ui.mouseDown(MouseButton::Right, kX10s),
              "Calculate descent rate: Right click a 2nd position to the right.");
    EXPECT_EQ(ui.DescentRateClickIndex, 1);
    EXPECT_DOUBLE_EQ(ui.DescentRateTime1, 10);
    EXPECT_DOUBLE_EQ(ui.DescentRateAlt1, 500);
    EXPECT_EQ(graph.scene().pointer.color, kRedColor);

    // The measurement survives moves and other clicks.
    ui.mouseMove(100);
    EXPECT_EQ(ui.mouseDown(MouseButton::Left, 200), "");
    EXPECT_EQ(ui.DescentRateClickIndex, 1);
    EXPECT_EQ(graph.scene().pointer.color, kRedColor);

    EXPECT_EQ(ui.mouseDown(MouseButton::Right, kX20s), "Descent Rate: 20.00 (ft)/s");
    EXPECT_EQ(ui.DescentRateClickIndex, 0);
    EXPECT_EQ(graph.scene().pointer.color, kWindowTextColor);
    EXPECT_DOUBLE_EQ(graph.scene().pointer.x, kX20s);
}

TEST_F(GraphInteractionTest, RefusesASecondPointAtTheSameTime) {
    test::changeData(graph, [](GraphData& d) { d.units.Distance = 1; });
    for (int k = 980; k <= 1020; ++k) slotOf(flight.aAltitude, k) = 300;
    for (int k = 1980; k <= 2020; ++k) slotOf(flight.aAltitude, k) = 500;
    ui.mouseDown(MouseButton::Right, kX10s);
    // 2728 twips still reads 10.00 s after rounding: same time, no rate.
    std::string refusal = ui.mouseDown(MouseButton::Right, kX10s + 1);
    EXPECT_NE(refusal.find("same time"), std::string::npos) << refusal;
    EXPECT_EQ(ui.DescentRateClickIndex, 1);
    EXPECT_DOUBLE_EQ(ui.DescentRateTime1, 10);
    EXPECT_EQ(graph.scene().pointer.color, kRedColor);
    EXPECT_EQ(ui.CurVal[0], "10");  // values are still shown

    EXPECT_EQ(ui.mouseDown(MouseButton::Right, kX20s), "Descent Rate: -20.00 (m)/s");  // a climb
    EXPECT_EQ(ui.DescentRateClickIndex, 0);
}

}  // namespace
}  // namespace tarvel::graph
