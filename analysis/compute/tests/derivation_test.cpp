#include "derivation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "record_samples.h"

namespace tarvel {
namespace {

Derivation derive(const Flight& f, DerivedView view, const SampleArray& previous) {
    return deriveFlight({f.samples, f.details, f.units, view, previous});
}

// The refusals name their reason and give no result; a caller that only
// takes a result keeps the one it had.
TEST(Derivation, RefusalsGiveNoResult) {
    auto f = tarvel::testing::loaded(tarvel::testing::downloadedRecord(150));
    const SampleArray previous = f->samples.aVelocity;

    f->detail(DetailField::txtMotorDuration) = "0";
    Derivation noDuration = derive(*f, DerivedView::AllCurves, previous);
    EXPECT_FALSE(noDuration.status.ok);
    EXPECT_FALSE(noDuration.flight);
    EXPECT_NE(noDuration.status.message.find("\"0\""), std::string::npos);

    f->detail(DetailField::txtMotorDuration) = "0.5";
    slotOf(f->samples.aPressure, 1) = 0;
    EXPECT_FALSE(derive(*f, DerivedView::AllCurves, previous).flight);
    // The burn view divides nothing by the ground pressure.
    EXPECT_TRUE(derive(*f, DerivedView::Burn, previous).flight);

    slotOf(f->samples.aPressure, 1) = 14.7;
    f->detail(DetailField::FileDetailDiameter) = "1e200";  // an area of no finite size
    const Derivation overflow = derive(*f, DerivedView::AllCurves, previous);
    EXPECT_FALSE(overflow.flight);
    EXPECT_NE(overflow.status.message.find("not a number"), std::string::npos);
}

// The drag of the thrust pass comes from the previous velocities given, and
// the burn view hands them back unchanged.
TEST(Derivation, PreviousVelocitiesAreAnInputOfTheThrustAndKeptByTheBurnView) {
    auto f = tarvel::testing::loaded(tarvel::testing::downloadedRecord(150));
    f->detail(DetailField::txtMotorDuration) = "0.505";
    const SampleArray still;  // no velocities yet: every slot reads as zero
    const Derivation first = derive(*f, DerivedView::AllCurves, still);
    ASSERT_TRUE(first.flight);
    ASSERT_TRUE(first.flight->figures);
    EXPECT_GT(first.flight->velocity[50], 50.0);
    EXPECT_EQ(first.flight->thrust[20], derive(*f, DerivedView::AllCurves, still).flight->thrust[20]);

    const Derivation second = derive(*f, DerivedView::AllCurves, first.flight->velocity);
    ASSERT_TRUE(second.flight);
    EXPECT_GT(second.flight->thrust[20], first.flight->thrust[20]);  // drag at the first pass's speed
    EXPECT_EQ(second.flight->velocity, first.flight->velocity);      // velocities do not depend on thrust

    const Derivation burn = derive(*f, DerivedView::Burn, first.flight->velocity);
    ASSERT_TRUE(burn.flight);
    EXPECT_EQ(burn.flight->velocity, first.flight->velocity);
    EXPECT_EQ(burn.flight->thrust, second.flight->thrust);
    EXPECT_EQ(burn.flight->altitude, first.flight->altitude);
    EXPECT_EQ(burn.flight->motorDurationIndex, 52);  // 10 ms samples to 0.51 s, the first past the burn
}

// A burn longer than the flight runs on over the missing slots, which read
// as zero: the steps end where the file's interval ends, the acceleration with
// the last sample, and what is left is the weight term of the burning rocket.
TEST(Derivation, BurnPastTheLastSampleReadsTheMissingSlotsAsZero) {
    auto f = tarvel::testing::loaded("TimeInterval\r\n0.02\r\n" + tarvel::testing::downloadedRecord(60));
    f->detail(DetailField::FileDetailWeight) = "16";
    f->detail(DetailField::FileDetailPropellantWt) = "8";
    f->detail(DetailField::FileDetailCoefficientDrag) = "0";
    f->detail(DetailField::txtMotorDuration) = "100";  // never reached: the steps end at slot 1999
    const Derivation d = derive(*f, DerivedView::AllCurves, f->samples.aVelocity);
    ASSERT_TRUE(d.flight);
    const DerivedFlight& r = *d.flight;
    EXPECT_EQ(r.motorDurationIndex, 19999);
    EXPECT_EQ(r.thrust.size(), 19999u);
    EXPECT_EQ(r.velocity.size(), 61u);
    EXPECT_EQ(r.altitude.size(), 61u);
    // Ounces and newtons: (16 - 8 * elapsed / 100) / 16 lbs, 4.448 N to the pound.
    const double elapsed = 60 * 0.01 + (1999 - 60) * 0.02;
    EXPECT_NEAR(r.thrust[1000], (16 - 8 * (60 * 0.01 + 940 * 0.02) / 100) / 16 * 4.448, 1e-9);
    EXPECT_NEAR(r.thrust[2000], (16 - 8 * elapsed / 100) / 16 * 4.448, 1e-9);
    EXPECT_EQ(r.thrust[19998], r.thrust[2000]);

    // Given the velocities of a longer flight, the drag reads them past this one's end too.
    f->detail(DetailField::FileDetailCoefficientDrag) = "0.5";
    SampleArray longer(19999, 100.0);
    const Derivation dragged = derive(*f, DerivedView::Burn, longer);
    ASSERT_TRUE(dragged.flight);
    EXPECT_GT(dragged.flight->thrust[5000], r.thrust[5000]);
    EXPECT_EQ(dragged.flight->velocity, longer);
}

// Too few samples for the figures: the columns, but no figures.
TEST(Derivation, ShortFlightHasNoFigures) {
    auto f = tarvel::testing::loaded(tarvel::testing::downloadedRecord(100));
    const Derivation d = derive(*f, DerivedView::AllCurves, f->samples.aVelocity);
    ASSERT_TRUE(d.flight);
    EXPECT_FALSE(d.flight->figures);
}

}  // namespace
}  // namespace tarvel
