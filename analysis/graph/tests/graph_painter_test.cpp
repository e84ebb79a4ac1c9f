#include "graph_painter.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>

#include "graph_test_support.h"
#include "ln_graph.h"

namespace tarvel::graph {
namespace {

class GraphPainterTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::ensureGuiApplication(); }
    GraphPainterTest() : graph() {
        test::showWithUsNumbers(graph, flight);
        graph.DrawAxes();
    }
    SampleStore flight;
    LnGraph graph;
};

TEST(ResolveColor, StoredValuesAreBlueGreenRed) {
    QPalette palette;
    palette.setColor(QPalette::Button, QColor(1, 2, 3));
    palette.setColor(QPalette::WindowText, QColor(4, 5, 6));
    EXPECT_EQ(resolveColor(33023, palette), QColor(255, 128, 0));
    EXPECT_EQ(resolveColor(8388608, palette), QColor(0, 0, 128));
    EXPECT_EQ(resolveColor(kRedColor, palette), QColor(255, 0, 0));
    EXPECT_EQ(resolveColor(kButtonFaceColor, palette), QColor(1, 2, 3));
    EXPECT_EQ(resolveColor(kWindowTextColor, palette), QColor(4, 5, 6));
}

TEST(GraphTransform, MapsTwipsToPixelsAndBack) {
    GraphGeometry g;  // panel 11600 x 5520
    GraphTransform fill(g, QRectF(0, 0, 1160, 1104), false);
    EXPECT_DOUBLE_EQ(fill.scaleX(), 0.1);
    EXPECT_DOUBLE_EQ(fill.scaleY(), 0.2);
    EXPECT_EQ(fill.areaToPixel(0, 0), QPointF(260, 0));

    // Keeping the aspect centres the panel in a wide target.
    GraphTransform kept(g, QRectF(10, 0, 2320, 552), true);
    EXPECT_DOUBLE_EQ(kept.scale(), 0.1);
    EXPECT_EQ(kept.panelRect(), QRectF(590, 0, 1160, 552));
    EXPECT_DOUBLE_EQ(kept.areaXFromPixel(590 + 260 + 818.1), 8181);
    EXPECT_NEAR(kept.areaYFromPixel(250), 2500, 1e-9);
}

TEST_F(GraphPainterTest, CurvesGridAndPointerLandOnTheirPixels) {
    // Horizontal accel segment at y = 2505 twips: pixel row 250 at scale 0.1.
    graph.axis(Axis::Accel).MaxValue = 10;
    double v = 10 - (2505 - 500) * 10 / (0.909 * 5000);
    graph.PlotAccel(v, 0.2, v, 1.2, 0);
    ASSERT_NEAR(graph.scene().curve(0)->y1, 2505, 1e-9);
    graph.scene().pointer = {7005, 0, 5000, kRedColor, true};

    QPalette palette;
    palette.setColor(QPalette::Button, QColor(192, 192, 192));
    RenderOptions options;
    options.palette = palette;
    QImage image = renderGraphImage(graph.scene(), QSize(1160, 552), options);
    ASSERT_FALSE(image.isNull());

    const int areaLeft = 260;
    // Curve: x(0.2 s) = 909 twips .. x(1.2 s) = 5454 twips.
    EXPECT_EQ(image.pixelColor(areaLeft + 300, 250), QColor(0, 128, 0));
    EXPECT_EQ(image.pixelColor(areaLeft + 50, 250), Qt::white);               // before the segment starts
    EXPECT_EQ(image.pixelColor(areaLeft + 700, 200), QColor(255, 0, 0));      // pointer at 700.5 px
    EXPECT_EQ(image.pixelColor(areaLeft + 700, 550), QColor(192, 192, 192));  // panel below the area

    // Vertical grid line 1 at areaW / 11 = 818.2 twips (pixel 81.8), in the grid colour.
    QColor grid = image.pixelColor(areaLeft + 81, 300);
    EXPECT_LT(grid.lightness(), 230);
    EXPECT_NE(grid, QColor(0, 128, 0));

    // Some text is drawn where the time caption and the accel labels sit.
    auto inkIn = [&](QRect r) {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) n += image.pixelColor(x, y).lightness() < 100 ? 1 : 0;
        return n;
    };
    EXPECT_GT(inkIn(QRect(areaLeft + 350, 525, 200, 20)), 10);  // "Time (s)"
    EXPECT_GT(inkIn(QRect(areaLeft - 60, 495, 60, 20)), 5);     // "0.000"
}

}  // namespace
}  // namespace tarvel::graph
