#include "flight_truth.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

namespace tarvel::flightgen {
namespace {

// A D motor in a light rocket, waiting on the pad and resting after touchdown.
FlightParameters padFlight() {
    return {.totalImpulseNs = 18,
            .burnTimeS = 1.7,
            .propellantMassKg = 0.025,
            .liftoffMassKg = 0.1,
            .padWaitS = 1.5,
            .restAfterLandingS = 2};
}

// Recording from the pad wait on, without a gap, and on at rest after
// touchdown: the truth says so sample by sample, and its event times sit on
// the record's time axis.
TEST(FlightTruth, PadWaitAndRestAreRecordedAtRestAroundTheFlight) {
    const FlightParameters p = padFlight();
    const GeneratedFlight flight = generateFlight(p);
    ASSERT_EQ(flight.truth.size(), flight.samples.size());
    const FlightTruth truth = flightTruth(flight);
    ASSERT_TRUE(truth.launch && truth.burnout && truth.apogee && truth.landing);
    EXPECT_FALSE(truth.main);  // no drogue, so no main after one
    // Ignition falls on the first sample after the wait; lift-off follows as
    // soon as the thrust beats the weight.
    EXPECT_GT(*truth.launch, 1.51);
    EXPECT_LT(*truth.launch, 1.56);
    EXPECT_NEAR(*truth.burnout, 1.51 + p.burnTimeS, 1e-6);
    for (size_t i = 0; i < 150; ++i) {
        ASSERT_EQ(flight.truth[i].heightM, 0.0) << i;
        ASSERT_EQ(flight.truth[i].velocityMps, 0.0) << i;
        ASSERT_LT(std::abs(accelG(flight.samples[i].accel)), 0.3) << i;
    }
    const double end = 0.01 * static_cast<double>(flight.samples.size());
    EXPECT_NEAR(end - *truth.landing, p.restAfterLandingS, 0.02);
    EXPECT_EQ(flight.truth.back().heightM, 0.0);
    EXPECT_LE(std::abs(flight.samples.back().pressure - flight.samples.front().pressure), 1);
    EXPECT_NEAR(truth.apogeeM, flight.model.apogeeM, 1e-9);
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

TEST(FlightTruth, TextListsTheEventsThenEverySample) {
    FlightParameters p = padFlight();
    p.padWaitS = 0;
    p.restAfterLandingS = 0;
    p.maxSamples = 400;  // cut off before apogee
    const GeneratedFlight flight = generateFlight(p);
    const std::vector<std::string> text = lines(truthText(flight));
    ASSERT_EQ(text.size(), 9 + flight.samples.size());
    EXPECT_EQ(text[0].substr(0, 7), "launch,");
    EXPECT_EQ(text[2], "apogee,");
    EXPECT_EQ(text[4], "main,");
    EXPECT_EQ(text[5], "landing,");
    EXPECT_EQ(text[8], "time,altitude,velocity");
    EXPECT_EQ(text[9].substr(0, 8), "0.01000,");
    EXPECT_EQ(text.back().substr(0, 8), "4.00000,");
    // The rows are the model's own state, rounded.
    const TrueSample& last = flight.truth.back();
    char expected[64];
    std::snprintf(expected, sizeof expected, "4.00000,%.4f,%.4f", last.heightM, last.velocityMps);
    EXPECT_EQ(text.back(), expected);
}

}  // namespace
}  // namespace tarvel::flightgen
