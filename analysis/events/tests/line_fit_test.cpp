#include "line_fit.h"

#include <gtest/gtest.h>

namespace tarvel::events {
namespace {

// A knee between two exact lines, far from x = 0 (times of a long flight):
// the break falls on the knee and the lines come back exactly.
TEST(LineFits, BreakFallsOnTheKneeBetweenTwoLines) {
    std::vector<double> x, y;
    for (int i = 0; i < 60; ++i) {
        x.push_back(150.0 + 0.01 * i);
        y.push_back(i < 23 ? -3.0 * i : -69.0 + 0.5 * (i - 23));
    }
    const LineFits fits(x, y);
    const Line first = fits.fit(0, 23);
    EXPECT_NEAR(first.slope, -300.0, 1e-6);
    EXPECT_NEAR(first.at(150.0), 0.0, 1e-6);
    EXPECT_NEAR(first.sse, 0.0, 1e-6);
    const std::optional<Break> b = bestBreak(fits, 0, 60, 3);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->index, 23u);
    EXPECT_NEAR(b->right.slope, 50.0, 1e-6);
    // Sums over part of the columns only: the same lines, by the columns' indices.
    const LineFits part(x, y, 20, 40);
    EXPECT_EQ(part.size(), 40u);
    EXPECT_NEAR(part.fit(23, 40).slope, 50.0, 1e-6);
    EXPECT_NEAR(part.fit(23, 40).at(x[30]), y[30], 1e-9);
    EXPECT_EQ(bestBreak(part, 0, 60, 2)->index, 23u);
    // Too short a run for two lines of three samples each.
    EXPECT_FALSE(bestBreak(fits, 10, 15, 3));
    EXPECT_EQ(fits.fit(5, 5).slope, 0.0);
}

// A descent at 6 units a second into rest at 40, with a little noise: the
// knee falls where the two meet, and the joined fit gives both back.
TEST(LineFits, DescentRunsIntoRestAtTheKnee) {
    std::vector<double> t, h;
    for (int i = 0; i < 400; ++i) {
        t.push_back(80.0 + 0.01 * i);
        const double fall = i < 250 ? 6.0 * 0.01 * (250 - i) : 0.0;
        h.push_back(40.0 + fall + (i % 2 ? 0.05 : -0.05));
    }
    const LineFits fits(t, h, 50);
    const Line joined = fits.kneeToFlat(50, 250, 400);
    EXPECT_NEAR(joined.slope, -6.0, 0.01);
    EXPECT_NEAR(joined.intercept, 40.0, 0.01);
    EXPECT_EQ(bestKneeToFlat(fits, 50, 400, 100, 350), 250u);
    EXPECT_LT(joined.sse, fits.kneeToFlat(50, 240, 400).sse);
    EXPECT_EQ(fits.kneeToFlat(50, 50, 400).sse, 0.0);  // no descent before the knee: no fit
}

}  // namespace
}  // namespace tarvel::events
