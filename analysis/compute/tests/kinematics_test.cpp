#include "kinematics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace tarvel {
namespace {

// A flight with the results of the passes put back into it, as the window
// holds them between recalculations.
struct TestFlight : Flight {
    int16_t MotorDurationIndex = 0;
};

void calculateThrust(TestFlight& f) {
    SampleArray thrust;
    f.MotorDurationIndex = CalculateThrustValues(f.samples, f.details, f.units, f.samples.aVelocity, thrust);
    f.samples.aThrust = std::move(thrust);
}

// The passes of an all-curves recalculation, in their order.
void calculateAll(TestFlight& f) {
    calculateThrust(f);
    SampleArray velocity, altitude;
    CalculateVelocities(f.samples, f.units, velocity);
    CalculateAltitudes(f.samples, f.units, altitude);
    f.samples.aVelocity = std::move(velocity);
    f.samples.aAltitude = std::move(altitude);
}

std::unique_ptr<TestFlight> makeFlight(int samples, double dt) {
    auto fa = std::make_unique<TestFlight>();
    fa->samples.SampleCount = static_cast<int16_t>(samples);
    for (int i = 1; i <= samples; ++i) {
        slotOf(fa->samples.aDeltaTime, i) = dt;
        slotOf(fa->samples.aPressure, i) = 14.7;
    }
    fa->detail(DetailField::FileDetailWeight) = "16.00";
    fa->detail(DetailField::FileDetailPropellantWt) = "0";
    fa->detail(DetailField::FileDetailDiameter) = "2.00";
    fa->detail(DetailField::FileDetailCoefficientDrag) = "0.6";
    fa->detail(DetailField::txtMotorDuration) = "2.0";
    return fa;
}

TEST(Velocity, TenStepsInEachUnit) {
    struct Case {
        int16_t unit;
        double g, step;
    } cases[] = {
        {0, 1, 32.125 * 0.1 * 3600 / 5280},  // about 2.19 mph a step
        {1, 1, 32.125 * 0.1},
        {2, 1, 32.125 * 0.1 * 1.097},
        {3, 2, 2 * 32.125 * 0.1 / 3.281},  // 1 G would fall below 1 m/s at once
    };
    for (const auto& c : cases) {
        auto fa = makeFlight(10, 0.1);
        fa->units.Velocity = c.unit;
        for (int i = 1; i <= 10; ++i) slotOf(fa->samples.aAccel, i) = c.g;
        calculateAll(*fa);
        for (int i = 1; i <= 10; ++i)
            EXPECT_NEAR(at(fa->samples.aVelocity, i), i * c.step, 1e-9) << "unit " << c.unit;
    }
}

TEST(Velocity, StopsAtFirstValueBelowOneAndZeroesLaterSlots) {
    auto fa = makeFlight(6, 1.0);
    auto& s = fa->samples;
    // ft/s: +32.125, then -40 G * 32.125 gives a negative sum stored as its size.
    fa->units.Velocity = 1;
    slotOf(s.aAccel, 1) = 1.0;
    slotOf(s.aAccel, 2) = -1.02;  // 32.125 - 32.7675 = -0.6425 -> 0.6425, below 1
    slotOf(s.aAccel, 3) = 5.0;
    slotOf(s.aVelocity, 3) = 77.0;  // left from an earlier calculation, maybe in another unit
    calculateAll(*fa);
    EXPECT_DOUBLE_EQ(at(s.aVelocity, 1), 32.125);
    EXPECT_NEAR(at(s.aVelocity, 2), 0.6425, 1e-12);
    EXPECT_EQ(at(s.aVelocity, 3), 0.0);
}

TEST(Velocity, UnitChangeLeavesNoVelocityOfTheOldUnit) {
    auto fa = makeFlight(3, 0.1);
    auto& s = fa->samples;
    slotOf(s.aAccel, 1) = 5.0;  // 11 mph after one step, but only 4.9 m/s
    slotOf(s.aAccel, 2) = -4.0;
    slotOf(s.aAccel, 3) = 1.0;
    calculateAll(*fa);
    ASSERT_GT(at(s.aVelocity, 3), 1.0);
    fa->units.Velocity = 3;
    calculateAll(*fa);
    EXPECT_LT(at(s.aVelocity, 2), 1.0);
    EXPECT_EQ(at(s.aVelocity, 3), 0.0);
}

TEST(Velocity, ZeroFirstAccelerationKeepsSeriesAtZero) {
    auto fa = makeFlight(5, 0.1);
    for (int i = 2; i <= 5; ++i) slotOf(fa->samples.aAccel, i) = 3.0;
    calculateAll(*fa);
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(at(fa->samples.aVelocity, i), 0.0);
}

TEST(Altitude, FromPressureRatioInFeetAndMetres) {
    auto fa = makeFlight(3, 0.1);
    auto& s = fa->samples;
    slotOf(s.aPressure, 2) = 14.0;
    slotOf(s.aPressure, 3) = 14.7;
    const double feet = (std::pow(14.0 / 14.7, 1 / 5.255876) - 1) * -145442;
    calculateAll(*fa);
    EXPECT_EQ(at(s.aAltitude, 1), 0.0);
    EXPECT_DOUBLE_EQ(at(s.aAltitude, 2), feet);
    EXPECT_GT(at(s.aAltitude, 2), 1000.0);
    EXPECT_EQ(at(s.aAltitude, 3), 0.0);
    fa->units.Distance = 1;
    calculateAll(*fa);
    EXPECT_DOUBLE_EQ(at(s.aAltitude, 2), feet / 3.281);
}

TEST(Altitude, ZeroGroundPressureGivesNoUndefinedValues) {
    auto fa = makeFlight(3, 0.1);
    slotOf(fa->samples.aPressure, 1) = 0;
    calculateAll(*fa);
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(at(fa->samples.aAltitude, i), 0.0);
}

TEST(Thrust, WeightTermAloneInPoundsAndNewtons) {
    for (int16_t unit : {1, 0}) {
        auto fa = makeFlight(10, 0.5);
        fa->units.Thrust = unit;
        calculateThrust(*fa);
        const double expected = unit == 1 ? 1.0 : 4.448;
        for (int i = 1; i <= 5; ++i) EXPECT_DOUBLE_EQ(at(fa->samples.aThrust, i), expected) << i;
    }
}

TEST(Thrust, PropellantBurnsOffOverTheDuration) {
    auto fa = makeFlight(10, 0.5);
    fa->units.Thrust = 1;
    fa->detail(DetailField::FileDetailPropellantWt) = "2";
    slotOf(fa->samples.aThrust, 6) = -1;  // left by an earlier, longer burn
    calculateThrust(*fa);
    const double weightsOz[] = {15.5, 15, 14.5, 14, 13.5};
    for (int i = 1; i <= 5; ++i) EXPECT_DOUBLE_EQ(at(fa->samples.aThrust, i), weightsOz[i - 1] / 16) << i;
    EXPECT_EQ(at(fa->samples.aThrust, 6), 0.0);
    EXPECT_EQ(fa->MotorDurationIndex, 6);
}

TEST(Thrust, ShorterBurnInAnotherUnitLeavesNoThrustOfTheOldOne) {
    auto fa = makeFlight(10, 0.5);
    fa->detail(DetailField::txtMotorDuration) = "4.0";
    calculateThrust(*fa);  // newtons over nine samples
    ASSERT_DOUBLE_EQ(at(fa->samples.aThrust, 8), 4.448);
    fa->units.Thrust = 1;
    fa->detail(DetailField::txtMotorDuration) = "1.0";
    calculateThrust(*fa);
    EXPECT_EQ(fa->MotorDurationIndex, 4);
    for (int i = 1; i <= 3; ++i) EXPECT_DOUBLE_EQ(at(fa->samples.aThrust, i), 1.0) << i;
    for (int i = 4; i <= kLastSlot; ++i) ASSERT_EQ(at(fa->samples.aThrust, i), 0.0) << i;
}

TEST(Thrust, MassTermUsesLiftOffWeightInEachMassUnit) {
    struct Case {
        int16_t mass;
        const char *weight, *propellant;
        double liftOffLbs, burningLbs;
    } cases[] = {
        {0, "16", "2", 1.0, 15.5 / 16},
        {1, "1", "0.125", 1.0, (1 - 0.125 * 0.25)},
        {2, "500", "100", 500 / 1000.0 * 2.2, (500 - 25) / 1000.0 * 2.2},
    };
    for (const auto& c : cases) {
        auto fa = makeFlight(10, 0.5);
        fa->units.Thrust = 1;
        fa->units.Mass = c.mass;
        fa->detail(DetailField::FileDetailWeight) = c.weight;
        fa->detail(DetailField::FileDetailPropellantWt) = c.propellant;
        slotOf(fa->samples.aAccel, 1) = 2.0;
        calculateThrust(*fa);
        EXPECT_NEAR(at(fa->samples.aThrust, 1), c.liftOffLbs / 32.17 * 2.0 * 32.125 + c.burningLbs, 1e-12)
            << c.mass;
    }
}

TEST(Drag, HundredMphTwoInchBody) {
    auto fa = makeFlight(1, 0.1);
    const double area = 3.1416 / 39.37;
    const double expected = 0.6 * 0.5 * 1.2 * area * 44.72 * 44.72 / 4.45 / 32.17;
    EXPECT_NEAR(CalculateDragForce(fa->details, 100), expected, 1e-12);
    EXPECT_EQ(CalculateDragForce(fa->details, 0), 0.0);
}

TEST(Thrust, DragFromPreviousVelocityConvertedToMph) {
    auto fa = makeFlight(10, 0.5);
    fa->units.Thrust = 1;
    fa->units.Velocity = 1;  // ft/s
    slotOf(fa->samples.aVelocity, 1) = 146.7;
    calculateThrust(*fa);
    EXPECT_DOUBLE_EQ(at(fa->samples.aThrust, 1), 1.0);  // slot 0 is never a velocity
    EXPECT_DOUBLE_EQ(at(fa->samples.aThrust, 2), 1.0 + CalculateDragForce(fa->details, 146.7 * 0.6818));
}

TEST(Thrust, SecondRecalculationAddsDragOfNewVelocities) {
    auto fa = makeFlight(300, 0.01);
    for (int i = 1; i <= 300; ++i) slotOf(fa->samples.aAccel, i) = 10.0;
    calculateAll(*fa);
    const double firstThrust = at(fa->samples.aThrust, 50), firstVelocity = at(fa->samples.aVelocity, 50);
    calculateAll(*fa);
    EXPECT_EQ(at(fa->samples.aVelocity, 50), firstVelocity);
    EXPECT_GT(at(fa->samples.aThrust, 50), firstThrust);
}

TEST(Thrust, DurationWithoutBurnLeavesNoThrust) {
    for (const char* duration : {"0", "", "abc", "-1"}) {
        auto fa = makeFlight(10, 0.5);
        fa->detail(DetailField::txtMotorDuration) = duration;
        slotOf(fa->samples.aThrust, 1) = 7;
        calculateThrust(*fa);
        EXPECT_EQ(fa->MotorDurationIndex, 1) << duration;
        EXPECT_EQ(at(fa->samples.aThrust, 1), 0.0) << duration;
    }
}

TEST(Thrust, BurnLongerThanRecordRunsToTheLastBurnSlot) {
    auto fa = makeFlight(10, 0.5);
    fa->detail(DetailField::txtMotorDuration) = "100";
    calculateThrust(*fa);
    EXPECT_EQ(fa->MotorDurationIndex, 19999);
    EXPECT_TRUE(std::isfinite(at(fa->samples.aThrust, 19998)));
}

TEST(MotorClass, BandsGapsAndPounds) {
    struct Case {
        double impulse;
        int16_t unit;
        const char* letter;
    } cases[] = {
        {1.2499, 0, ""},   {1.25, 0, "A"}, {2.5, 0, "A"},    {2.505, 0, ""},   {2.51, 0, "B"},
        {100, 0, "G"},     {320, 0, "H"},  {320.005, 0, ""}, {640.01, 0, "J"}, {81920, 0, "P"},
        {81920.01, 0, ""}, {40, 1, "H"},   {0, 0, ""},       {-5, 0, ""},      {NAN, 0, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(MotorClass(c.impulse, c.unit), c.letter) << c.impulse;
}

}  // namespace
}  // namespace tarvel
