#include "trace_graph.h"

#include <gtest/gtest.h>

#include <QImage>
#include <cmath>

#include "graph_test_support.h"

namespace tarvel::graph {
namespace {

// `n` samples 0.01 s apart of value f(i).
template <typename F>
Trace sampled(std::string name, int n, F f) {
    Trace t;
    t.name = std::move(name);
    for (int i = 0; i < n; ++i) {
        t.time.push_back(i * 0.01);
        t.value.push_back(f(i));
    }
    return t;
}

TEST(ReduceTrace, KeepsEveryColumnsExtremesAndRunsOnToTheEdges) {
    // A saw of 10,000 samples whose single spikes must survive the reduction.
    Trace t = sampled("saw", 10000, [](int i) { return i % 97 == 0 ? 50.0 : double(i % 7); });
    t.value[5000] = -80;  // one low sample in the middle
    const Reduction all = reduceTrace(t, {0, 99.99}, 10, 200);
    EXPECT_LE(all.points.size(), 2u * 200 + 2);
    EXPECT_DOUBLE_EQ(all.lowest, -80);
    EXPECT_DOUBLE_EQ(all.highest, 50);
    auto hasValue = [](const Reduction& r, double v) {
        return std::any_of(r.points.begin(), r.points.end(), [v](const QPointF& p) { return p.y() == v; });
    };
    EXPECT_TRUE(hasValue(all, -80));
    EXPECT_TRUE(hasValue(all, 50));
    for (const QPointF& p : all.points) EXPECT_TRUE(p.x() >= 10 - 1e-6 && p.x() <= 210 + 1e-6) << p.x();

    // Zoomed in to fewer samples than columns: the samples themselves, with
    // one beyond each edge and the offset applied.
    t.offset = 1;
    const Reduction near = reduceTrace(t, {51.0, 51.1}, 0, 100);
    ASSERT_EQ(near.points.size(), 11u + 2);
    EXPECT_LT(near.points.front().x(), 0);
    EXPECT_GT(near.points.back().x(), 100);
    EXPECT_NEAR(near.points[1].x(), 0, 1e-6);  // the sample at 50.00 s of its own time
    EXPECT_DOUBLE_EQ(near.lowest, -80);

    // Values that are no number are left out; an empty range gives nothing.
    t.value[5001] = NAN;
    for (const QPointF& p : reduceTrace(t, {51.0, 51.1}, 0, 100).points) EXPECT_TRUE(std::isfinite(p.y()));
    EXPECT_TRUE(reduceTrace(t, {5, 5}, 0, 100).points.empty());
    EXPECT_FALSE(reduceTrace(t, {500, 600}, 0, 100).inRange);
}

TEST(TraceValueAt, InterpolatesOnTheShownAxisAndStopsAtTheEnds) {
    Trace t = sampled("ramp", 101, [](int i) { return i * 2.0; });
    t.offset = -0.5;
    EXPECT_DOUBLE_EQ(*traceValueAt(t, 0.0), 100);      // own 0.5 s
    EXPECT_NEAR(*traceValueAt(t, -0.495), 1.0, 1e-9);  // halfway between samples
    EXPECT_FALSE(traceValueAt(t, -0.51).has_value());  // before the first sample
    EXPECT_FALSE(traceValueAt(t, 0.51).has_value());   // after the last
    EXPECT_FALSE(traceValueAt(Trace{}, 0).has_value());
}

TEST(TraceGraphZoom, StaysInsideTheTracesAndFollowsTheirOffsets) {
    TraceGraph graph;
    graph.setTraces(
        {sampled("a", 1001, [](int) { return 1.0; }), sampled("b", 501, [](int) { return 2.0; })});
    graph.setOffset(1, 8);  // b now runs 8..13 s
    EXPECT_DOUBLE_EQ(graph.fullRange().first, 0);
    EXPECT_DOUBLE_EQ(graph.fullRange().last, 13);
    EXPECT_FALSE(graph.panBy(1));  // nothing to pan without a zoom

    EXPECT_TRUE(graph.zoomTo(12, 2));
    EXPECT_DOUBLE_EQ(graph.shownRange().first, 2);
    EXPECT_TRUE(graph.panBy(100));  // stops at the end
    EXPECT_DOUBLE_EQ(graph.shownRange().last, 13);
    EXPECT_FALSE(graph.panBy(1));
    EXPECT_TRUE(graph.zoomAround(13, 1e-6));  // no shorter than the main graph's shortest span
    EXPECT_NEAR(graph.shownRange().last - graph.shownRange().first, kMinZoomSpan, 1e-9);

    // Switching b off leaves 0..10 s; the zoom moves inside it.
    graph.setShown(1, false);
    EXPECT_NEAR(graph.shownRange().last, 10, 1e-9);
    EXPECT_TRUE(graph.zoomOut());
    EXPECT_FALSE(graph.isZoomed());
    EXPECT_DOUBLE_EQ(graph.shownRange().last, 10);
}

class TraceGraphPaint : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::ensureGuiApplication(); }
};

TEST_F(TraceGraphPaint, EachTraceInItsColourWithLegendPointerAndGreyedSources) {
    TraceGraph graph;
    Trace low = sampled("low.rcd", 1001, [](int) { return 10.0; });
    Trace high = sampled("high.csv", 1001, [](int) { return 90.0; });
    Trace none;
    none.name = "motor.csv";
    none.hasQuantity = false;
    graph.setTraces({low, high, none});
    graph.setValueAxis("Altitude", "ft", 1);
    graph.setPointer(5.0);
    const QRectF target(0, 0, 800, 500);
    const QImage image = graph.render(target.size().toSize());

    // Each flat trace crosses the middle of the plot at its own height, in its own colour.
    const double x = graph.pixelOfTime(target, 3.0);
    // The first row at x in the hue of `wanted` (the line is antialiased: its
    // pixels are lighter than the colour, but of its hue).
    auto colourNear = [&](const QColor& wanted, const QImage& in) {
        for (int y = 0; y < in.height(); ++y) {
            const QColor c = in.pixelColor(int(x), y);
            const int hues = std::abs(c.hsvHue() - wanted.hsvHue());
            if (c.hsvSaturation() > 50 && std::min(hues, 360 - hues) < 12) return y;
        }
        return -1;
    };
    const int yLow = colourNear(traceColor(0), image), yHigh = colourNear(traceColor(1), image);
    ASSERT_GT(yLow, 0);
    ASSERT_GT(yHigh, 0);
    EXPECT_GT(yLow, yHigh);  // 10 ft below 90 ft
    EXPECT_NE(traceColor(0), traceColor(1));

    EXPECT_EQ(graph.pointerText(), "Time 5.00 s    low.rcd 10.0 ft    high.csv 90.0 ft");
    // Legend entries are found where they are drawn; the greyed one too.
    const QRectF plot = graph.plotRect(target);
    std::vector<size_t> found;
    for (double y = plot.top(); y < plot.top() + 100; y += 2)
        if (auto entry = graph.legendEntryAt(target, {plot.right() - 20, y}))
            if (found.empty() || found.back() != *entry) found.push_back(*entry);
    EXPECT_EQ(found, (std::vector<size_t>{0, 1, 2}));
    // The curve nearest a point is the one a drag grabs.
    EXPECT_EQ(graph.traceNear(target, {x, double(yLow) - 30}), 0u);
    EXPECT_EQ(graph.traceNear(target, {x, double(yHigh) + 30}), 1u);

    // A trace switched off is drawn no more and reads no value.
    graph.setShown(1, false);
    EXPECT_LT(colourNear(traceColor(1), graph.render(target.size().toSize())), 0);
    EXPECT_EQ(graph.pointerText(), "Time 5.00 s    low.rcd 10.0 ft");
}

}  // namespace
}  // namespace tarvel::graph
