#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string_view>
#include <vector>

#include "flight_record.h"
#include "flightgen_options.h"
#include "record_reader.h"
#include "record_writer.h"

namespace tarvel::flightgen {
namespace {

std::optional<CommandLine> parse(std::vector<std::string_view> args, std::string* error = nullptr) {
    std::string message;
    auto cmd = parseCommandLine(args, message);
    if (error) *error = message;
    return cmd;
}

TEST(FlightgenOptions, ConvertsFlyersUnitsToTheModel) {
    auto cmd = parse({"--impulse",
                      "40",
                      "--burn=1.5",
                      "--mass",
                      "450",
                      "--propellant",
                      "30",
                      "--diameter",
                      "41",
                      "--cd",
                      "0.55",
                      "--drogue",
                      "20",
                      "--main",
                      "5.5",
                      "--main-altitude",
                      "120",
                      "--deploy-delay",
                      "3",
                      "--site-altitude",
                      "350",
                      "--rate",
                      "200",
                      "--max-samples",
                      "5000",
                      "--seed",
                      "18446744073709551615",
                      "--velocity-unit",
                      "km/h",
                      "--altitude-unit",
                      "m",
                      "--weight-unit",
                      "g",
                      "--thrust-unit",
                      "lbs",
                      "--name",
                      "Kestrel",
                      "--note",
                      "first",
                      "--note",
                      "second, too",
                      "--pad-wait",
                      "2",
                      "--rest",
                      "3",
                      "--truth",
                      "out.csv",
                      "-o",
                      "out.rcd"});
    ASSERT_TRUE(cmd);
    const FlightParameters& p = cmd->params;
    EXPECT_EQ(p.padWaitS, 2);
    EXPECT_EQ(p.restAfterLandingS, 3);
    EXPECT_EQ(cmd->truthPath, "out.csv");
    EXPECT_EQ(p.totalImpulseNs, 40);
    EXPECT_EQ(p.burnTimeS, 1.5);
    EXPECT_DOUBLE_EQ(p.liftoffMassKg, 0.45);
    EXPECT_DOUBLE_EQ(p.propellantMassKg, 0.03);
    EXPECT_DOUBLE_EQ(p.diameterM, 0.041);
    EXPECT_EQ(p.dragCoefficient, 0.55);
    EXPECT_EQ(p.drogueRateMps, 20);
    EXPECT_EQ(p.mainRateMps, 5.5);
    EXPECT_EQ(p.mainAltitudeM, 120);
    EXPECT_EQ(p.deployDelayS, 3);
    EXPECT_EQ(p.siteAltitudeM, 350);
    EXPECT_DOUBLE_EQ(p.timeStepS, 0.005);
    EXPECT_EQ(p.maxSamples, 5000);
    EXPECT_EQ(p.seed, 18446744073709551615u);
    const RecordOptions& r = cmd->record;
    EXPECT_EQ(r.units.Velocity, 2);
    EXPECT_EQ(r.units.Distance, 1);
    EXPECT_EQ(r.units.Mass, 2);
    EXPECT_EQ(r.units.Thrust, 1);
    EXPECT_EQ(r.name, "Kestrel");
    EXPECT_EQ(r.notes, (std::vector<std::string>{"first", "second, too"}));
    EXPECT_EQ(r.outputPath, "out.rcd");

    auto noOutput = parse({"--seed", "3"});  // the simulator generates flights without a file
    ASSERT_TRUE(noOutput);
    EXPECT_EQ(noOutput->params.seed, 3u);
    EXPECT_EQ(noOutput->record.outputPath, "");

    auto help = parse({"--help"});
    ASSERT_TRUE(help);
    EXPECT_TRUE(help->help);
}

TEST(FlightgenOptions, RefusesWhatItCannotUse) {
    struct Case {
        std::vector<std::string_view> args;
        std::string_view messagePart;
    } cases[] = {
        {{"--frobnicate", "1", "-o", "x"}, "unknown option --frobnicate"},
        {{"-o"}, "-o needs a value"},
        {{"--mass", "heavy", "-o", "x"}, "bad value \"heavy\" for --mass"},
        {{"--mass", "12g", "-o", "x"}, "bad value \"12g\" for --mass"},
        {{"--velocity-unit", "knots", "-o", "x"}, "mph|ft/s|km/h|m/s"},
        {{"--seed", "-1", "-o", "x"}, "bad value \"-1\" for --seed"},
        {{"--rate", "0", "-o", "x"}, "bad value \"0\" for --rate"},
        {{"--max-samples", "25000", "-o", "x"}, "1 to 20000"},
        {{"--pad-wait", "-1", "-o", "x"}, "pad wait must be 0 to 600 s"},
        {{"--rest", "1e9", "-o", "x"}, "rest after touchdown must be 0 to 600 s"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(parse(c.args, &error)) << c.messagePart;
        EXPECT_NE(error.find(c.messagePart), std::string::npos) << error;
    }
}

class FlightRecordTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = std::filesystem::temp_directory_path() /
                ("flightgen_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::filesystem::path m_dir;
};

// The saved record, read back the way "&Open" reads it, gives the raw samples
// of the generated flight and the details and units it was written with.
TEST_F(FlightRecordTest, SavedRecordReadsBackAsTheGeneratedSamples) {
    auto cmd = parse({"--impulse",
                      "60",
                      "--burn",
                      "1.7",
                      "--peak",
                      "1.6",
                      "--mass",
                      "450",
                      "--propellant",
                      "30",
                      "--diameter",
                      "41",
                      "--cd",
                      "0.55",
                      "--main",
                      "9",
                      "--site-altitude",
                      "350",
                      "--dt",
                      "0.02",
                      "--velocity-unit",
                      "km/h",
                      "--altitude-unit",
                      "m",
                      "--weight-unit",
                      "g",
                      "--name",
                      "Kestrel",
                      "--place",
                      "Hill field",
                      "--date",
                      "2024-05-04",
                      "--note",
                      "first line",
                      "--note",
                      "second line",
                      "-o",
                      "unused"});
    ASSERT_TRUE(cmd);
    GeneratedFlight flight = generateFlight(cmd->params);
    auto written = std::make_unique<FlightAnalysis>();
    ASSERT_TRUE(buildFlightRecord(flight, cmd->params, cmd->record, *written).ok);

    const std::string path = (m_dir / "metric.rcd").string();
    ASSERT_TRUE(writeRecordFile(path, *written).ok);
    auto read = std::make_unique<FlightAnalysis>();
    ASSERT_TRUE(read->openRecordFile(path).ok);
    EXPECT_TRUE(read->lastRead.complete) << read->lastRead.stoppedAt;

    ASSERT_EQ(read->samples.SampleCount, static_cast<int>(flight.samples.size()));
    for (size_t i = 0; i < flight.samples.size(); ++i) {
        const RawSample& raw = flight.samples[i];
        const size_t slot = i + 1;
        ASSERT_NEAR(at(read->samples.aDeltaTime, slot), stepSeconds(raw.timeStep), 1e-15) << slot;
        ASSERT_NEAR(at(read->samples.aPressure, slot), pressurePsi(raw.pressure), 1e-12) << slot;
        ASSERT_EQ(std::lround(at(read->samples.aAccel, slot) * kCountsPerG), raw.accel) << slot;
        ASSERT_NEAR(at(read->samples.aAccel, slot), accelG(raw.accel), 1e-12) << slot;
    }
    EXPECT_EQ(read->detail(DetailField::FileDetailName), "Kestrel");
    EXPECT_EQ(read->detail(DetailField::FileDetailPlace), "Hill field");
    EXPECT_EQ(read->detail(DetailField::FileDetailDate), "2024-05-04");
    EXPECT_EQ(read->detail(DetailField::FileDetailNotes), "first line\r\nsecond line");
    EXPECT_EQ(read->detail(DetailField::FileDetailWeight), "450.00");
    EXPECT_EQ(read->detail(DetailField::FileDetailPropellantWt), "30.00");
    EXPECT_EQ(read->detail(DetailField::FileDetailDiameter), "1.61");  // inches
    EXPECT_EQ(read->detail(DetailField::FileDetailCoefficientDrag), "0.55");
    EXPECT_EQ(read->detail(DetailField::txtMotorDuration), "1.70");
    EXPECT_EQ(read->captions.lblUnitsMass, "(g)");
    EXPECT_EQ(read->captions.lblVelocity, "(km/h)");
    EXPECT_EQ(read->captions.lblAltitude, "(m)");
    EXPECT_EQ(read->captions.lblUnitsThrust, "(N)");
    EXPECT_EQ(read->units.Velocity, 2);
    EXPECT_EQ(read->units.Mass, 2);

    // The analysis of the read-back flight agrees with the model.
    double maxAltitudeM = 0, maxVelocityKmh = 0;
    for (int i = 1; i <= read->samples.SampleCount; ++i) {
        maxAltitudeM = std::max(maxAltitudeM, at(read->samples.aAltitude, i));
        maxVelocityKmh = std::max(maxVelocityKmh, at(read->samples.aVelocity, i));
    }
    EXPECT_NEAR(maxAltitudeM, flight.model.apogeeM, 0.03 * flight.model.apogeeM + 12);
    EXPECT_NEAR(maxVelocityKmh / 3.6, flight.model.maxVelocityMps, 0.02 * flight.model.maxVelocityMps);
    EXPECT_EQ(read->BaroAltitude, written->BaroAltitude);
    EXPECT_NEAR(std::stod(read->BaroAltitude), maxAltitudeM, 0.01);

    // Same options, same bytes.
    auto again = std::make_unique<FlightAnalysis>();
    ASSERT_TRUE(buildFlightRecord(generateFlight(cmd->params), cmd->params, cmd->record, *again).ok);
    EXPECT_EQ(recordText(*again), recordText(*written));
}

}  // namespace
}  // namespace tarvel::flightgen
