// Rocket profiles in a user's store of their own (a temporary settings
// folder), and `tarvel --rocket NAME` run as a user would.

#include "rocket_profile.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QTemporaryDir>
#include <fstream>

#include "flight_analysis.h"
#include "rocket_profile_store.h"
#include "run_shell.h"

namespace tarvel {
namespace {

class RocketProfiles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
    }
    void TearDown() override { qunsetenv("XDG_CONFIG_HOME"); }
    std::string storeFile() const { return m_config.path().toStdString() + "/Tarvel/TarvelGraph.conf"; }
    // tarvel with `arguments` and this test's store; standard output and error in `output`.
    int tarvel(const std::string& arguments, std::string& output) const {
        const std::string command = "XDG_CONFIG_HOME='" + m_config.path().toStdString() + "' " +
                                    TARVEL_PROGRAM + " " + arguments + " 2>&1";
        return test::runShell(command, output);
    }

    QTemporaryDir m_config;
};

Flight flightWith(int16_t massUnit, const char* weight, const char* propellant) {
    Flight f;
    f.units.Mass = massUnit;
    f.detail(DetailField::FileDetailWeight) = weight;
    f.detail(DetailField::FileDetailPropellantWt) = propellant;
    f.detail(DetailField::FileDetailDiameter) = "1.64";
    f.detail(DetailField::FileDetailCoefficientDrag) = "0.45";
    f.detail(DetailField::txtMotorDuration) = "1.6";
    return f;
}

TEST_F(RocketProfiles, KeptInSiAndGivenBackInTheFlightsWeightUnit) {
    Status why;
    std::optional<RocketProfile> p = profileOfDetails(flightWith(0, "4.5", "0.44"), why);
    ASSERT_TRUE(p) << why.message;
    p->name = "Sparrow";
    RocketProfileStore store;
    ASSERT_TRUE(store.save(*p).ok);
    const std::optional<RocketProfile> back = store.profile(" SPARROW ");
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, *p);  // through the store's text and back, exactly

    // Typed in ounces, they come back as typed; in grams and pounds converted.
    struct Case {
        int16_t mass;
        const char *weight, *propellant;
    } cases[] = {{0, "4.5", "0.44"}, {1, "0.28125", "0.0275"}, {2, "127.57", "12.474"}};
    for (const auto& c : cases) {
        Flight f;
        f.units.Mass = c.mass;
        applyRocketProfile(*back, f);
        EXPECT_EQ(f.details, flightWith(c.mass, c.weight, c.propellant).details) << c.mass;
    }

    // Saving a name in another case replaces; removing forgets.
    p->name = "sparrow";
    p->weightKg = 0.2;
    ASSERT_TRUE(store.save(*p).ok);
    EXPECT_EQ(store.names(), std::vector<std::string>{"sparrow"});
    EXPECT_EQ(store.profile("Sparrow")->weightKg, 0.2);
    p->name = "alpha";
    ASSERT_TRUE(store.save(*p).ok);
    EXPECT_EQ(store.names(), (std::vector<std::string>{"alpha", "sparrow"}));
    EXPECT_TRUE(store.remove("ALPHA"));
    EXPECT_FALSE(store.remove("alpha"));
    EXPECT_EQ(store.unknownNameMessage("x"), "no rocket profile is named \"x\" (saved: \"sparrow\")");
}

TEST_F(RocketProfiles, WhatIsNoRocketIsRefusedByItsField) {
    struct Case {
        const char *weight, *propellant, *refusal;  // refusal empty: taken
    } cases[] = {
        {"4.5", "0", ""},
        {"4.5", "4.5", ""},
        {"0", "0", "Total Wt must be a number greater than 0 for a rocket profile."},
        {"-2", "0", "Total Wt must be a number greater than 0 for a rocket profile."},
        {"inf", "0", "Total Wt must be a number for a rocket profile; it is \"inf\"."},
        {"", "0", "Total Wt must be a number for a rocket profile; it is empty."},
        {"4.5", "5", "Propellant Wt must be a number from 0 up to the Total Wt for a rocket profile."},
        {"4.5", "-1", "Propellant Wt must be a number from 0 up to the Total Wt for a rocket profile."},
        {"4.5", "1 oz", "Propellant Wt must be a number for a rocket profile; it is \"1 oz\"."},
    };
    for (const auto& c : cases) {
        Status why;
        const bool taken = profileOfDetails(flightWith(0, c.weight, c.propellant), why).has_value();
        EXPECT_EQ(taken, *c.refusal == '\0') << c.weight << " " << c.propellant;
        EXPECT_EQ(why.message, c.refusal);
    }
    Flight noDuration = flightWith(0, "4.5", "0");
    noDuration.detail(DetailField::txtMotorDuration) = "0";
    Status why;
    EXPECT_FALSE(profileOfDetails(noDuration, why));
    EXPECT_EQ(why.message, "Duratation (sec.) must be a number greater than 0 for a rocket profile.");

    RocketProfile p = *profileOfDetails(flightWith(0, "4.5", "0"), why);
    RocketProfileStore store;
    for (const std::string& name :
         std::vector<std::string>{"", "   ", "a\tb", "two\nlines", std::string(65, 'x')}) {
        p.name = name;
        EXPECT_FALSE(store.save(p).ok) << name;
    }
    p.name = std::string(64, 'x');
    EXPECT_TRUE(store.save(p).ok);
    p.name = "\xc3\xa9" + std::string(63, 'x');  // 64 characters in 65 bytes
    EXPECT_TRUE(store.save(p).ok);

    // An entry edited by hand into no rocket is left out, not applied.
    std::ofstream(storeFile(), std::ios::app) << "[rocketProfiles]\n1\\name=Bent\n1\\weight_kg=-1\n"
                                                 "1\\propellant_kg=0\n1\\diameter_m=0.04\n"
                                                 "1\\drag_coefficient=0.5\n1\\motor_duration_s=1\nsize=1\n";
    EXPECT_FALSE(store.contains("Bent"));
}

TEST_F(RocketProfiles, TheCommandLineAppliesOneInItsPlaceAmongTheActions) {
    const std::string flight = std::string(TARVEL_EXAMPLES_DIR) + "/small_motor_downloaded.rcd";
    Status why;
    RocketProfile p = *profileOfDetails(flightWith(2, "130", "12.5"), why);
    p.name = "Sparrow C6";
    ASSERT_TRUE(RocketProfileStore().save(p).ok);

    // The figures are those of the window's model with the profile applied.
    FlightAnalysis model;
    model.numberLocale = *NumberLocale::named("en_US");
    ASSERT_TRUE(model.openRecordFile(flight).ok);
    ASSERT_TRUE(applyRocketProfile(p, model).ok);
    std::string output;
    ASSERT_EQ(tarvel("summary '" + flight + "' --locale en_US --rocket 'sparrow c6'", output), 0) << output;
    EXPECT_NE(output.find("Total Impulse         " + model.figures.TotalImpulse + " (N s)"),
              std::string::npos)
        << output;
    EXPECT_NE(output.find("Total Wt              4.5856 (oz)"), std::string::npos) << output;

    // In the order given: a --set after it wins, one before it does not; the
    // weights follow a unit chosen before.
    ASSERT_EQ(tarvel("summary '" + flight + "' --rocket 'Sparrow C6' --set FileDetailWeight=5", output), 0);
    EXPECT_NE(output.find("Total Wt              5 (oz)"), std::string::npos) << output;
    ASSERT_EQ(tarvel("summary '" + flight + "' --set FileDetailWeight=5 --units mass=g --rocket 'Sparrow C6'",
                     output),
              0);
    EXPECT_NE(output.find("Total Wt              130 (g)"), std::string::npos) << output;

    // A name no profile has is a usage error that names the ones there are.
    EXPECT_EQ(tarvel("summary '" + flight + "' --rocket Falcon", output), 2);
    EXPECT_EQ(
        output.rfind(
            "tarvel summary: --rocket: no rocket profile is named \"Falcon\" (saved: \"Sparrow C6\")\n", 0),
        0u)
        << output;
}

}  // namespace
}  // namespace tarvel
