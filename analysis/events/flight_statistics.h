#pragma once
// Figures per flight phase: boost (launch to burnout), coast (burnout to
// apogee), descent under the drogue (apogee to main, or to landing when no
// main opened) and under the main (main to landing). SI units: s, m, m/s,
// m/s^2. A figure whose events are absent is absent.

#include <optional>

#include "flight_estimate.h"
#include "flight_events.h"
#include "flight_samples.h"

namespace tarvel::events {

inline constexpr double kDefaultRailLengthM = 1.0;

struct FlightStatistics {
    std::optional<double> timeToApogee, boostDuration, coastDuration, drogueDuration, mainDuration;
    std::optional<double> flightTime;  // launch to landing
    // Descent rates (positive down) over the steady part under each chute.
    std::optional<double> drogueDescentRate, mainDescentRate;
    std::optional<double> burnoutAltitude, burnoutVelocity, mainAltitude;
    std::optional<double> maxAcceleration, averageBoostAcceleration;
    std::optional<double> maxVelocity;  // of the estimate
    std::optional<double> maxMach;
    double railLength = kDefaultRailLengthM;
    std::optional<double> railExitVelocity;  // from the accelerometer
};

FlightStatistics flightStatistics(const SampleColumns& columns, const FlightEstimate& estimate,
                                  const FlightEvents& events, double railLength = kDefaultRailLengthM);

// Velocity after `railLength` metres of travel from the launch, integrating
// the acceleration; absent when the record ends first.
std::optional<double> railExitVelocity(const SampleColumns& columns, double launch, double railLength);

}  // namespace tarvel::events
