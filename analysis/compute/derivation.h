#pragma once
// The derivation of a flight: from its sample table, its details and the
// units to show it in, the velocity, altitude and thrust columns and the
// figures. A pure function: a refused derivation returns the reason and
// nothing else, so whoever holds the previous result keeps it.

#include <optional>

#include "flight.h"
#include "summary.h"

namespace tarvel {

// The all-curves view computes every column; the burn view only the thrust
// and the altitudes (which the figures need) and keeps the velocities.
enum class DerivedView { AllCurves, Burn };

struct DerivationInput {
    const SampleStore& samples;  // delta time, pressure and acceleration are read
    const DetailTexts& details;  // weights, diameter, drag coefficient, motor duration
    UnitSelection units;         // of the result and of the weights
    DerivedView view;
    // The velocities of the previous calculation, in `units`: the thrust
    // pass takes its drag from them.
    const SampleArray& previousVelocity;
};

struct DerivedFlight {
    SampleArray velocity, altitude, thrust;
    int16_t motorDurationIndex = 0;        // first slot past the burn
    std::optional<FlightFigures> figures;  // none for a flight too short for them
};

struct Derivation {
    Status status;  // !ok: why the flight cannot be derived; `flight` is empty
    std::optional<DerivedFlight> flight;
};

// Refuses a motor duration of 0 or no number, a first pressure of 0 (all
// curves; altitudes are divided by it) and a result that is no finite number.
Derivation deriveFlight(const DerivationInput& in);

}  // namespace tarvel
