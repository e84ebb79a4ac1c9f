#include "accuracy_flights.h"

#include <cmath>

namespace tarvel::events {

namespace {

using flightgen::FlightParameters;

// A rocket for a motor of `impulse` N s burning `burn` s.
FlightParameters rocket(double impulse, double burn, double massKg, double propellantKg, double diameterM) {
    FlightParameters p;
    p.totalImpulseNs = impulse;
    p.burnTimeS = burn;
    p.liftoffMassKg = massKg;
    p.propellantMassKg = propellantKg;
    p.diameterM = diameterM;
    p.dragCoefficient = 0.5;
    return p;
}

FlightParameters dualDeploy(FlightParameters p, double drogue, double main, double mainAltitude) {
    p.drogueRateMps = drogue;
    p.mainRateMps = main;
    p.mainAltitudeM = mainAltitude;
    return p;
}

template <typename Change>
FlightParameters with(FlightParameters p, Change change) {
    change(p);
    return p;
}

std::vector<AccuracyFlight> makeFlights() {
    const FlightParameters b = rocket(4.5, 0.8, 0.040, 0.006, 0.018);
    const FlightParameters c = rocket(9, 1.6, 0.060, 0.0125, 0.025);
    const FlightParameters d = rocket(18, 1.7, 0.100, 0.025, 0.025);
    const FlightParameters e = rocket(35, 2.5, 0.180, 0.035, 0.030);
    const FlightParameters f = rocket(70, 1.5, 0.450, 0.060, 0.041);
    const FlightParameters g = rocket(130, 1.6, 0.800, 0.100, 0.054);
    const FlightParameters h = dualDeploy(rocket(250, 1.8, 1.5, 0.20, 0.066), 18, 6, 120);
    const FlightParameters i = dualDeploy(rocket(500, 2.0, 2.5, 0.35, 0.075), 20, 6, 150);
    const FlightParameters j = dualDeploy(rocket(1000, 2.5, 5.0, 0.60, 0.100), 25, 6, 200);
    const FlightParameters k = dualDeploy(rocket(2000, 3.0, 7.0, 1.20, 0.100), 25, 6, 250);
    return {
        {"B motor", b},
        {"C motor", c},
        {"D motor", d},
        {"E motor", e},
        {"F motor", f},
        {"G motor", g},
        {"H dual deploy", h},
        {"I dual deploy", i},
        {"J dual deploy", j},
        {"K long high flight", k},
        {"C noisy sensors",
         with(c, [](auto& p) { p.accelNoiseG = 0.15, p.pressureNoisePsi = 0.010, p.seed = 2; })},
        {"G quiet sensors",
         with(g, [](auto& p) { p.accelNoiseG = 0.01, p.pressureNoisePsi = 0.001, p.seed = 3; })},
        {"H no main", with(h, [](auto& p) { p.mainAltitudeM = 0, p.drogueRateMps = 12; })},
        {"short hop", rocket(2.5, 0.4, 0.200, 0.004, 0.030)},
        {"F cut off before landing", with(f, [](auto& p) { p.maxSamples = 1500; })},
        {"D pad wait and rest",
         with(d, [](auto& p) { p.padWaitS = 3, p.restAfterLandingS = 4, p.seed = 4; })},
        {"I pad wait and rest",
         with(i, [](auto& p) { p.padWaitS = 2, p.restAfterLandingS = 5, p.seed = 5; })},
        {"E ejection before apogee", with(e, [](auto& p) { p.deployDelayS = 7, p.seed = 6; })},
        {"G high site", with(g, [](auto& p) { p.siteAltitudeM = 1500, p.seed = 7; })},
        {"D at 20 Hz", with(d, [](auto& p) { p.timeStepS = 0.05, p.seed = 8; })},
        {"H saturating accelerometer", with(h, [](auto& p) { p.accelRangeG = 12, p.seed = 9; })},
        {"G lagging barometer", g, 0.3},
        {"G stalled barometer", g, 0, 3.0, 1.5},
    };
}

}  // namespace

const std::vector<AccuracyFlight>& accuracyFlights() {
    static const std::vector<AccuracyFlight> flights = makeFlights();
    return flights;
}

GeneratedCase generateCase(const AccuracyFlight& setup) {
    GeneratedCase out;
    out.flight = flightgen::generateFlight(setup.params);
    out.truth = flightgen::flightTruth(out.flight);
    // The faults go into the raw readings, so the record and the samples agree.
    double t = 0, lagged = 0;
    uint16_t stuck = 0;
    for (size_t n = 0; n < out.flight.samples.size(); ++n) {
        flightgen::RawSample& raw = out.flight.samples[n];
        const double dt = flightgen::stepSeconds(raw.timeStep);
        t += dt;
        if (setup.baroLagS > 0) {
            const double psi = flightgen::pressurePsi(raw.pressure);
            lagged = n == 0 ? psi : lagged + (psi - lagged) * (1 - std::exp(-dt / setup.baroLagS));
            raw.pressure = flightgen::pressureRawFromPsi(lagged);
        }
        const bool stalled = setup.baroStallFor > 0 && t >= setup.baroStallFrom &&
                             t < setup.baroStallFrom + setup.baroStallFor;
        if (stalled)
            raw.pressure = stuck;
        else
            stuck = raw.pressure;
        out.samples.deltaTime.push_back(dt);
        out.samples.pressurePsi.push_back(flightgen::pressurePsi(raw.pressure));
        out.samples.accelG.push_back(flightgen::accelG(raw.accel));
    }
    return out;
}

}  // namespace tarvel::events
