#pragma once
// A rocket profile: the details of one rocket (weight, propellant weight,
// diameter, drag coefficient, motor duration) under a name of the user's, so
// that a flight which carries no details of its own (a download) gets the
// right rocket with one command. Values are kept in SI units, so a profile
// saved while the weights were shown in ounces applies to a flight shown in
// grams. Standard library only; the user's store is rocket_profile_store.h.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "flight.h"

namespace tarvel {

struct RocketProfile {
    std::string name;
    double weightKg = 0;      // the rocket with its motor, at lift-off
    double propellantKg = 0;  // from 0 up to the weight
    double diameterM = 0;     // of the body
    double dragCoefficient = 0;
    double motorDurationS = 0;
    bool operator==(const RocketProfile&) const = default;
};

// The fields a profile holds, in the order the window's Tab reaches them.
inline constexpr DetailField kProfileFields[] = {
    DetailField::FileDetailWeight,          DetailField::FileDetailDiameter,
    DetailField::FileDetailCoefficientDrag, DetailField::txtMotorDuration,
    DetailField::FileDetailPropellantWt,
};

// A profile's name as typed, without the spaces around it; a name is 1 to
// kMaxProfileNameChars characters with no control character.
inline constexpr size_t kMaxProfileNameChars = 64;
std::string trimmedProfileName(std::string_view typed);
Status checkProfileName(std::string_view name);

// A rocket a profile can hold: a weight, diameter, drag coefficient and motor
// duration above 0 and finite, a propellant weight from 0 up to the weight.
// A refusal names the window's field.
Status checkRocketProfile(const RocketProfile& profile);

// A profile of the flight's details (its name left empty), the weights read
// in the flight's weight unit; nullopt with the refusal in `why` when a
// detail is no number a rocket can have.
std::optional<RocketProfile> profileOfDetails(const Flight& flight, Status& why);

// The texts the profile puts into the detail fields, the weights in weight
// unit `massUnit` (0 oz, 1 lbs, 2 g), in kProfileFields order (the order a
// user typing them would leave the fields in).
std::vector<std::pair<DetailField, std::string>> profileDetailTexts(const RocketProfile& profile,
                                                                    int16_t massUnit);

// Puts the profile's details into a flight that is read, not shown: the texts
// only, nothing is recalculated. A flight the window shows takes them as if
// typed (flight_analysis.h).
void applyRocketProfile(const RocketProfile& profile, Flight& flight);

}  // namespace tarvel
