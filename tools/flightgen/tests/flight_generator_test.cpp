#include "flight_generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>

namespace tarvel::flightgen {
namespace {

FlightParameters smallMotor() {
    FlightParameters p;
    p.totalImpulseNs = 10;
    p.burnTimeS = 1.86;
    p.liftoffMassKg = 0.130;
    p.propellantMassKg = 0.0125;
    p.diameterM = 0.029;
    p.dragCoefficient = 0.7;
    p.deployDelayS = 5;
    p.mainRateMps = 7;
    p.timeStepS = 0.02;
    return p;
}

FlightParameters dualDeploy() {
    FlightParameters p;
    p.totalImpulseNs = 1800;
    p.burnTimeS = 3.2;
    p.peakRatio = 1.3;
    p.liftoffMassKg = 6.5;
    p.propellantMassKg = 0.9;
    p.diameterM = 0.098;
    p.dragCoefficient = 0.5;
    p.drogueRateMps = 25;
    p.mainRateMps = 6.5;
    p.mainAltitudeM = 200;
    p.siteAltitudeM = 1200;
    p.timeStepS = 0.01;
    p.seed = 42;
    return p;
}

// Height above the pad in metres from two pressures, by the standard
// atmosphere (not the analysis's ratio formula, which drifts with site height).
double heightAbove(double psi, double sitePsi) {
    auto asl = [](double p) { return 44330.77 * (1 - std::pow(p / 14.6959488, 0.190263)); };
    return asl(psi) - asl(sitePsi);
}

TEST(FlightGenerator, RawReadingsRoundTripThroughTheirValues) {
    for (int raw = 0; raw <= kPressureFullScale; ++raw)
        ASSERT_EQ(pressureRawFromPsi(pressurePsi(static_cast<uint16_t>(raw))), raw);
    for (int count = -32768; count <= 32767; count += 7)
        ASSERT_EQ(accelCountFromG(accelG(static_cast<int16_t>(count))), count);
    EXPECT_EQ(pressureRawFromPsi(100.0), kPressureFullScale);  // beyond the sensor: clamped
    EXPECT_EQ(pressureRawFromPsi(0.0), 0);
    EXPECT_EQ(accelCountFromG(1e6), 32767);
    EXPECT_EQ(accelCountFromG(-1e6), -32768);
    EXPECT_DOUBLE_EQ(stepSeconds(1000), 0.01);
    EXPECT_NEAR(pressurePsi(512), 9.438482, 5e-7);  // the decoder's value for reading 512
}

TEST(FlightGenerator, SameSeedGivesTheSameSamplesAndOtherSeedsOtherNoise) {
    FlightParameters p = smallMotor();
    GeneratedFlight first = generateFlight(p);
    GeneratedFlight again = generateFlight(p);
    ASSERT_EQ(first.samples.size(), again.samples.size());
    EXPECT_TRUE(std::equal(first.samples.begin(), first.samples.end(), again.samples.begin(),
                           [](const RawSample& a, const RawSample& b) {
                               return a.timeStep == b.timeStep && a.pressure == b.pressure &&
                                      a.accel == b.accel;
                           }));

    p.seed = 2;
    GeneratedFlight other = generateFlight(p);
    // Noise changes readings, never the flight itself.
    EXPECT_EQ(other.samples.size(), first.samples.size());
    EXPECT_EQ(other.model.apogeeM, first.model.apogeeM);
    size_t differing = 0;
    for (size_t i = 0; i < first.samples.size(); ++i)
        differing += first.samples[i].accel != other.samples[i].accel ||
                     first.samples[i].pressure != other.samples[i].pressure;
    EXPECT_GT(differing, first.samples.size() / 10);

    p.accelNoiseG = 0;
    p.pressureNoisePsi = 0;
    GeneratedFlight quietA = generateFlight(p);
    p.seed = 3;
    GeneratedFlight quietB = generateFlight(p);
    for (size_t i = 0; i < quietA.samples.size(); ++i) {
        ASSERT_EQ(quietA.samples[i].accel, quietB.samples[i].accel);
        ASSERT_EQ(quietA.samples[i].pressure, quietB.samples[i].pressure);
    }
}

struct SanityCase {
    const char* name;
    FlightParameters params;
};
void PrintTo(const SanityCase& c, std::ostream* os) { *os << c.name; }

FlightParameters fastRate() {
    FlightParameters p;  // a light rocket: over 20 G at the peak
    p.mainRateMps = 8;
    p.timeStepS = 0.005;
    p.launchDetectG = 10;  // half the step needs twice the boost in sample 1
    p.seed = 7;
    return p;
}

class FlightSanity : public ::testing::TestWithParam<SanityCase> {};

// What the analysis makes of the samples must match the model: velocity
// integrated from the recorded acceleration the way the analysis does it,
// apogee from the recorded pressure.
TEST_P(FlightSanity, RecordedReadingsDescribeTheModelledFlight) {
    const FlightParameters& p = GetParam().params;
    GeneratedFlight flight = generateFlight(p);
    const ModelFigures& m = flight.model;
    ASSERT_GT(flight.samples.size(), 10u);
    ASSERT_GE(m.landingTimeS, 0) << "lands before the cap";
    EXPECT_NEAR(flight.samples.size() * p.timeStepS, m.landingTimeS, p.timeStepS * 1.01);

    const uint16_t stepRaw = static_cast<uint16_t>(std::lround(p.timeStepS * 1e5));
    const double sitePsi = pressurePsi(flight.samples.front().pressure);
    double velocityFps = 0, maxVelocityFps = 0, maxHeight = 0;
    bool stopped = false;
    size_t stoppedAt = 0;
    for (size_t i = 0; i < flight.samples.size(); ++i) {
        const RawSample& s = flight.samples[i];
        ASSERT_EQ(s.timeStep, stepRaw);
        if (!stopped) {
            velocityFps = std::abs(velocityFps + accelG(s.accel) * 32.125 * stepSeconds(s.timeStep));
            maxVelocityFps = std::max(maxVelocityFps, velocityFps);
            if (velocityFps < 1) stopped = true, stoppedAt = i;
        }
        maxHeight = std::max(maxHeight, heightAbove(pressurePsi(s.pressure), sitePsi));
    }
    // Launch detection puts the boost into sample 1, so the first velocity is
    // already above 1 mph and the analysis integrates up to apogee.
    EXPECT_GE(accelG(flight.samples.front().accel), p.launchDetectG - 4 * p.accelNoiseG - 0.13);
    EXPECT_GT(accelG(flight.samples.front().accel) * 32.125 * p.timeStepS * 3600 / 5280, 1.0);
    EXPECT_NEAR(stoppedAt * p.timeStepS, m.apogeeTimeS, 0.05 * m.apogeeTimeS);
    EXPECT_NEAR(maxVelocityFps * 0.3048, m.maxVelocityMps, 0.02 * m.maxVelocityMps);
    // About 0.0155 psi per pressure count, i.e. 9 to 12 m near the ground.
    EXPECT_NEAR(maxHeight, m.apogeeM, 0.01 * m.apogeeM + 25);

    // The pad reading is the standard atmosphere at the site.
    double siteHeight = heightAbove(sitePsi, 14.6959488);
    EXPECT_NEAR(siteHeight, p.siteAltitudeM, 30);
    EXPECT_GT(m.apogeeTimeS, m.burnoutTimeS);
    EXPECT_NEAR(m.burnoutTimeS + m.launchDetectTimeS, p.burnTimeS, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Flights, FlightSanity,
                         ::testing::Values(SanityCase{"SmallMotorEjectionCharge", smallMotor()},
                                           SanityCase{"SmallMotorFastRate", fastRate()},
                                           SanityCase{"DualDeployHighSite", dualDeploy()}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FlightGenerator, ChutesOpenAtTheirEventsAndSlowTheDescent) {
    FlightParameters p = dualDeploy();
    p.accelNoiseG = 0;
    GeneratedFlight flight = generateFlight(p);
    const ModelFigures& m = flight.model;
    EXPECT_NEAR(m.deployTimeS, m.apogeeTimeS, 0.01);  // no delay: drogue at apogee
    ASSERT_GT(m.mainDeployTimeS, m.deployTimeS);
    // Falling at the drogue rate the accelerometer reads about 0 G; the main
    // opening brakes the rocket (positive reading) before it settles again.
    auto sampleAt = [&](double t) { return flight.samples.at(static_cast<size_t>(t / p.timeStepS)); };
    EXPECT_NEAR(accelG(sampleAt(m.mainDeployTimeS - 2).accel), 0, 0.2);
    EXPECT_GT(accelG(sampleAt(m.mainDeployTimeS + 0.4).accel), 0.5);
    EXPECT_NEAR(accelG(sampleAt(m.landingTimeS - 2).accel), 0, 0.2);
    double descentS = m.landingTimeS - m.mainDeployTimeS;
    EXPECT_NEAR(descentS, p.mainAltitudeM / p.mainRateMps, 2);

    // A late ejection charge: the rocket falls freely (about -1 G) after apogee.
    FlightParameters late = smallMotor();
    late.accelNoiseG = 0;
    late.deployDelayS = 9;
    GeneratedFlight falling = generateFlight(late);
    EXPECT_NEAR(falling.model.deployTimeS, falling.model.burnoutTimeS + 9, 0.01);
    double t = falling.model.apogeeTimeS + 0.5;
    EXPECT_NEAR(accelG(falling.samples.at(static_cast<size_t>(t / late.timeStepS)).accel), -1, 0.15);
}

TEST(FlightGenerator, RecordingStopsAtTheSampleCap) {
    FlightParameters p = smallMotor();
    p.mainRateMps = 0.5;  // drifts down for minutes
    p.timeStepS = 0.01;
    GeneratedFlight full = generateFlight(p);
    EXPECT_EQ(full.samples.size(), static_cast<size_t>(kMaxSamples));
    EXPECT_EQ(full.model.landingTimeS, -1);

    p.maxSamples = 300;
    EXPECT_EQ(generateFlight(p).samples.size(), 300u);

    auto store = std::make_unique<SampleStore>();
    slotOf(store->aVelocity, 5) = 7;  // stale values must go
    fillSampleStore(full, *store);
    EXPECT_EQ(store->SampleCount, kMaxSamples);
    EXPECT_EQ(at(store->aVelocity, 5), 0);
    EXPECT_EQ(at(store->aDeltaTime, 0), 0);
    for (int i = 1; i <= kMaxSamples; ++i) {
        double counts = at(store->aAccel, i) * kCountsPerG;
        ASSERT_NEAR(counts, std::round(counts), 1e-9) << "sample " << i;
        ASSERT_EQ(at(store->aDeltaTime, i), 0.01);
    }
}

TEST(FlightGenerator, SensorSaturatesAtItsRange) {
    FlightParameters p = smallMotor();
    p.accelRangeG = 5;
    p.launchDetectG = 3;
    GeneratedFlight flight = generateFlight(p);
    int16_t most = 0;
    for (const RawSample& s : flight.samples)
        most = std::max<int16_t>(most, static_cast<int16_t>(std::abs(s.accel)));
    EXPECT_EQ(most, accelCountFromG(5));
    EXPECT_GT(flight.model.maxAccelG, 5);
}

TEST(FlightGenerator, RejectsFlightsThatCannotBeFlown) {
    struct Case {
        const char* what;
        void (*change)(FlightParameters&);
    } cases[] = {
        {"no impulse", [](FlightParameters& p) { p.totalImpulseNs = 0; }},
        {"negative burn", [](FlightParameters& p) { p.burnTimeS = -1; }},
        {"peak below sustain", [](FlightParameters& p) { p.peakRatio = 0.5; }},
        {"propellant heavier than rocket", [](FlightParameters& p) { p.propellantMassKg = p.liftoffMassKg; }},
        {"no diameter", [](FlightParameters& p) { p.diameterM = 0; }},
        {"not a number", [](FlightParameters& p) { p.dragCoefficient = std::nan(""); }},
        {"no main chute", [](FlightParameters& p) { p.mainRateMps = 0; }},
        {"step not whole 10 us", [](FlightParameters& p) { p.timeStepS = 0.012345; }},
        {"step beyond a 16-bit count", [](FlightParameters& p) { p.timeStepS = 0.7; }},
        {"more samples than a record holds", [](FlightParameters& p) { p.maxSamples = kMaxSamples + 1; }},
        {"no samples", [](FlightParameters& p) { p.maxSamples = 0; }},
        {"launch detection at rest", [](FlightParameters& p) { p.launchDetectG = 0; }},
    };
    EXPECT_EQ(checkParameters(FlightParameters{}), "");
    for (const Case& c : cases) {
        FlightParameters p;
        c.change(p);
        EXPECT_NE(checkParameters(p), "") << c.what;
        EXPECT_THROW(generateFlight(p), std::invalid_argument) << c.what;
    }

    FlightParameters weak = smallMotor();
    weak.totalImpulseNs = 1;
    weak.liftoffMassKg = 0.5;  // thrust never beats the weight
    EXPECT_THROW(generateFlight(weak), std::runtime_error);
}

}  // namespace
}  // namespace tarvel::flightgen
