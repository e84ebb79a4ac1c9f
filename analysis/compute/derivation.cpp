#include "derivation.h"

#include <algorithm>
#include <cmath>

#include "kinematics.h"
#include "number_text.h"

namespace tarvel {

namespace {

bool allFinite(const SampleArray& values) {
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

Derivation refused(std::string message) { return {Status::failure(std::move(message)), std::nullopt}; }

// Refuses a calculation that would divide by zero, before anything is
// computed: the burn is divided by the motor duration, altitudes by the
// first pressure.
Status checkComputable(const DerivationInput& in) {
    const std::string& duration = in.details[static_cast<size_t>(DetailField::txtMotorDuration)];
    const std::optional<double> seconds = parseNumber(duration);
    if (!seconds || *seconds == 0)
        return Status::failure("The motor duration \"" + duration +
                               "\" is not a number other than 0. The previous results are kept.");
    const double ground = at(in.samples.aPressure, 1);
    if (in.view == DerivedView::AllCurves && !(std::isfinite(ground) && ground != 0))
        return Status::failure(
            "The first pressure sample is 0, so no altitude can be computed. "
            "The previous results are kept.");
    return Status::success();
}

}  // namespace

Derivation deriveFlight(const DerivationInput& in) {
    if (Status check = checkComputable(in); !check.ok) return refused(std::move(check.message));
    DerivedFlight out;
    out.motorDurationIndex =
        CalculateThrustValues(in.samples, in.details, in.units, in.previousVelocity, out.thrust);
    if (in.view == DerivedView::AllCurves)
        CalculateVelocities(in.samples, in.units, out.velocity);
    else
        out.velocity = in.previousVelocity;
    // The figures show the maximum altitude in the burn view too.
    CalculateAltitudes(in.samples, in.units, out.altitude);
    if (!allFinite(out.velocity) || !allFinite(out.altitude) || !allFinite(out.thrust))
        return refused(
            "The flight cannot be computed with these details: a result is not a number. "
            "The previous results are kept.");
    out.figures = summarizeFlight(in.samples, out.velocity, out.altitude, out.thrust, in.details, in.units);
    return {Status::success(), std::move(out)};
}

}  // namespace tarvel
