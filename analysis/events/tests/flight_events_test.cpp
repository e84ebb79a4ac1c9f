// Whole-path checks of the event finder, the estimate and the statistics on
// generated flights, against the generator's truth.

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

#include "accuracy_flights.h"
#include "atmosphere.h"
#include "flight_report.h"

namespace tarvel::events {
namespace {

const AccuracyFlight& flightNamed(const std::string& name) {
    for (const AccuracyFlight& f : accuracyFlights())
        if (f.name == name) return f;
    throw std::invalid_argument("no flight " + name);
}

// Where the true flight first reaches `height`, interpolated between samples.
struct TrueCrossing {
    double time = 0, velocity = 0;
};
std::optional<TrueCrossing> trueCrossing(const GeneratedCase& c, const SampleColumns& columns,
                                         double height) {
    const auto& truth = c.flight.truth;
    for (size_t i = 1; i < truth.size(); ++i)
        if (truth[i].heightM >= height && truth[i - 1].heightM < height) {
            const double f = (height - truth[i - 1].heightM) / (truth[i].heightM - truth[i - 1].heightM);
            return TrueCrossing{
                columns.time[i - 1] + f * (columns.time[i] - columns.time[i - 1]),
                truth[i - 1].velocityMps + f * (truth[i].velocityMps - truth[i - 1].velocityMps)};
        }
    return std::nullopt;
}

void expectEvent(const char* name, std::optional<double> found, std::optional<double> truth,
                 double tolerance) {
    SCOPED_TRACE(name);
    ASSERT_EQ(found.has_value(), truth.has_value());
    if (truth) {
        EXPECT_NEAR(*found, *truth, tolerance);
    }
}

class GeneratedFlight : public testing::TestWithParam<const char*> {};

// The goals the accuracy benchmark reports, held on flights that each stress
// one part: a dual deploy, a pad wait with rest after landing, a hop of a few
// metres, a saturating accelerometer, a barometer that lags or stalls, a slow
// sample rate.
TEST_P(GeneratedFlight, EventsAndEstimateMeetTheirGoals) {
    const GeneratedCase c = generateCase(flightNamed(GetParam()));
    const FlightReport r = analyseFlight(c.samples);
    const FlightEvents& ev = r.events;
    expectEvent("launch", ev.launch, c.truth.launch, 0.05);
    expectEvent("burnout", ev.burnout, c.truth.burnout, 0.05);
    expectEvent("apogee", ev.apogee, c.truth.apogee, 0.3);
    expectEvent("main", ev.main, c.truth.main, 0.2);
    expectEvent("landing", ev.landing, c.truth.landing, 1.0);

    ASSERT_TRUE(r.estimate.apogee);
    EXPECT_NEAR(r.estimate.apogee->altitude, c.truth.apogeeM, 0.01 * c.truth.apogeeM);
    EXPECT_NEAR(r.estimate.apogee->time, *c.truth.apogee, 0.3);
    ASSERT_TRUE(r.statistics.maxVelocity);
    EXPECT_NEAR(*r.statistics.maxVelocity, c.truth.maxVelocityMps, 0.03 * c.truth.maxVelocityMps);

    const size_t n = c.samples.size();
    ASSERT_EQ(r.estimate.altitude.size(), n);
    size_t inside = 0;
    for (size_t i = 0; i < n; ++i) {
        ASSERT_TRUE(std::isfinite(r.estimate.altitude[i]) && r.estimate.altitudeSigma[i] > 0) << i;
        inside +=
            std::fabs(r.estimate.altitude[i] - c.flight.truth[i].heightM) <= 2 * r.estimate.altitudeSigma[i];
    }
    EXPECT_GE(static_cast<double>(inside), 0.9 * static_cast<double>(n));
}

INSTANTIATE_TEST_SUITE_P(AccuracyFlights, GeneratedFlight,
                         testing::Values("C motor", "H dual deploy", "D pad wait and rest", "short hop",
                                         "H saturating accelerometer", "G lagging barometer",
                                         "G stalled barometer", "D at 20 Hz"));

TEST(FlightEvents, WhatTheRecordDoesNotShowIsAbsent) {
    AccuracyFlight flight = flightNamed("H dual deploy");
    {
        SCOPED_TRACE("cut off in the coast");
        flight.params.maxSamples = 600;
        const GeneratedCase c = generateCase(flight);
        const FlightReport r = analyseFlight(c.samples);
        EXPECT_TRUE(r.events.launch && r.events.burnout);
        EXPECT_FALSE(r.events.apogee || r.events.main || r.events.landing || r.estimate.apogee);
        EXPECT_TRUE(r.events.deployments.empty());
        EXPECT_FALSE(r.statistics.timeToApogee || r.statistics.drogueDescentRate || r.statistics.flightTime);
        EXPECT_TRUE(r.statistics.burnoutVelocity && r.statistics.railExitVelocity);
    }
    {
        SCOPED_TRACE("cut off in the boost");
        flight.params.maxSamples = 60;
        const FlightReport r = analyseFlight(generateCase(flight).samples);
        EXPECT_TRUE(r.events.launch);
        EXPECT_FALSE(r.events.burnout || r.events.apogee);
        EXPECT_FALSE(r.statistics.boostDuration || r.statistics.burnoutAltitude);
    }
    {
        SCOPED_TRACE("descent under the drogue alone");
        const GeneratedCase c = generateCase(flightNamed("H no main"));
        const FlightReport r = analyseFlight(c.samples);
        EXPECT_FALSE(r.events.main || r.statistics.mainDescentRate || r.statistics.mainAltitude);
        ASSERT_EQ(r.events.deployments.size(), 1u);
        ASSERT_TRUE(r.statistics.drogueDescentRate && r.events.landing);
        EXPECT_NEAR(*r.statistics.drogueDescentRate, 12.0, 0.5);
    }
}

TEST(FlightEvents, NoFlightGivesNoEvents) {
    {
        SCOPED_TRACE("empty");
        const FlightReport r = analyseFlight({});
        EXPECT_FALSE(r.events.launch || r.estimate.apogee || r.statistics.maxVelocity);
        EXPECT_TRUE(r.estimate.altitude.empty());
    }
    {
        SCOPED_TRACE("a minute on the pad, with a knock");
        FlightSamples pad;
        for (int i = 0; i < 6000; ++i) {
            pad.deltaTime.push_back(0.01);
            pad.accelG.push_back(i == 3000 ? 6.0 : (i % 7 == 0 ? 0.128 : 0.0));
            pad.pressurePsi.push_back(i % 3 == 0 ? 14.70 : 14.6845);
        }
        const FlightReport r = analyseFlight(pad);
        EXPECT_FALSE(r.events.launch || r.events.burnout || r.events.apogee || r.events.landing ||
                     r.estimate.apogee);
        EXPECT_TRUE(r.events.deployments.empty());
        EXPECT_FALSE(r.statistics.maxVelocity || r.statistics.railExitVelocity);
        ASSERT_EQ(r.estimate.altitude.size(), pad.size());
        for (size_t i = 0; i < pad.size(); i += 500) EXPECT_LT(std::fabs(r.estimate.altitude[i]), 5.0) << i;
    }
}

// A barometer that reads the pad's pressure all flight long (a blocked port)
// leaves the acceleration alone: the estimate must still find the apogee, and
// say that it is less sure of it.
TEST(FlightEstimate, DeadBarometerWidensTheBandButKeepsTheApogee) {
    const GeneratedCase c = generateCase(flightNamed("G motor"));
    FlightSamples blocked = c.samples;
    std::fill(blocked.pressurePsi.begin(), blocked.pressurePsi.end(), c.samples.pressurePsi.front());
    const FlightReport good = analyseFlight(c.samples), dead = analyseFlight(blocked);
    ASSERT_TRUE(good.estimate.apogee && dead.estimate.apogee);
    EXPECT_NEAR(dead.estimate.apogee->altitude, c.truth.apogeeM, 0.03 * c.truth.apogeeM);
    EXPECT_NEAR(dead.estimate.apogee->time, *c.truth.apogee, 0.3);
    EXPECT_GT(dead.estimate.apogee->sigma, 2 * good.estimate.apogee->sigma);
    EXPECT_LE(std::fabs(dead.estimate.apogee->altitude - c.truth.apogeeM), 2 * dead.estimate.apogee->sigma);
}

TEST(FlightStatistics, PhasesAndRatesMatchTheModel) {
    const AccuracyFlight& flight = flightNamed("H dual deploy");  // drogue 18 m/s, main 6 m/s at 120 m
    const GeneratedCase c = generateCase(flight);
    const FlightReport r = analyseFlight(c.samples);
    const FlightStatistics& s = r.statistics;
    ASSERT_TRUE(s.timeToApogee && s.boostDuration && s.coastDuration && s.drogueDuration && s.mainDuration &&
                s.flightTime);
    EXPECT_DOUBLE_EQ(*s.timeToApogee, *s.boostDuration + *s.coastDuration);
    EXPECT_NEAR(*s.flightTime, *s.timeToApogee + *s.drogueDuration + *s.mainDuration, 1e-9);
    EXPECT_NEAR(*s.boostDuration, flight.params.burnTimeS, 0.05);
    // The chutes are sized at the pad; the thinner air above it lets them fall a little faster.
    ASSERT_TRUE(s.drogueDescentRate && s.mainDescentRate && s.mainAltitude);
    EXPECT_NEAR(*s.drogueDescentRate, 18.0 * 1.01, 0.3);
    EXPECT_NEAR(*s.mainDescentRate, 6.0, 0.15);
    EXPECT_NEAR(*s.mainAltitude, 120.0, 3.0);

    ASSERT_TRUE(s.burnoutVelocity && s.averageBoostAcceleration && s.maxAcceleration && s.maxMach);
    const double burnoutTruth = c.flight.truth[indexAtOrAfter(r.columns, *c.truth.burnout)].velocityMps;
    EXPECT_NEAR(*s.burnoutVelocity, burnoutTruth, 0.01 * burnoutTruth);
    EXPECT_NEAR(*s.averageBoostAcceleration, *s.burnoutVelocity / *s.boostDuration, 1e-9);
    EXPECT_NEAR(*s.maxAcceleration / kStandardGravity, c.flight.model.maxAccelG, 0.3);
    EXPECT_NEAR(*s.maxMach, c.truth.maxVelocityMps / speedOfSoundMps(200.0), 0.01);

    // Off the rail: a longer rail gives a faster rocket at its end.
    for (double rail : {1.0, 3.0}) {
        SCOPED_TRACE(rail);
        const std::optional<TrueCrossing> truth = trueCrossing(c, r.columns, rail);
        const std::optional<double> found = railExitVelocity(r.columns, *r.events.launch, rail);
        ASSERT_TRUE(truth && found);
        EXPECT_NEAR(*found, truth->velocity, 0.03 * truth->velocity);
    }
    EXPECT_FALSE(railExitVelocity(r.columns, *r.events.launch, 1e6));
}

// Each chute opening is found where the model opened it: the drogue at
// apogee, the main on the way down, an ejection charge before apogee.
TEST(FlightEvents, DeploymentsAreFoundWhereTheChutesOpened) {
    {
        SCOPED_TRACE("dual deploy");
        const GeneratedCase c = generateCase(flightNamed("K long high flight"));
        const FlightReport r = analyseFlight(c.samples);
        ASSERT_EQ(r.events.deployments.size(), 2u);
        EXPECT_NEAR(r.events.deployments[0], *c.truth.deployment, 0.1);
        EXPECT_NEAR(r.events.deployments[1], *c.truth.main, 0.1);
        EXPECT_EQ(r.events.main, r.events.deployments[1]);
    }
    {
        SCOPED_TRACE("ejection before apogee");
        const GeneratedCase c = generateCase(flightNamed("E ejection before apogee"));
        const FlightReport r = analyseFlight(c.samples);
        ASSERT_EQ(r.events.deployments.size(), 1u);
        EXPECT_NEAR(r.events.deployments[0], *c.truth.deployment, 0.1);
        EXPECT_LT(r.events.deployments[0], *r.events.apogee - 0.5);
        EXPECT_FALSE(r.events.main);
    }
}

// A knock on the pad (a short jolt well above the launch threshold) before
// the real launch is no launch.
TEST(FlightEvents, KnockOnThePadIsNoLaunch) {
    const GeneratedCase c = generateCase(flightNamed("D pad wait and rest"));
    FlightSamples knocked = c.samples;
    knocked.accelG[100] = 8.0;
    knocked.accelG[101] = 3.0;
    const FlightReport r = analyseFlight(knocked);
    ASSERT_TRUE(r.events.launch);
    EXPECT_NEAR(*r.events.launch, *c.truth.launch, 0.05);
    ASSERT_TRUE(r.estimate.apogee);
    EXPECT_NEAR(r.estimate.apogee->altitude, c.truth.apogeeM, 0.01 * c.truth.apogeeM);
}

// The estimate reads the sensors' noise and the barometer's lag off the
// flight itself: noisier sensors give a wider band, a lag is found only where
// there is one, and the pad's level is the site's.
TEST(FlightEstimate, SensorsAreReadOffTheFlight) {
    const FlightReport noisy = analyseFlight(generateCase(flightNamed("C noisy sensors")).samples);
    const FlightReport plain = analyseFlight(generateCase(flightNamed("C motor")).samples);
    EXPECT_GT(noisy.estimate.accelNoise, 2 * plain.estimate.accelNoise);
    EXPECT_GT(noisy.estimate.altitudeNoise, plain.estimate.altitudeNoise);
    ASSERT_TRUE(noisy.estimate.apogee && plain.estimate.apogee);
    EXPECT_GT(noisy.estimate.apogee->sigma, plain.estimate.apogee->sigma);
    EXPECT_EQ(plain.estimate.barometerLag, 0.0);

    const FlightReport lagging = analyseFlight(generateCase(flightNamed("G lagging barometer")).samples);
    EXPECT_NEAR(lagging.estimate.barometerLag, 0.3, 0.04);

    const FlightReport high = analyseFlight(generateCase(flightNamed("G high site")).samples);
    EXPECT_NEAR(high.estimate.padPressureAltitude, 1500.0, 5.0);
    EXPECT_NEAR(plain.estimate.padPressureAltitude, 0.0, 5.0);
    ASSERT_TRUE(high.statistics.maxMach && high.statistics.maxVelocity);
    // Colder air up there: the same speed is a higher Mach number than at sea level.
    EXPECT_GT(*high.statistics.maxMach, *high.statistics.maxVelocity / speedOfSoundMps(0.0));
}

// Broken readings in the middle of a flight (a pressure of nothing, an
// acceleration that is not a number, a pressure pulse at the main charge)
// cost the estimate a little, never the flight.
TEST(FlightEstimate, BrokenReadingsAreRiddenOver) {
    const GeneratedCase c = generateCase(flightNamed("H dual deploy"));
    FlightSamples broken = c.samples;
    broken.pressurePsi[800] = 0;
    broken.pressurePsi[801] = std::nan("");
    broken.accelG[1500] = std::nan("");
    const size_t main = indexAtOrAfter(sampleColumns(c.samples), *c.truth.main);
    for (size_t i = main; i < main + 20; ++i) broken.pressurePsi[i] -= 0.3;  // tens of metres up
    const FlightReport r = analyseFlight(broken);
    for (size_t i = 0; i < broken.size(); ++i)
        ASSERT_TRUE(std::isfinite(r.estimate.altitude[i]) && std::isfinite(r.estimate.altitudeSigma[i])) << i;
    ASSERT_TRUE(r.estimate.apogee && r.events.main && r.events.landing);
    EXPECT_NEAR(r.estimate.apogee->altitude, c.truth.apogeeM, 0.01 * c.truth.apogeeM);
    EXPECT_NEAR(*r.events.main, *c.truth.main, 0.2);
    std::vector<double> trueHeight;
    for (const flightgen::TrueSample& t : c.flight.truth) trueHeight.push_back(t.heightM);
    const double afterMain = *c.truth.main + 0.1;
    EXPECT_NEAR(valueAt(r.columns, r.estimate.altitude, afterMain), valueAt(r.columns, trueHeight, afterMain),
                3.0);
}

TEST(FlightSamples, ColumnsKeepTheTimeAxisWhateverTheInput) {
    FlightSamples s;
    s.deltaTime = {0.01, -0.02, std::nan(""), 0.01, 0.01};
    s.accelG = {1, 2, std::nan(""), 4};
    s.pressurePsi = {14.69595, 14.69595, 0, 14.69595, 14.69595};
    const SampleColumns c = sampleColumns(s);
    ASSERT_EQ(c.size(), 4u);  // the shortest column
    EXPECT_EQ(c.time, (std::vector<double>{0.01, 0.01, 0.01, 0.02}));
    EXPECT_DOUBLE_EQ(c.accel[1], 2 * kStandardGravity);
    EXPECT_EQ(c.accel[2], 0.0);
    EXPECT_NEAR(c.pressureAltitude[0], 0.0, 0.01);
    EXPECT_TRUE(std::isfinite(c.pressureAltitude[2]));
}

}  // namespace
}  // namespace tarvel::events
