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

// The units dialog writes figures in the general number text, which always
// uses "."; shown figures use the locale's point, so the text is mapped.
std::string localisedCut(double value, int decimals, const NumberLocale& locale) {
    std::string text = cutText(value, decimals);
    if (const size_t point = text.find('.'); point != std::string::npos)
        text.replace(point, 1, locale.decimalPoint);
    return text;
}

// Cut-1 of one shown figure. A figure that is not a number (empty before the
// first summary) is left as it is: there is nothing to convert.
void convertFigure(std::string& figure, double factor, const NumberLocale& locale) {
    if (auto value = parseFigure(figure, locale)) figure = localisedCut(factor * *value, 1, locale);
}

// Cut-3 of one weight field; the fields hold plain "." numbers like the files.
void convertWeight(std::string& field, double factor) {
    if (auto value = parseNumber(field)) field = cutText(factor * *value, 3);
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

void SetAccelG(FlightAnalysis&) {}
void SetThrustN(FlightAnalysis& fa) { fa.units.Thrust = 0; }
void SetThrustLBS(FlightAnalysis& fa) { fa.units.Thrust = 1; }
void SetAltitudeFt(FlightAnalysis& fa) { fa.units.Distance = 0; }
void SetAltitudeM(FlightAnalysis& fa) { fa.units.Distance = 1; }
void SetVelocityMPH(FlightAnalysis& fa) { fa.units.Velocity = 0; }
void SetVelocityFPS(FlightAnalysis& fa) { fa.units.Velocity = 1; }
void SetVelocityKMPH(FlightAnalysis& fa) { fa.units.Velocity = 2; }
void SetVelocityMPS(FlightAnalysis& fa) { fa.units.Velocity = 3; }
void SetWeightOz(FlightAnalysis& fa) { fa.units.Mass = 0; }
void SetWeightLbs(FlightAnalysis& fa) { fa.units.Mass = 1; }
void SetWeightG(FlightAnalysis& fa) { fa.units.Mass = 2; }

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

Status FlightAnalysis::applyUnits(const UnitSelection& ticked) {
    // An index outside a table would read past it; refuse before changing anything.
    if (!validUnitSelection(ticked) || !validUnitSelection(units))
        return Status::failure("Invalid unit selection.");

    // A refused recalculation must not leave the series in the old units under
    // the new captions (a save would then label the columns wrongly), so the
    // whole change is undone with it.
    const UnitSelection oldUnits = units;
    const UnitCaptions oldCaptions = captions;
    const FigureTexts oldFigures = figures;
    const std::string oldWeight = detail(DetailField::FileDetailWeight);
    const std::string oldPropellant = detail(DetailField::FileDetailPropellantWt);

    // Every figure is converted even when its unit stays, so "&OK" alone still
    // cuts the figures to one decimal.
    const double distance = DistanceFactor[units.Distance][ticked.Distance];
    convertFigure(figures.MaxAltitude, distance, numberLocale);
    units.Distance = ticked.Distance;
    captions.lblAltitude = unitTag(UnitGroup::Distance, ticked.Distance);

    const double velocity = VelocityFactor[units.Velocity][ticked.Velocity];
    convertFigure(figures.Velocity3Ft, velocity, numberLocale);
    convertFigure(figures.MaxVelocity, velocity, numberLocale);
    // The thrust pass takes its drag from the velocities of the previous
    // calculation and reads them in the selected unit, so they move to the new
    // unit with it; otherwise km/h values read as m/s would multiply the drag.
    std::optional<SampleArray> oldVelocities;
    if (units.Velocity != ticked.Velocity) {
        oldVelocities = samples.aVelocity;
        for (double& v : samples.aVelocity) v *= velocity;
    }
    units.Velocity = ticked.Velocity;
    captions.lblVelocity = unitTag(UnitGroup::Velocity, ticked.Velocity);

    const double thrust = ThrustFactor[units.Thrust][ticked.Thrust];
    convertFigure(figures.MaxThrust, thrust, numberLocale);
    convertFigure(figures.TotalImpulse, thrust, numberLocale);
    convertFigure(figures.AveThrust, thrust, numberLocale);
    units.Thrust = ticked.Thrust;
    captions.lblUnitsThrust = unitTag(UnitGroup::Thrust, ticked.Thrust);

    const double mass = MassFactor[units.Mass][ticked.Mass];
    convertWeight(detail(DetailField::FileDetailWeight), mass);
    convertWeight(detail(DetailField::FileDetailPropellantWt), mass);
    units.Mass = ticked.Mass;
    captions.lblUnitsMass = unitTag(UnitGroup::Mass, ticked.Mass);

    // Without a record there is nothing to recompute, and the empty sample
    // store has no ground pressure to compute altitudes from.
    if (!bValidFile) return Status::success();
    Status status = RecalculateGraph();
    if (!status.ok) {
        units = oldUnits;
        captions = oldCaptions;
        figures = oldFigures;
        detail(DetailField::FileDetailWeight) = oldWeight;
        detail(DetailField::FileDetailPropellantWt) = oldPropellant;
        if (oldVelocities) samples.aVelocity = *oldVelocities;
    }
    return status;
}

}  // namespace tarvel
