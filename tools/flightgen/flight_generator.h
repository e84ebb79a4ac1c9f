#pragma once
// Reproducible flights for tests, examples and the flight computer simulator.
//
// A small vertical-flight model (motor thrust curve, burning propellant, body
// drag in the standard atmosphere, gravity, apogee, descent under a drogue
// and/or main chute) sampled the way the flight computer samples it, with
// sensor noise drawn from a seeded generator. The same parameters and seed
// give the same samples, bit for bit, on the same build.
//
// What the flight computer records, and why the generator records the same:
//
// * Acceleration along the flight axis, gravity-compensated: 0 G at rest on
//   the pad, about -1 G falling freely, about 0 G under a chute at its descent
//   rate, (thrust - drag - weight) / mass during the boost. The analysis
//   integrates this value directly into velocity (a x 32.125 ft/s^2 per G)
//   and derives thrust as mass x a + weight + drag, so only the kinematic
//   acceleration gives a velocity that ends at zero at apogee and a thrust that
//   matches the motor. A raw specific-force reading (+1 G on the pad, about
//   0 G in coast) would keep the integrated velocity high all the way up.
//   The value is stored as signed sensor counts of 1/7.787 G.
//
// * Recording starts at launch detection: the first sample is the first
//   instant whose acceleration reaches `launchDetectG`. The analysis ends its
//   velocity integration at the first velocity below 1 (in the shown unit),
//   so the boost must already be under way in sample 1: with 0.01 s steps a
//   first sample of 5 G gives 1.1 mph, 1.6 ft/s or 1.8 km/h (m/s needs about
//   10 G). A recording that started on the pad with 0 G would show no velocity
//   at all.
//
// * Pressure from the standard atmosphere at the launch site plus the height
//   above the pad, with Gaussian noise, as the 10-bit reading of the pressure
//   sensor (full scale 1023, about 0.0155 psi, i.e. about 30 ft near sea
//   level, per count). Recording counts rather than free psi values means the
//   simulator can serve the very same values over the wire.
//
// * Time step in units of 10 microseconds, the same for every sample.
//
// With a pad wait the recording starts that long before ignition instead and
// runs without a gap; with a rest after landing it goes on that long after
// touchdown.
//
// Recording ends at touchdown or after `maxSamples` samples (at most 20,000,
// the capacity of a flight record), whichever comes first.

#include <cstdint>
#include <string>
#include <vector>

#include "codec/sample_codec.h"
#include "flight_analysis.h"

namespace tarvel::flightgen {

// Sensor scales and conversions of the flight computer: the very ones the
// download decodes with, so generated counts read back to the same values.
using fltport::accelCountFromG;
using fltport::accelG;
using fltport::kCountsPerG;
using fltport::pressurePsi;
using fltport::stepSeconds;
inline constexpr int kPressureFullScale = 1023;
inline constexpr double kTimeStepUnit = 1e-5;  // seconds per time-step count
inline constexpr int kMaxSamples = kLastSlot;  // 20,000

// Nearest raw reading of a pressure, clamped to the 10-bit sensor's range.
uint16_t pressureRawFromPsi(double psi);

// Everything that shapes a flight. SI units throughout.
struct FlightParameters {
    // Motor: thrust rises to `peakRatio` x the sustain level within the first
    // 5% of the burn, falls back to it by 20%, holds, and tails off over the
    // last 15%; scaled so the curve delivers `totalImpulseNs`.
    double totalImpulseNs = 10.0;
    double burnTimeS = 1.9;
    double peakRatio = 3.0;
    double propellantMassKg = 0.0125;

    // Rocket, motor included.
    double liftoffMassKg = 0.060;
    double diameterM = 0.025;
    double dragCoefficient = 0.6;

    // Recovery. The first event opens the drogue (or, without a drogue, the
    // main) at apogee, or `deployDelayS` after burnout when that is >= 0 (a
    // motor ejection charge). With a drogue, the main opens on the way down at
    // `mainAltitudeM` above the pad. Each chute is sized to descend at its
    // rate at the launch site; it inflates over half a second.
    double deployDelayS = -1.0;
    double drogueRateMps = 0.0;  // 0: no drogue
    double mainRateMps = 5.0;
    double mainAltitudeM = 150.0;

    // Site and recorder.
    double siteAltitudeM = 0.0;
    double timeStepS = 0.01;       // a whole number of 10 us counts, 0.001 to 0.5
    int maxSamples = kMaxSamples;  // 1 to 20,000
    double launchDetectG = 5.0;
    double accelNoiseG = 0.05;        // standard deviation
    double pressureNoisePsi = 0.004;  // standard deviation
    double accelRangeG = 50.0;        // the sensor saturates beyond +-this
    // Recording at rest before ignition and after touchdown (0: recording
    // starts at launch detection and ends at touchdown).
    double padWaitS = 0.0;
    double restAfterLandingS = 0.0;

    uint64_t seed = 1;
};

// Empty when the parameters can be flown, else what is wrong with them.
std::string checkParameters(const FlightParameters& params);

// One sample as the flight computer stores it.
struct RawSample {
    uint16_t timeStep = 0;  // 10 us counts
    uint16_t pressure = 0;  // 0 to 1023
    int16_t accel = 0;      // counts of 1/7.787 G
};

// What the model itself knows about the flight, for reports and tests.
// Times count from the first sample; heights are above the pad.
struct ModelFigures {
    double apogeeM = 0;
    double apogeeTimeS = 0;
    double maxVelocityMps = 0;
    double maxAccelG = 0;
    double burnoutTimeS = 0;
    double deployTimeS = -1;       // first recovery event, -1 if none recorded
    double mainDeployTimeS = -1;   // main after a drogue, -1 if none recorded
    double landingTimeS = -1;      // -1 when recording stopped first
    double launchDetectTimeS = 0;  // time of the first sample after ignition
    double burnoutMassKg = 0;
    double liftoffTimeS = 0;  // first motion off the pad
};

// The model's state at the instant of one recorded sample.
struct TrueSample {
    double heightM = 0;  // above the pad
    double velocityMps = 0;
};

struct GeneratedFlight {
    std::vector<RawSample> samples;
    std::vector<TrueSample> truth;  // one per sample
    ModelFigures model;
};

// The flight for these parameters. Throws std::invalid_argument with the text
// of checkParameters when they cannot be flown, and std::runtime_error when
// the motor never lifts the rocket to the launch-detection threshold.
GeneratedFlight generateFlight(const FlightParameters& params);

// Samples 1..n of the store from the flight (delta time in s, pressure in psi,
// acceleration in G), SampleCount = n (1 for an empty flight); every other
// slot and the derived arrays are zero.
void fillSampleStore(const GeneratedFlight& flight, SampleStore& store);

}  // namespace tarvel::flightgen
