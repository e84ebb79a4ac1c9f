#include "summary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "flight_analysis.h"

namespace tarvel {
namespace {

// The figures of the columns held, shown as the window shows them.
void DisplayAllKnownValues(FlightAnalysis& fa) {
    const SampleStore& s = fa.samples;
    if (auto f = summarizeFlight(s, s.aVelocity, s.aAltitude, s.aThrust, fa.details, fa.units))
        showFigures(fa.figures, *f, fa.numberLocale);
}

std::unique_ptr<FlightAnalysis> makeFlight(int samples, double dt, const char* locale = "en_US") {
    auto fa = std::make_unique<FlightAnalysis>();
    fa->numberLocale = *NumberLocale::named(locale);
    fa->samples.SampleCount = static_cast<int16_t>(samples);
    for (int i = 1; i <= samples; ++i) slotOf(fa->samples.aDeltaTime, i) = dt;
    fa->detail(DetailField::txtMotorDuration) = "2.0";
    fa->units.Thrust = 0;
    return fa;
}

TEST(Summary, HundredSamplesChangeNothingHundredAndOneSummariseAllButTheLast) {
    auto fa = makeFlight(100, 0.01);
    slotOf(fa->samples.aAccel, 50) = 4.0;
    fa->figures.MaxAccel = "x";
    DisplayAllKnownValues(*fa);
    EXPECT_EQ(fa->figures.MaxAccel, "x");
    EXPECT_EQ(fa->figures.Label5, "Ave Thrust-");

    fa = makeFlight(101, 0.01);
    slotOf(fa->samples.aAccel, 100) = 4.0;
    slotOf(fa->samples.aAccel, 101) = 9.0;  // the last sample is never visited
    slotOf(fa->samples.aAccel, 7) = -1.5;
    slotOf(fa->samples.aAltitude, 5) = 3.0;  // not above 3 ft: no velocity at 3 ft
    slotOf(fa->samples.aVelocity, 5) = 50;
    DisplayAllKnownValues(*fa);
    EXPECT_EQ(fa->figures.MaxAccel, "4.00");
    EXPECT_EQ(fa->figures.MinAccel, "-1.50");
    EXPECT_EQ(fa->figures.Velocity3Ft, ".0");
}

TEST(Summary, ImpulseWindowEndsBeforeTheSampleReachingTheDuration) {
    auto fa = makeFlight(120, 0.5);
    for (int i = 1; i <= 5; ++i) slotOf(fa->samples.aThrust, i) = 10.0;  // what the thrust pass writes
    DisplayAllKnownValues(*fa);
    // Running times 0.5, 1.0, 1.5 count; 2.0 equals the duration and does not.
    EXPECT_EQ(fa->figures.TotalImpulse, "15.0");
    EXPECT_EQ(fa->figures.AveThrust, "7.50");
    EXPECT_EQ(fa->figures.MaxThrust, "10.00");
    EXPECT_EQ(fa->figures.Label5, "Ave Thrust-D");
}

TEST(Summary, ClassLetterFollowsThrustUnit) {
    struct Case {
        int16_t unit;
        double thrust;
        const char* label;
    } cases[] = {{0, 100, "Ave Thrust-G"}, {1, 40, "Ave Thrust-H"}, {0, 0.5, "Ave Thrust-"}};
    for (const auto& c : cases) {
        auto fa = makeFlight(200, 1.0);
        fa->units.Thrust = c.unit;
        slotOf(fa->samples.aThrust, 1) = c.thrust;
        DisplayAllKnownValues(*fa);
        EXPECT_EQ(fa->figures.Label5, c.label);
    }
}

TEST(Summary, VelocityAtThreeFeetAndFormatting) {
    auto fa = makeFlight(150, 0.01);
    auto& s = fa->samples;
    slotOf(s.aAltitude, 10) = 2.9;
    slotOf(s.aAltitude, 11) = 3.1;
    slotOf(s.aVelocity, 10) = 30.04;
    slotOf(s.aVelocity, 11) = 33.25;
    slotOf(s.aVelocity, 40) = 1234.56;
    slotOf(s.aAltitude, 60) = 1234.5;
    slotOf(s.aAccel, 3) = 0.5;
    DisplayAllKnownValues(*fa);
    EXPECT_EQ(fa->figures.Velocity3Ft, "33.3");  // figures round to their decimals
    EXPECT_EQ(fa->figures.MaxVelocity, "1,234.6");
    EXPECT_EQ(fa->figures.MaxAltitude, "1,234.5");
    EXPECT_EQ(fa->figures.MaxAccel, ".50");
    EXPECT_EQ(fa->figures.MinAccel, ".00");

    // In metres the threshold is 3 / 3.281, about 0.914.
    fa = makeFlight(150, 0.01, "de_DE");
    fa->units.Distance = 1;
    slotOf(fa->samples.aAltitude, 5) = 0.9;
    slotOf(fa->samples.aAltitude, 6) = 0.95;
    slotOf(fa->samples.aVelocity, 5) = 11;
    slotOf(fa->samples.aVelocity, 6) = 12;
    slotOf(fa->samples.aAltitude, 70) = 2000.25;
    DisplayAllKnownValues(*fa);
    EXPECT_EQ(fa->figures.Velocity3Ft, "12,0");
    EXPECT_EQ(fa->figures.MaxAltitude, "2.000,3");
}

TEST(Summary, ZeroOrMissingDurationShowsNoUndefinedFigures) {
    for (const char* duration : {"0", "", "abc"}) {
        auto fa = makeFlight(150, 0.01);
        fa->detail(DetailField::txtMotorDuration) = duration;
        slotOf(fa->samples.aThrust, 1) = 5;
        DisplayAllKnownValues(*fa);
        EXPECT_EQ(fa->figures.AveThrust, ".00") << duration;
        EXPECT_EQ(fa->figures.TotalImpulse, ".0") << duration;
        EXPECT_EQ(fa->figures.MaxThrust, "5.00") << duration;
    }
}

TEST(Summary, NonFiniteValueKeepsPreviousText) {
    auto fa = makeFlight(150, 0.01);
    fa->figures.MaxThrust = "9.99";
    fa->figures.TotalImpulse = "1.0";
    slotOf(fa->samples.aThrust, 2) = INFINITY;
    DisplayAllKnownValues(*fa);
    EXPECT_EQ(fa->figures.MaxThrust, "9.99");
    EXPECT_EQ(fa->figures.TotalImpulse, "1.0");
    EXPECT_EQ(fa->figures.MaxAccel, ".00");
}

}  // namespace
}  // namespace tarvel
