#include "motor_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

#include "flight_analysis.h"

namespace tarvel {
namespace {

std::unique_ptr<FlightAnalysis> makeFlight(int samples, double dt) {
    auto fa = std::make_unique<FlightAnalysis>();
    fa->numberLocale = *NumberLocale::named("en_US");
    fa->samples.SampleCount = static_cast<int16_t>(samples);
    for (int i = 1; i <= samples; ++i) slotOf(fa->samples.aDeltaTime, i) = dt;
    fa->units.Thrust = 0;
    return fa;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t eol; (eol = text.find("\r\n", start)) != std::string::npos; start = eol + 2)
        out.push_back(text.substr(start, eol - start));
    EXPECT_EQ(start, text.size()) << "every line ends with CR LF";
    return out;
}

// Data point lines only: the two header lines dropped.
std::vector<std::string> points(const FlightAnalysis& fa, double burnTime) {
    MotorExportDialog dialog;
    dialog.dblBurnTime = burnTime;
    auto all = lines(motorFileText(fa, dialog));
    return {all.begin() + 2, all.end()};
}

TEST(MotorFile, HeaderLines) {
    auto fa = makeFlight(10, 0.1);
    MotorExportDialog dialog{0.5, " 29.0", "1.24e2", "3.5", "", "F23", 60};
    auto all = lines(motorFileText(*fa, dialog));
    ASSERT_GE(all.size(), 3u);
    EXPECT_EQ(all[0], "; Tarvel-Rocket produced motor file for F23");
    EXPECT_EQ(all[1], "F23 29 124 P 0.09922 0.000 EX");  // sizes as plain numbers: one field each

    // The flight's name and date tell several exports apart; a line break in them stays in the comment.
    struct Case {
        const char *name, *date, *comment;  // comment empty: no such line
    } cases[] = {{"Sparrow", "April 14", "; Flight: Sparrow, April 14"},
                 {"Sparrow", "", "; Flight: Sparrow"},
                 {"", "2026-05-02", "; Flight: 2026-05-02"},
                 {"Two\r\nlines", "", "; Flight: Two  lines"},
                 {"", "", ""}};
    for (const auto& c : cases) {
        fa->detail(DetailField::FileDetailName) = c.name;
        fa->detail(DetailField::FileDetailDate) = c.date;
        all = lines(motorFileText(*fa, dialog));
        EXPECT_EQ(all[1], *c.comment ? std::string(c.comment) : all[1]) << c.name;
        EXPECT_EQ(all[*c.comment ? 2 : 1].rfind("F23 ", 0), 0u) << c.name;
    }
}

TEST(MotorFile, FieldsSimulatorsWouldRejectAreRefusedByName) {
    auto fa = makeFlight(10, 0.1);
    struct Case {
        const char *diameter, *length, *propellant, *total;
        const char* named;  // empty: accepted
    } cases[] = {
        {"29", "124", "3.5", "5", ""},
        {"29", "124", "3.5", "3.5", ""},                  // a motor of propellant only
        {"29", "124", "", "", "Propellant Weight (oz)"},  // a mass of 0 kg is divided by
        {"29", "124", "0", "1", "Propellant Weight (oz)"},
        {"29", "124", "1e-12", "1", "Propellant Weight (oz)"},  // written as 0.000000000
        {"29", "124", "0.00988", "0.1", ""},                    // 0.28 g: 0.0002801 kg
        {"", "124", "3.5", "5", "Motor Diameter (mm)"},
        {"29 mm", "124", "3.5", "5", "Motor Diameter (mm)"},
        {"0", "124", "3.5", "5", "Motor Diameter (mm)"},
        {"29", "", "3.5", "5", "Length (mm)"},
        {"29", "-124", "3.5", "5", "Length (mm)"},
        {"29", "124\r\n0.5 1000", "3.5", "5", "Length (mm)"},  // a line break would add a data point
        {"29", "inf", "3.5", "5", "Length (mm)"},
        {"29", "124", "3.5", "", "Total Motor Weight (oz)"},  // would be written 0.000
        {"29", "124", "3.5", "3.4", "Total Motor Weight (oz)"},
        {"29", "124", "-1", "", "Propellant Weight (oz)"},
        // Beyond any motor: the header's fields would not hold their text.
        {"10001", "124", "3.5", "5", "Motor Diameter (mm)"},
        {"29", "1e300", "3.5", "5", "Length (mm)"},
        {"29", "124", "1e100", "1e101", "Propellant Weight (oz)"},
        {"29", "124", "3.5", "100001", "Total Motor Weight (oz)"},
        {"29", "124", "100000", "100000", ""},
    };
    for (const auto& c : cases) {
        MotorExportDialog dialog{0.5, c.diameter, c.length, c.propellant, c.total, "F23", 60};
        const Status status = checkMotorExport(*fa, dialog);
        SCOPED_TRACE(std::string(c.diameter) + " | " + c.length + " | " + c.propellant + " | " + c.total);
        EXPECT_EQ(status.ok, *c.named == '\0') << status.message;
        if (*c.named) {
            EXPECT_EQ(status.message.rfind(c.named, 0), 0u) << status.message;
        }
    }

    // A refused export leaves an existing file alone.
    namespace fs = std::filesystem;
    const fs::path target = fs::path(testing::TempDir()) / "motor_file_refused.eng";
    std::ofstream(target, std::ios::binary) << "kept";
    MotorExportDialog empty{0.5, "", "", "3.5", "", "F23", 60};
    EXPECT_FALSE(exportMotorFile(*fa, empty, target.string()).ok);
    std::ifstream in(target, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "kept");
    fs::remove(target);

    // A flight without time steps has no curve to write.
    auto timeless = makeFlight(10, 0);
    EXPECT_FALSE(checkMotorExport(*timeless, {0.5, "29", "124", "1", "2", "F23", 60}).ok);

    // A burn or an impulse of nothing used to give a curve of two or three points.
    for (double burn : {0.0, -1.0}) {
        const Status status = checkMotorExport(*fa, {burn, "29", "124", "1", "2", "F23", 60});
        EXPECT_EQ(status.message.rfind("Duratation (sec.) must be greater than 0", 0), 0u) << status.message;
    }
    for (double impulse : {0.0, -3.0}) {
        const Status status = checkMotorExport(*fa, {0.5, "29", "124", "1", "2", "0", impulse});
        EXPECT_NE(status.message.find("Total Impulse must be greater than 0"), std::string::npos)
            << status.message;
    }
}

TEST(MotorFile, MassTextFromLeadingNumberOfOunces) {
    struct Case {
        const char *ounces, *kg;
    } cases[] = {
        {"3.5", "0.09922"},
        {"", "0.000"},
        {"abc", "0.000"},
        {"3.5 oz", "0.09922"},
        {" 10", "0.2835"},
        {"1e1", "0.2835"},
        {"2e", "0.05670"},
        {"1e999", "0.000"},
        {"0.00988", "0.0002801"},  // 0.28 g: no longer 0.000
        {"35.274", "1.000"},
        {"100", "2.835"},
        {"1000", "28.350"},  // from 1 kg on, three decimals as
                             // before
        {"1e-12", "0.000000000"},
    };
    for (const auto& c : cases) EXPECT_EQ(motorMassText(c.ounces), c.kg) << c.ounces;
}

TEST(MotorFile, EverySampleOfAShortBurnAtFourHundredthsOfASecond) {
    auto fa = makeFlight(40, 0.04);
    slotOf(fa->samples.aThrust, 1) = 12.3456;
    slotOf(fa->samples.aThrust, 32) = 7.5;
    slotOf(fa->samples.aThrust, 33) = 99;
    auto p = points(*fa, 1.21);
    // The burn search passes 1.21 s after sample 31, so n is 32 and the stride 2.
    ASSERT_EQ(p.size(), 33u);
    EXPECT_EQ(p[0], "0.04 12.34");
    EXPECT_EQ(p[1], "0.08 0");
    EXPECT_EQ(p[31], "1.28 7.5");
    EXPECT_EQ(p[32], "1.32 0.00");  // closing point at the time of sample 33
}

TEST(MotorFile, StrideThreeWritesEveryOtherSample) {
    auto fa = makeFlight(80, 0.1);
    for (int i = 1; i <= 80; ++i) slotOf(fa->samples.aThrust, i) = i;
    auto p = points(*fa, 4.95);  // n = 51, 51 / 20 = 2.55 -> 3
    ASSERT_EQ(p.size(), 27u);
    EXPECT_EQ(p[0], "0.1 1");
    EXPECT_EQ(p[1], "0.3 3");
    EXPECT_EQ(p[2], "0.5 5");
    EXPECT_EQ(p[25], "5.1 51");
    EXPECT_EQ(p[26], "5.2 0.00");
}

TEST(MotorFile, ShortBurnIsWrittenSampleBySample) {
    auto fa = makeFlight(100, 0.1);
    auto p = points(*fa, 0.5);  // n = 7: a stride of 0 would write one point only
    ASSERT_EQ(p.size(), 8u);
    EXPECT_EQ(p[6], "0.7 0");
    EXPECT_EQ(p[7], "0.8 0.00");
}

TEST(MotorFile, BurnReachingTheLastSampleStopsThere) {
    auto fa = makeFlight(10, 0.1);
    for (double burn : {100.0, 0.95, 1.0}) {
        auto p = points(*fa, burn);
        ASSERT_EQ(p.size(), 11u) << burn;  // samples 1..10 and the closing point one step later
        EXPECT_EQ(p[9], "1 0") << burn;
        EXPECT_EQ(p[10], "1.1 0.00") << burn;
    }

    auto full = makeFlight(kLastSlot, 0.5);
    auto q = points(*full, 1e9);
    EXPECT_EQ(q.back(), "10000.5 0.00");
}

TEST(MotorFile, TimesRiseStrictlyAndThrustIsNeverNegative) {
    auto fa = makeFlight(40, 0.1);
    slotOf(fa->samples.aDeltaTime, 3) = 0;  // a step that does not move the time on
    slotOf(fa->samples.aDeltaTime, 4) = 0;
    slotOf(fa->samples.aThrust, 2) = -0.97;
    slotOf(fa->samples.aThrust, 5) = -132.95;
    slotOf(fa->samples.aThrust, 6) = 1.86;
    auto p = points(*fa, 0.75);
    const std::vector<std::string> expected = {"0.1 0", "0.2 0.00", "0.3 0.00", "0.4 1.86", "0.5 0",
                                               "0.6 0", "0.7 0",    "0.8 0",    "0.9 0",    "1 0.00"};
    EXPECT_EQ(p, expected);
}

TEST(MotorFile, ThrustInPoundsIsWrittenInNewtons) {
    auto fa = makeFlight(10, 0.1);
    fa->units.Thrust = 1;
    slotOf(fa->samples.aThrust, 1) = 10;
    EXPECT_EQ(points(*fa, 0.05)[0], "0.1 44.48");
}

TEST(MotorExportProposals, PropellantInOunces) {
    struct Case {
        int16_t mass;
        const char *text, *ounces;
    } cases[] = {{0, "2.0", "2.0"}, {0, "abc", "abc"}, {1, "0.25", "4"}, {2, "56.698", "2"}, {2, "", "0"}};
    for (const auto& c : cases) {
        auto fa = makeFlight(1, 0.1);
        fa->units.Mass = c.mass;
        fa->detail(DetailField::FileDetailPropellantWt) = c.text;
        EXPECT_EQ(proposedPropellantOunces(*fa), c.ounces) << c.text;
    }
}

TEST(MotorExportProposals, DesignationFromShownFigures) {
    struct Case {
        int16_t thrust;
        const char *impulse, *average, *designation;
    } cases[] = {
        {0, "60.0", "23.40", "F23"},
        {1, "10.0", "5.00", "F22"},  // 44.48 N s, 22.24 N
        {0, "2.5", ".50", "A1"},
        {0, "2.505", "1.00", "B1"},  // between two of the window's classes, a B all the same
        {0, "1.0", "2.00", "1/2A2"},
        {0, "0.3", "1.00", "1/8A1"},
        {1, "0.1", "0.20", "1/4A1"},          // 0.4448 N s
        {0, "", "", "0"},                     // refused at the export
        {0, "9,000.0", "1,234.40", "M1234"},  // no grouping inside a header field
    };
    for (const auto& c : cases) {
        auto fa = makeFlight(1, 0.1);
        fa->units.Thrust = c.thrust;
        fa->figures.TotalImpulse = c.impulse;
        fa->figures.AveThrust = c.average;
        EXPECT_EQ(fa->motorDesignation(), c.designation) << c.impulse;
    }
    auto french = makeFlight(1, 0.1);
    french->numberLocale = {",", " "};
    french->figures.TotalImpulse = "9 000,0";
    french->figures.AveThrust = "3 236,40";
    EXPECT_EQ(french->motorDesignation(), "M3236");
}

TEST(MotorExportProposals, OpeningTheDialog) {
    auto fa = makeFlight(1, 0.1);
    fa->detail(DetailField::txtMotorDuration) = "1.6";
    fa->detail(DetailField::FileDetailPropellantWt) = "3.5";
    fa->figures.TotalImpulse = "30.0";
    fa->figures.AveThrust = "18.75";
    MotorExportDialog d = fa->motorExportDialog();
    EXPECT_EQ(d.dblBurnTime, 1.6);
    EXPECT_EQ(d.txtPropelWeight, "3.5");
    EXPECT_EQ(d.lblDesignation, "E19");
    EXPECT_EQ(d.txtDiameter, "");
    EXPECT_EQ(d.txtTotalMotorWeight, "");
    EXPECT_EQ(d.totalImpulse, 30.0);
    fa->units.Thrust = 1;
    EXPECT_DOUBLE_EQ(fa->motorExportDialog().totalImpulse, 30 * 4.448);
}

TEST(MotorFileExport, WritesTheTextOrReportsTheFailure) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(testing::TempDir()) / "motor_file_test";
    fs::create_directories(dir);
    auto fa = makeFlight(40, 0.04);
    MotorExportDialog dialog{1.21, "29", "124", "3.5", "5", "F23", 60};

    const fs::path target = dir / "flight.eng";
    ASSERT_TRUE(exportMotorFile(*fa, dialog, target.string()).ok);
    std::ifstream in(target, std::ios::binary);
    std::stringstream written;
    written << in.rdbuf();
    EXPECT_EQ(written.str(), motorFileText(*fa, dialog));

    Status failed = exportMotorFile(*fa, dialog, (dir / "missing" / "flight.eng").string());
    EXPECT_FALSE(failed.ok);
    EXPECT_FALSE(failed.message.empty());
    fs::remove_all(dir);
}

TEST(MotorFile, ImpulseClassBandsDoubleFromAnEighthA) {
    struct Case {
        double impulse;
        const char* name;
    } cases[] = {
        {0, ""},          {-1, ""},       {1e-9, "1/8A"}, {0.3125, "1/8A"}, {0.3126, "1/4A"}, {0.625, "1/4A"},
        {0.6251, "1/2A"}, {1.25, "1/2A"}, {1.2501, "A"},  {2.5, "A"},       {2.505, "B"},     {5, "B"},
        {40.005, "F"},    {81920, "P"},   {81920.5, ""},  {160, "G"},       {160.01, "H"},    {20480.01, "O"},
    };
    for (const auto& c : cases) EXPECT_EQ(motorImpulseClass(c.impulse), c.name) << c.impulse;
}

}  // namespace
}  // namespace tarvel
