#pragma once
// The best estimate of height and vertical velocity through the whole flight,
// with its uncertainty: the accelerometer and the barometer fused by a Kalman
// filter and a backward (Rauch-Tung-Striebel) smoothing pass.
//
// The state is height above the pad, vertical velocity, the accelerometer's
// bias and the pad's pressure altitude. The measured acceleration drives the
// prediction; the pressure altitude corrects it, trusted less near Mach 1
// (shock waves over the ports), at sharp acceleration changes (ejection
// charges and chute shock load the bay's air) and when it strays far from the
// prediction (a stalled or lagging sensor). Samples at rest on the pad are
// known to have neither height nor velocity, which pins the bias and the
// pad's level before launch.

#include <optional>
#include <vector>

#include "flight_samples.h"

namespace tarvel::events {

struct Apogee {
    double altitude = 0;  // m above the pad
    double sigma = 0;     // standard deviation of the altitude, m
    double time = 0;      // s on the time axis
};

struct FlightEstimate {
    // One value per sample; heights above the pad.
    std::vector<double> altitude, altitudeSigma, velocity, velocitySigma;
    std::optional<Apogee> apogee;    // absent when the rocket never turned back down
    double padPressureAltitude = 0;  // m above sea level
    // The sensors' noise as read off the flight (standard deviations).
    double accelNoise = 0;     // m/s^2
    double altitudeNoise = 0;  // m
    double barometerLag = 0;   // s the readings trail the motion by
};

// What the estimate needs to know of the events: when the rocket left the pad
// (samples well before are at rest; a recording that starts after it begins
// in motion), absent when no launch was found.
FlightEstimate estimateFlight(const SampleColumns& columns, std::optional<double> launchTime);

}  // namespace tarvel::events
