#include "units.h"

#include <optional>
#include <string>

#include "number_text.h"

namespace tarvel {

namespace {

constexpr std::array<UnitOption, 2> kDistanceOptions{{
    {"Feet", "(ft)", "ft"},
    {"Meters", "(m)", "m"},
}};
constexpr std::array<UnitOption, 4> kVelocityOptions{{
    {"mph", "(mph)", "mph"},
    {"ft/s", "(ft/s)", "ft/s"},
    {"km/h", "(km/h)", "km/h"},
    {"m/s", "(m/s)", "m/s"},
}};
constexpr std::array<UnitOption, 2> kThrustOptions{{
    {"Newtons", "(N)", "N"},
    {"Pounds", "(lbs)", "lbs"},
}};
constexpr std::array<UnitOption, 3> kMassOptions{{
    {"Ounces", "(oz)", "oz"},
    {"Pounds", "(lbs)", "lbs"},
    {"Grams", "(g)", "g"},
}};

bool inRange(UnitGroup group, int index) {
    return index >= 0 && static_cast<size_t>(index) < unitOptions(group).size();
}

}  // namespace

std::span<const UnitOption> unitOptions(UnitGroup group) {
    switch (group) {
        case UnitGroup::Distance:
            return kDistanceOptions;
        case UnitGroup::Velocity:
            return kVelocityOptions;
        case UnitGroup::Thrust:
            return kThrustOptions;
        case UnitGroup::Mass:
            return kMassOptions;
    }
    return {};
}

std::string_view unitTag(UnitGroup group, int index) {
    return inRange(group, index) ? unitOptions(group)[static_cast<size_t>(index)].tag : std::string_view{};
}

std::optional<int16_t> unitIndex(UnitGroup group, std::string_view nameOrTag) {
    auto options = unitOptions(group);
    for (size_t i = 0; i < options.size(); ++i) {
        if (options[i].name == nameOrTag || options[i].tag == nameOrTag) return static_cast<int16_t>(i);
    }
    return std::nullopt;
}

bool validUnitSelection(const UnitSelection& units) {
    return inRange(UnitGroup::Distance, units.Distance) && inRange(UnitGroup::Velocity, units.Velocity) &&
           inRange(UnitGroup::Thrust, units.Thrust) && inRange(UnitGroup::Mass, units.Mass);
}

int16_t selectedUnit(const UnitSelection& units, UnitGroup group) {
    switch (group) {
        case UnitGroup::Distance:
            return units.Distance;
        case UnitGroup::Velocity:
            return units.Velocity;
        case UnitGroup::Thrust:
            return units.Thrust;
        case UnitGroup::Mass:
            break;
    }
    return units.Mass;
}

std::string_view selectedTag(const UnitSelection& units, UnitGroup group) {
    return unitTag(group, selectedUnit(units, group));
}

void SetAccelG(UnitSelection&) {}
void SetThrustN(UnitSelection& units) { units.Thrust = 0; }
void SetThrustLBS(UnitSelection& units) { units.Thrust = 1; }
void SetAltitudeFt(UnitSelection& units) { units.Distance = 0; }
void SetAltitudeM(UnitSelection& units) { units.Distance = 1; }
void SetVelocityMPH(UnitSelection& units) { units.Velocity = 0; }
void SetVelocityFPS(UnitSelection& units) { units.Velocity = 1; }
void SetVelocityKMPH(UnitSelection& units) { units.Velocity = 2; }
void SetVelocityMPS(UnitSelection& units) { units.Velocity = 3; }
void SetWeightOz(UnitSelection& units) { units.Mass = 0; }
void SetWeightLbs(UnitSelection& units) { units.Mass = 1; }
void SetWeightG(UnitSelection& units) { units.Mass = 2; }

std::optional<double> parseFigure(std::string_view text, const NumberLocale& locale) {
    std::string plain;
    plain.reserve(text.size());
    auto startsWith = [&text](size_t i, const std::string& part) {
        return !part.empty() && text.substr(i, part.size()) == part;
    };
    for (size_t i = 0; i < text.size();) {
        if (startsWith(i, locale.groupSeparator)) {
            i += locale.groupSeparator.size();
        } else if (startsWith(i, locale.decimalPoint)) {
            plain.push_back('.');
            i += locale.decimalPoint.size();
        } else {
            plain.push_back(text[i++]);
        }
    }
    return parseNumber(plain);
}

}  // namespace tarvel
