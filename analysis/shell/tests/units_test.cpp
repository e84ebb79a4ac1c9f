#include "units.h"

#include <gtest/gtest.h>

#include <memory>

#include "flight_analysis.h"
#include "kinematics.h"

namespace tarvel {
namespace {

// No record loaded: "&OK" converts and relabels without recalculating, which
// lets these tests see the converted texts themselves.
std::unique_ptr<FlightAnalysis> unloaded(const char* locale = "en_US") {
    auto fa = std::make_unique<FlightAnalysis>();
    fa->numberLocale = *NumberLocale::named(locale);
    fa->bValidFile = false;
    return fa;
}

UnitSelection with(const UnitSelection& base, UnitGroup group, int16_t index) {
    UnitSelection u = base;
    switch (group) {
        case UnitGroup::Distance:
            u.Distance = index;
            break;
        case UnitGroup::Velocity:
            u.Velocity = index;
            break;
        case UnitGroup::Thrust:
            u.Thrust = index;
            break;
        case UnitGroup::Mass:
            u.Mass = index;
            break;
    }
    return u;
}

TEST(UnitNames, NamesTagsAndIndices) {
    EXPECT_EQ(unitIndex(UnitGroup::Velocity, "km/h"), 2);
    EXPECT_EQ(unitIndex(UnitGroup::Velocity, "(m/s)"), 3);
    EXPECT_EQ(unitIndex(UnitGroup::Mass, "g"), 2);
    EXPECT_EQ(unitIndex(UnitGroup::Distance, "yd"), std::nullopt);
    EXPECT_EQ(unitTag(UnitGroup::Thrust, 0), "(N)");
    EXPECT_EQ(unitTag(UnitGroup::Mass, 3), "");
}

TEST(ApplyUnits, FiguresAreCutNotRounded) {
    struct Step {
        UnitGroup group;
        int16_t to;
        std::string FigureTexts::*figure;
        const char *before, *after;
    } steps[] = {
        {UnitGroup::Velocity, 2, &FigureTexts::MaxVelocity, "100.0", "160.9"},
        {UnitGroup::Velocity, 0, &FigureTexts::MaxVelocity, "160.9", "99.9"},  // 99.98326
        {UnitGroup::Distance, 1, &FigureTexts::MaxAltitude, "10.0", "3.0"},    // 3.048
        {UnitGroup::Distance, 0, &FigureTexts::MaxAltitude, "1,234.5", "4050.3"},
        {UnitGroup::Thrust, 1, &FigureTexts::AveThrust, "44.48", "10"},
        {UnitGroup::Thrust, 1, &FigureTexts::MaxThrust, "12.34", "12.3"},  // unchanged unit still cuts
        {UnitGroup::Thrust, 0, &FigureTexts::TotalImpulse, ".50", "2.2"},
    };
    auto fa = unloaded();
    for (const auto& st : steps) {
        fa->figures.*st.figure = st.before;
        ASSERT_TRUE(fa->applyUnits(with(fa->units, st.group, st.to)).ok);
        EXPECT_EQ(fa->figures.*st.figure, st.after) << st.before;
    }
}

TEST(ApplyUnits, WeightsCutToThreeDecimalsAndRoundTrip) {
    auto fa = unloaded();
    fa->detail(DetailField::FileDetailWeight) = "16.00";
    fa->detail(DetailField::FileDetailPropellantWt) = "2.0";
    ASSERT_TRUE(fa->applyUnits(with(fa->units, UnitGroup::Mass, 1)).ok);
    EXPECT_EQ(fa->detail(DetailField::FileDetailWeight), "1");
    EXPECT_EQ(fa->detail(DetailField::FileDetailPropellantWt), "0.125");
    EXPECT_EQ(fa->captions.lblUnitsMass, "(lbs)");
    ASSERT_TRUE(fa->applyUnits(with(fa->units, UnitGroup::Mass, 0)).ok);
    EXPECT_EQ(fa->detail(DetailField::FileDetailWeight), "16");
    ASSERT_TRUE(fa->applyUnits(with(fa->units, UnitGroup::Mass, 2)).ok);
    EXPECT_EQ(fa->detail(DetailField::FileDetailWeight), "453.6");
    EXPECT_EQ(fa->detail(DetailField::FileDetailPropellantWt), "56.7");
    ASSERT_TRUE(fa->applyUnits(with(fa->units, UnitGroup::Mass, 0)).ok);
    EXPECT_EQ(fa->detail(DetailField::FileDetailPropellantWt), "1.999");  // 56.7 * 0.03527 = 1.999809
}

TEST(ApplyUnits, RelabelsEveryGroup) {
    auto fa = unloaded();
    ASSERT_TRUE(fa->applyUnits({1, 3, 0, 2}).ok);
    EXPECT_EQ(fa->captions.lblAltitude, "(m)");
    EXPECT_EQ(fa->captions.lblVelocity, "(m/s)");
    EXPECT_EQ(fa->captions.lblUnitsThrust, "(N)");
    EXPECT_EQ(fa->captions.lblUnitsMass, "(g)");
    EXPECT_EQ(fa->units.Velocity, 3);
    EXPECT_EQ(fa->units.Mass, 2);
}

TEST(ApplyUnits, NonNumericTextsAreLeftAlone) {
    auto fa = unloaded();
    fa->figures.MaxVelocity = "";
    fa->figures.MaxAccel = "1.23";  // acceleration is always in G
    fa->detail(DetailField::FileDetailWeight) = "heavy";
    ASSERT_TRUE(fa->applyUnits({0, 2, 1, 1}).ok);
    EXPECT_EQ(fa->figures.MaxVelocity, "");
    EXPECT_EQ(fa->figures.MaxAccel, "1.23");
    EXPECT_EQ(fa->detail(DetailField::FileDetailWeight), "heavy");
}

TEST(ApplyUnits, CommaLocaleFigures) {
    auto fa = unloaded("de_DE");
    fa->figures.MaxAltitude = "1.234,5";
    ASSERT_TRUE(fa->applyUnits(with(fa->units, UnitGroup::Distance, 1)).ok);
    EXPECT_EQ(fa->figures.MaxAltitude, "376,2");  // 376.2756
    ASSERT_TRUE(fa->applyUnits(fa->units).ok);
    EXPECT_EQ(fa->figures.MaxAltitude, "376,2");
}

TEST(ApplyUnits, OutOfRangeSelectionChangesNothing) {
    auto fa = unloaded();
    fa->figures.MaxVelocity = "100.0";
    EXPECT_FALSE(fa->applyUnits({0, 4, 0, 0}).ok);
    EXPECT_FALSE(fa->applyUnits({0, 0, 0, -1}).ok);
    EXPECT_EQ(fa->figures.MaxVelocity, "100.0");
    EXPECT_EQ(fa->units.Velocity, 0);
}

std::unique_ptr<FlightAnalysis> loaded(int samples) {
    auto fa = unloaded();
    fa->bValidFile = true;
    fa->samples.SampleCount = static_cast<int16_t>(samples);
    for (int i = 1; i <= samples; ++i) {
        slotOf(fa->samples.aDeltaTime, i) = 0.01;
        slotOf(fa->samples.aPressure, i) = 14.7 - i * 0.001;
        slotOf(fa->samples.aAccel, i) = 5.0;
    }
    return fa;
}

TEST(ApplyUnits, LoadedRecordIsRecalculatedInTheNewUnits) {
    auto fa = loaded(150);
    ASSERT_TRUE(fa->RecalculateGraph().ok);
    const std::string mph = fa->figures.MaxVelocity;
    ASSERT_TRUE(fa->applyUnits(with(fa->units, UnitGroup::Velocity, 2)).ok);
    EXPECT_DOUBLE_EQ(at(fa->samples.aVelocity, 1), 5.0 * 32.125 * 0.01 * 1.097);
    // The summary wrote the figure again, rounded, instead of the cut text.
    EXPECT_EQ(fa->figures.MaxVelocity, "262.5");  // 149 steps of 1.762 km/h
    EXPECT_NE(fa->figures.MaxVelocity, mph);
}

TEST(ApplyUnits, RefusedRecalculationUndoesTheChange) {
    auto fa = loaded(150);
    fa->detail(DetailField::FileDetailWeight) = "16.00";
    fa->figures.MaxVelocity = "100.0";
    fa->detail(DetailField::txtMotorDuration) = "0";
    const Status status = fa->applyUnits({1, 2, 1, 1});
    EXPECT_FALSE(status.ok);
    EXPECT_FALSE(status.message.empty());
    EXPECT_EQ(fa->units.Velocity, 0);
    EXPECT_EQ(fa->units.Mass, 0);
    EXPECT_EQ(fa->captions.lblVelocity, "(mph)");
    EXPECT_EQ(fa->figures.MaxVelocity, "100.0");
    EXPECT_EQ(fa->detail(DetailField::FileDetailWeight), "16.00");
}

TEST(ApplyUnits, DragOfTheNextPassSeesThePreviousVelocitiesInTheNewUnit) {
    auto fa = loaded(150);
    fa->detail(DetailField::txtMotorDuration) = "1.2";
    ASSERT_TRUE(fa->RecalculateGraph().ok);
    ASSERT_TRUE(fa->RecalculateGraph().ok);  // now the thrust carries drag
    const SampleArray thrustInMph = fa->samples.aThrust;
    const SampleArray velocityMph = fa->samples.aVelocity;

    // Switching the velocity unit leaves the thrust (and its figures) alone.
    ASSERT_TRUE(fa->applyUnits(with(fa->units, UnitGroup::Velocity, 3)).ok);
    for (int i = 1; i <= 120; ++i)
        EXPECT_NEAR(at(fa->samples.aThrust, i), at(thrustInMph, i), 1e-9 + 0.01 * at(thrustInMph, i)) << i;

    // A refused change leaves the velocities as they were.
    ASSERT_TRUE(fa->applyUnits(with(fa->units, UnitGroup::Velocity, 0)).ok);
    const SampleArray before = fa->samples.aVelocity;
    fa->detail(DetailField::txtMotorDuration) = "0";
    ASSERT_FALSE(fa->applyUnits(with(fa->units, UnitGroup::Velocity, 2)).ok);
    EXPECT_EQ(fa->samples.aVelocity, before);
    EXPECT_NEAR(before[100], velocityMph[100], 0.01 * velocityMph[100]);
}

}  // namespace
}  // namespace tarvel
