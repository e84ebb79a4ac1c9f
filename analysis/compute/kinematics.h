#pragma once
// Flight computations on the sample table: velocity integrated from
// acceleration, altitude from pressure, thrust from acceleration, weight and
// drag, and the motor's impulse class.

#include <array>
#include <cstdint>
#include <string>

#include "flight.h"

namespace tarvel {

// Ground-pressure altitude in feet of pressure `p` over the first sample's `p1`.
double baroAltitudeFeet(double p, double p1);

// The passes of a recalculation, each on the sample table and writing one
// derived column (samples 1..SampleCount; the slots past them stay zero).

// Velocity integrated from acceleration. Once a velocity falls below 1 the
// later samples read zero.
void CalculateVelocities(const SampleStore& s, const UnitSelection& units, SampleArray& velocity);
// Altitudes from pressure over the first sample's pressure.
void CalculateAltitudes(const SampleStore& s, const UnitSelection& units, SampleArray& altitude);
// Thrust over the motor burn, from slot 1 until the elapsed time passes the
// motor duration, with the drag taken at `previousVelocity` (the velocities
// of the previous calculation, in `units`). Returns the first slot not
// computed (MotorDurationIndex); the thrust is zero from there on.
int16_t CalculateThrustValues(const SampleStore& s, const DetailTexts& details, const UnitSelection& units,
                              const SampleArray& previousVelocity, SampleArray& thrust);

// Aerodynamic drag at `curVelocityMph` from the diameter and drag coefficient
// fields, in the unit the thrust formula adds it in.
double CalculateDragForce(const DetailTexts& details, double curVelocityMph);

// Impulse class letter "A".."P" of a total impulse in the given thrust unit
// (0 N, 1 lbs) times seconds; empty below A, above P and in the gaps.
std::string MotorClass(double impulse, int16_t thrustUnit);

}  // namespace tarvel
