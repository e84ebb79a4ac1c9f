#pragma once
// Flight computations on the sample store: velocity integrated from
// acceleration, altitude from pressure, thrust from acceleration, weight and
// drag, and the motor's impulse class.

#include <array>
#include <cstdint>
#include <string>

#include "flight_analysis.h"

namespace tarvel {

// The main window's own velocity table, (from, to) with 0 mph, 1 ft/s,
// 2 km/h, 3 m/s; the thrust pass uses its column "to mph".
inline constexpr std::array<std::array<double, 4>, 4> MainVelocityFactor{{
    {1.0, 1.467, 1.609, 0.447},
    {0.6818, 1.0, 1.097, 0.3048},
    {0.6214, 0.9113, 1.0, 0.2778},
    {2.237, 3.281, 3.6, 1.0},
}};

// Ground-pressure altitude in feet of pressure `p` over the first sample's `p1`.
double baroAltitudeFeet(double p, double p1);

// Full recalculation: the thrust pass (on the velocities of the previous
// calculation), then velocity and altitude of samples 1..SampleCount.
void CalculateAllValues(FlightAnalysis& fa);

// One sample of the velocity/altitude pass. `VelocityDone` belongs to the
// pass: once a velocity falls below 1 the later samples read zero.
void CalculateValues(FlightAnalysis& fa, int16_t Index, bool& VelocityDone);
void CalculateVelocity(FlightAnalysis& fa, int16_t Index, bool& VelocityDone);
void CalculateAltitude(FlightAnalysis& fa, int16_t Index);
// Altitudes of samples 1..SampleCount alone, for the burn view: they depend
// only on pressure and the altitude unit.
void CalculateAltitudes(FlightAnalysis& fa);

// Thrust pass over the motor burn, from slot 1 until the elapsed time passes
// the motor duration; sets MotorDurationIndex to the first slot not computed
// and zeroes the thrust from there on.
void CalculateThrustValues(FlightAnalysis& fa);

// Aerodynamic drag at `curVelocityMph` from the diameter and drag coefficient
// fields, in the unit the thrust formula adds it in.
double CalculateDragForce(const FlightAnalysis& fa, double curVelocityMph);

// Impulse class letter "A".."P" of a total impulse in the given thrust unit
// (0 N, 1 lbs) times seconds; empty below A, above P and in the gaps.
std::string MotorClass(double impulse, int16_t thrustUnit);

}  // namespace tarvel
