#include "flight_generator.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <stdexcept>

namespace tarvel::flightgen {

namespace {

constexpr double kG0 = 9.80665;
constexpr double kPaPerPsi = 6894.757293168;
constexpr double kAirGasConstant = 287.053;  // J/(kg K)
constexpr double kChuteInflationS = 0.5;
constexpr double kPi = 3.14159265358979323846;
// The model integrates in steps of at most a millisecond; the recorder samples
// every n-th step.
constexpr double kMaxModelStepS = 0.001;

struct Atmosphere {
    double pressurePa;
    double density;
};

// International standard atmosphere: troposphere lapse rate up to 11 km,
// isothermal above (no flight of ours goes much higher).
Atmosphere standardAtmosphere(double altitudeM) {
    constexpr double kSeaLevelPa = 101325.0, kSeaLevelK = 288.15, kLapse = 0.0065;
    constexpr double kTropopauseM = 11000.0;
    constexpr double kExponent = kG0 / (kAirGasConstant * kLapse);  // 5.2559
    if (altitudeM <= kTropopauseM) {
        double temperature = kSeaLevelK - kLapse * altitudeM;
        double pressure = kSeaLevelPa * std::pow(temperature / kSeaLevelK, kExponent);
        return {pressure, pressure / (kAirGasConstant * temperature)};
    }
    constexpr double kTropopauseK = kSeaLevelK - kLapse * kTropopauseM;
    double tropopausePa = kSeaLevelPa * std::pow(kTropopauseK / kSeaLevelK, kExponent);
    double pressure =
        tropopausePa * std::exp(-kG0 * (altitudeM - kTropopauseM) / (kAirGasConstant * kTropopauseK));
    return {pressure, pressure / (kAirGasConstant * kTropopauseK)};
}

// Normalised thrust shape over the burn (u = t / burn time), piecewise linear.
class ThrustCurve {
public:
    explicit ThrustCurve(const FlightParameters& p) : m_burn(p.burnTimeS), m_peak(p.peakRatio) {
        // Area under the shape: 0.05 p/2 + 0.15 (p+1)/2 + 0.65 + 0.15/2.
        double area = 0.1 * m_peak + 0.8;
        m_sustainN = p.totalImpulseNs / (p.burnTimeS * area);
    }
    double at(double t) const {
        if (t <= 0 || t >= m_burn) return 0;
        double u = t / m_burn;
        double shape;
        if (u < 0.05)
            shape = m_peak * u / 0.05;
        else if (u < 0.2)
            shape = m_peak + (1 - m_peak) * (u - 0.05) / 0.15;
        else if (u < 0.85)
            shape = 1;
        else
            shape = (1 - u) / 0.15;
        return m_sustainN * shape;
    }

private:
    double m_burn, m_peak, m_sustainN;
};

// Gaussian noise from a seeded engine. The standard library leaves its normal
// distribution to the implementation, so it is built here from raw engine
// output (Box-Muller) to give the same numbers with every compiler.
class Noise {
public:
    explicit Noise(uint64_t seed) : m_engine(seed) {}
    double gaussian(double sigma) {
        if (sigma <= 0) return 0;
        double u1 = uniform(), u2 = uniform();
        return sigma * std::sqrt(-2.0 * std::log(u1)) * std::cos(2 * kPi * u2);
    }

private:
    double uniform() {  // (0, 1]
        return (static_cast<double>(m_engine() >> 11) + 1.0) * 0x1.0p-53;
    }
    std::mt19937_64 m_engine;
};

struct State {
    double height = 0;  // above the pad, m
    double velocity = 0;
    double mass = 0;
};

// Chute drag area (Cd x area) that makes `mass` descend at `rate` at the site.
double chuteDragArea(double mass, double rate, double siteDensity) {
    return rate > 0 ? 2 * mass * kG0 / (siteDensity * rate * rate) : 0;
}

double ramp(double sinceS) { return std::clamp(sinceS / kChuteInflationS, 0.0, 1.0); }

// The flight computer's recorder: the sensors' readings of the model's state,
// with their noise, counts and range, and the state itself as the truth.
class Recorder {
public:
    Recorder(const FlightParameters& p, GeneratedFlight& flight)
        : m_p(p),
          m_flight(flight),
          m_noise(p.seed),
          m_stepRaw(static_cast<uint16_t>(std::lround(p.timeStepS / kTimeStepUnit))),
          m_rangeCounts(static_cast<int16_t>(accelCountFromG(p.accelRangeG))) {}

    // One sample of kinematic acceleration `a` (m/s^2) in state `s`; true once
    // the recorder is full.
    bool sample(double a, const State& s) {
        double measuredG = a / kG0 + m_noise.gaussian(m_p.accelNoiseG);
        double psi = standardAtmosphere(m_p.siteAltitudeM + s.height).pressurePa / kPaPerPsi +
                     m_noise.gaussian(m_p.pressureNoisePsi);
        RawSample raw;
        raw.timeStep = m_stepRaw;
        raw.pressure = pressureRawFromPsi(psi);
        raw.accel = std::clamp(static_cast<int16_t>(accelCountFromG(measuredG)),
                               static_cast<int16_t>(-m_rangeCounts), m_rangeCounts);
        m_flight.samples.push_back(raw);
        m_flight.truth.push_back({s.height, s.velocity});
        return static_cast<int>(m_flight.samples.size()) >= m_p.maxSamples;
    }
    // Samples at rest, for the pad wait and after touchdown.
    bool rest(double seconds, const State& s) {
        for (long n = std::lround(seconds / m_p.timeStepS); n > 0; --n)
            if (sample(0.0, s)) return true;
        return false;
    }

private:
    const FlightParameters& m_p;
    GeneratedFlight& m_flight;
    Noise m_noise;
    uint16_t m_stepRaw;
    int16_t m_rangeCounts;
};

}  // namespace

uint16_t pressureRawFromPsi(double psi) {
    return std::min<uint16_t>(fltport::pressureRaw(psi), kPressureFullScale);
}

std::string checkParameters(const FlightParameters& p) {
    auto within = [](double v, double lo, double hi) { return std::isfinite(v) && v >= lo && v <= hi; };
    double stepCounts = p.timeStepS / kTimeStepUnit;
    if (!within(p.totalImpulseNs, 0.1, 100000)) return "total impulse must be 0.1 to 100000 N s";
    if (!within(p.burnTimeS, 0.05, 60)) return "burn time must be 0.05 to 60 s";
    if (!within(p.peakRatio, 1, 20)) return "peak ratio must be 1 to 20";
    if (!within(p.liftoffMassKg, 0.001, 1000)) return "lift-off mass must be 1 g to 1000 kg";
    if (!within(p.propellantMassKg, 0, p.liftoffMassKg * 0.9))
        return "propellant mass must be 0 to 90% of the lift-off mass";
    if (!within(p.diameterM, 0.001, 2)) return "diameter must be 1 mm to 2 m";
    if (!within(p.dragCoefficient, 0, 5)) return "drag coefficient must be 0 to 5";
    if (!std::isfinite(p.deployDelayS) || p.deployDelayS > 600)
        return "deploy delay must be at most 600 s (negative for apogee)";
    if (!within(p.drogueRateMps, 0, 200)) return "drogue descent rate must be 0 to 200 m/s";
    if (!within(p.mainRateMps, 0.5, 100)) return "main descent rate must be 0.5 to 100 m/s";
    if (!within(p.mainAltitudeM, 0, 100000)) return "main chute altitude must be 0 to 100000 m";
    if (!within(p.siteAltitudeM, -400, 8000)) return "site altitude must be -400 to 8000 m";
    if (!within(p.timeStepS, 0.001, 0.5) || std::abs(stepCounts - std::round(stepCounts)) > 1e-6)
        return "time step must be 0.001 to 0.5 s in whole 10 us counts";
    if (p.maxSamples < 1 || p.maxSamples > kMaxSamples) return "sample count cap must be 1 to 20000";
    if (!within(p.launchDetectG, 0.1, 100)) return "launch detection must be 0.1 to 100 G";
    if (!within(p.accelNoiseG, 0, 10)) return "acceleration noise must be 0 to 10 G";
    if (!within(p.pressureNoisePsi, 0, 1)) return "pressure noise must be 0 to 1 psi";
    if (!within(p.accelRangeG, 1, 4000)) return "acceleration range must be 1 to 4000 G";
    if (!within(p.padWaitS, 0, 600)) return "pad wait must be 0 to 600 s";
    if (!within(p.restAfterLandingS, 0, 600)) return "rest after touchdown must be 0 to 600 s";
    return {};
}

GeneratedFlight generateFlight(const FlightParameters& p) {
    if (std::string problem = checkParameters(p); !problem.empty()) throw std::invalid_argument(problem);

    const ThrustCurve thrust(p);
    const double siteDensity = standardAtmosphere(p.siteAltitudeM).density;
    const double dryMass = p.liftoffMassKg - p.propellantMassKg;
    const double drogueArea = chuteDragArea(dryMass, p.drogueRateMps, siteDensity);
    const double mainArea = chuteDragArea(dryMass, p.mainRateMps, siteDensity);
    const double bodyArea = kPi * p.diameterM * p.diameterM / 4;
    const int stepsPerSample = static_cast<int>(std::ceil(p.timeStepS / kMaxModelStepS - 1e-9));
    const double h = p.timeStepS / stepsPerSample;

    GeneratedFlight flight;
    ModelFigures& fig = flight.model;
    State s;
    s.mass = p.liftoffMassKg;
    bool airborne = false;
    double deployAt = -1, mainAt = -1;  // model times of the chute events

    auto chuteArea = [&](double t) {
        if (deployAt < 0) return 0.0;
        if (p.drogueRateMps <= 0) return mainArea * ramp(t - deployAt);
        double area = drogueArea * ramp(t - deployAt);
        if (mainAt >= 0) area += (mainArea - drogueArea) * ramp(t - mainAt);
        return area;
    };
    // Kinematic acceleration, m/s^2, at model time t.
    auto acceleration = [&](double t) {
        Atmosphere air = standardAtmosphere(p.siteAltitudeM + s.height);
        double dragArea = p.dragCoefficient * bodyArea + chuteArea(t);
        double drag = 0.5 * air.density * dragArea * s.velocity * std::abs(s.velocity);
        double a = (thrust.at(t) - drag) / s.mass - kG0;
        return airborne || a > 0 ? a : 0.0;  // the pad holds the rocket until thrust beats weight
    };

    Recorder recorder(p, flight);
    double t = 0, firstSampleAt = -1, liftoffAt = -1;
    int stepInSample = 0;
    bool recording = false, full = false;
    if (p.padWaitS > 0) {
        // Recording runs from the pad wait on, so ignition falls on a sample.
        recording = true;
        full = recorder.rest(p.padWaitS, s);
        firstSampleAt = -static_cast<double>(flight.samples.size()) * p.timeStepS;
        stepInSample = 0;
    }
    while (!full) {
        double a = acceleration(t);
        if (!recording && a / kG0 >= p.launchDetectG) {
            recording = true;
            firstSampleAt = t;
            stepInSample = 0;
        }
        if (!recording && t > p.burnTimeS)
            throw std::runtime_error(
                "the motor never accelerates the rocket to the launch detection threshold");
        if (recording && stepInSample == 0 && recorder.sample(a, s)) break;

        if (a > 0 && !airborne) liftoffAt = t;
        if (a > 0) airborne = true;
        double burning = thrust.at(t);
        s.velocity += a * h;
        s.height += s.velocity * h;
        s.mass -= p.propellantMassKg * burning * h / p.totalImpulseNs;
        t += h;
        stepInSample = (stepInSample + 1) % stepsPerSample;

        double since = recording ? t - firstSampleAt : 0;
        fig.maxAccelG = std::max(fig.maxAccelG, a / kG0);
        fig.maxVelocityMps = std::max(fig.maxVelocityMps, s.velocity);
        if (s.height > fig.apogeeM) {
            fig.apogeeM = s.height;
            fig.apogeeTimeS = since;
        }
        bool pastBurn = t >= p.burnTimeS;
        if (deployAt < 0 && pastBurn &&
            (p.deployDelayS >= 0 ? t >= p.burnTimeS + p.deployDelayS : s.velocity <= 0)) {
            deployAt = t;
            fig.deployTimeS = since;
        }
        if (p.drogueRateMps > 0 && deployAt >= 0 && mainAt < 0 && s.velocity < 0 &&
            s.height <= p.mainAltitudeM) {
            mainAt = t;
            fig.mainDeployTimeS = since;
        }
        if (airborne && s.height <= 0 && s.velocity < 0) {
            fig.landingTimeS = since;
            s = State{0, 0, s.mass};
            recorder.rest(p.restAfterLandingS, s);
            break;
        }
    }
    fig.launchDetectTimeS = firstSampleAt;
    fig.burnoutTimeS = p.burnTimeS - firstSampleAt;
    fig.burnoutMassKg = dryMass;
    fig.liftoffTimeS = liftoffAt - firstSampleAt;
    return flight;
}

void fillSampleStore(const GeneratedFlight& flight, SampleStore& store) {
    size_t n = std::min(flight.samples.size(), static_cast<size_t>(kMaxSamples));
    store = SampleStore{};
    store.holdSlots(static_cast<int>(n));
    for (size_t i = 0; i < n; ++i) {
        const RawSample& raw = flight.samples[i];
        store.aDeltaTime[i + 1] = stepSeconds(raw.timeStep);
        store.aPressure[i + 1] = pressurePsi(raw.pressure);
        store.aAccel[i + 1] = accelG(raw.accel);
    }
    store.SampleCount = static_cast<int16_t>(std::max<size_t>(n, 1));
}

}  // namespace tarvel::flightgen
