#include "flight_truth.h"

#include <cstdio>

namespace tarvel::flightgen {

namespace {

void appendLine(std::string& text, const char* format, auto... values) {
    char line[96];
    std::snprintf(line, sizeof line, format, values...);
    text += line;
}

}  // namespace

FlightTruth flightTruth(const GeneratedFlight& flight) {
    FlightTruth truth;
    if (flight.samples.empty()) return truth;
    // The model's figures count from the first sample, which the time axis
    // puts at one step; the model ran one step past the last sample.
    const double step = stepSeconds(flight.samples.front().timeStep);
    const double end = step * static_cast<double>(flight.samples.size());
    auto onAxis = [&](double since) -> std::optional<double> {
        if (since > end) return std::nullopt;
        return since + step;
    };
    const ModelFigures& m = flight.model;
    truth.launch = onAxis(m.liftoffTimeS);
    truth.burnout = onAxis(m.burnoutTimeS);
    // The highest point so far is the apogee only once the rocket falls again.
    if (flight.truth.back().velocityMps < 0 || m.landingTimeS >= 0) truth.apogee = onAxis(m.apogeeTimeS);
    if (m.deployTimeS >= 0) truth.deployment = onAxis(m.deployTimeS);
    // A main set to open at the pad's height opens at touchdown: no main in flight.
    if (m.mainDeployTimeS >= 0 && (m.landingTimeS < 0 || m.mainDeployTimeS < m.landingTimeS))
        truth.main = onAxis(m.mainDeployTimeS);
    if (m.landingTimeS >= 0) truth.landing = onAxis(m.landingTimeS);
    truth.apogeeM = m.apogeeM;
    truth.maxVelocityMps = m.maxVelocityMps;
    return truth;
}

std::string truthText(const GeneratedFlight& flight) {
    const FlightTruth truth = flightTruth(flight);
    std::string text;
    auto event = [&](const char* name, const std::optional<double>& time) {
        if (time)
            appendLine(text, "%s,%.5f\n", name, *time);
        else
            appendLine(text, "%s,\n", name);
    };
    event("launch", truth.launch);
    event("burnout", truth.burnout);
    event("apogee", truth.apogee);
    event("deployment", truth.deployment);
    event("main", truth.main);
    event("landing", truth.landing);
    appendLine(text, "apogee_altitude,%.4f\nmax_velocity,%.4f\ntime,altitude,velocity\n", truth.apogeeM,
               truth.maxVelocityMps);
    double time = 0;
    for (size_t i = 0; i < flight.samples.size(); ++i) {
        time += stepSeconds(flight.samples[i].timeStep);
        appendLine(text, "%.5f,%.4f,%.4f\n", time, flight.truth[i].heightM, flight.truth[i].velocityMps);
    }
    return text;
}

}  // namespace tarvel::flightgen
