#include "motor_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

namespace tarvel {
namespace {

std::unique_ptr<FlightAnalysis> makeFlight(int samples, double dt) {
    auto fa = std::make_unique<FlightAnalysis>();
    fa->numberLocale = *NumberLocale::named("en_US");
    fa->samples.SampleCount = static_cast<int16_t>(samples);
    for (int i = 1; i <= samples; ++i) fa->samples.aDeltaTime[i] = dt;
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
    MotorExportDialog dialog{0.5, "29", "124", "3.5", "", "F23"};
    auto all = lines(motorFileText(*fa, dialog));
    ASSERT_GE(all.size(), 3u);
    EXPECT_EQ(all[0], "; Tarvel-Rocket produced motor file for F23");
    EXPECT_EQ(all[1], "F23 29 124 P 0.099 0.000 EX");

    dialog.txtLength = "124\r\n0.5 1000";  // a line break would add a data point
    all = lines(motorFileText(*fa, dialog));
    EXPECT_EQ(all[1], "F23 29 124  0.5 1000 P 0.099 0.000 EX");
    EXPECT_EQ(all[2].substr(0, 4), "0.1 ");
}

TEST(MotorFile, MassTextFromLeadingNumberOfOunces) {
    struct Case {
        const char *ounces, *kg;
    } cases[] = {
        {"3.5", "0.099"}, {"", "0.000"},    {"abc", "0.000"}, {"3.5 oz", "0.099"},
        {" 10", "0.283"}, {"1e1", "0.283"}, {"2e", "0.057"},  {"1e999", "0.000"},
    };
    for (const auto& c : cases) EXPECT_EQ(motorMassText(c.ounces), c.kg) << c.ounces;
}

TEST(MotorFile, EverySampleOfAShortBurnAtFourHundredthsOfASecond) {
    auto fa = makeFlight(40, 0.04);
    fa->samples.aThrust[1] = 12.3456;
    fa->samples.aThrust[32] = 7.5;
    fa->samples.aThrust[33] = 99;
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
    for (int i = 1; i <= 80; ++i) fa->samples.aThrust[i] = i;
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

TEST(MotorFile, BurnLongerThanTheRecordStopsAfterItsLastSample) {
    auto fa = makeFlight(10, 0.1);
    auto p = points(*fa, 100);
    ASSERT_EQ(p.size(), 12u);  // samples 1..11 and the closing point
    EXPECT_EQ(p[9], "1 0");
    EXPECT_EQ(p[11], "1 0.00");

    auto full = makeFlight(kLastSlot, 0.5);  // reads past the store read as 0
    auto q = points(*full, 1e9);
    EXPECT_EQ(q.back(), "10000 0.00");
}

TEST(MotorFile, ThrustInPoundsIsWrittenInNewtons) {
    auto fa = makeFlight(10, 0.1);
    fa->units.Thrust = 1;
    fa->samples.aThrust[1] = 10;
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
        {0, "2.505", "1.00", "1"},  // between two classes
        {0, "", "", "0"},
        {0, "9,000.0", "1,234.40", "M1,234"},
    };
    for (const auto& c : cases) {
        auto fa = makeFlight(1, 0.1);
        fa->units.Thrust = c.thrust;
        fa->figures.TotalImpulse = c.impulse;
        fa->figures.AveThrust = c.average;
        EXPECT_EQ(proposedDesignation(*fa), c.designation) << c.impulse;
    }
}

TEST(MotorExportProposals, OpeningTheDialog) {
    auto fa = makeFlight(1, 0.1);
    fa->detail(DetailField::txtMotorDuration) = "1.6";
    fa->detail(DetailField::FileDetailPropellantWt) = "3.5";
    fa->figures.TotalImpulse = "30.0";
    fa->figures.AveThrust = "18.75";
    MotorExportDialog d = openMotorExportDialog(*fa);
    EXPECT_EQ(d.dblBurnTime, 1.6);
    EXPECT_EQ(d.txtPropelWeight, "3.5");
    EXPECT_EQ(d.lblDesignation, "E19");
    EXPECT_EQ(d.txtDiameter, "");
    EXPECT_EQ(d.txtTotalMotorWeight, "");
}

TEST(MotorFileExport, WritesTheTextOrReportsTheFailure) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(testing::TempDir()) / "motor_file_test";
    fs::create_directories(dir);
    auto fa = makeFlight(40, 0.04);
    MotorExportDialog dialog{1.21, "29", "124", "3.5", "5", "F23"};

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

}  // namespace
}  // namespace tarvel
