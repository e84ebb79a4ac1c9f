#include "rocket_profile.h"

#include <charconv>
#include <cmath>

#include "number_text.h"

namespace tarvel {

namespace {

// Exact definitions, so that a weight saved in one unit comes back as typed.
constexpr double kKilogramsPerUnit[] = {0.028349523125, 0.45359237, 0.001};  // oz, lbs, g
constexpr double kMetresPerInch = 0.0254;

double kilogramsPer(int16_t massUnit) {
    return kKilogramsPerUnit[massUnit == 1 || massUnit == 2 ? massUnit : 0];
}

// Five significant digits, far finer than a rocket is weighed or measured: a
// value that went through a unit's factor and back reads as it was typed
// ("4", not "3.99999999999999956"), and a converted one fits its field
// ("7.0548" oz for 200 g).
std::string fieldText(double value) {
    char digits[32];
    const auto written = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::general, 5);
    double rounded = value;
    std::from_chars(digits, written.ptr, rounded);
    return generalNumberText(rounded);
}

std::string quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

Status refusal(DetailField field, std::string_view rule) {
    return Status::failure(std::string(detailCaption(field)) + " must be " + std::string(rule) +
                           " for a rocket profile.");
}

}  // namespace

std::string trimmedProfileName(std::string_view typed) {
    const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!typed.empty() && space(typed.front())) typed.remove_prefix(1);
    while (!typed.empty() && space(typed.back())) typed.remove_suffix(1);
    return std::string(typed);
}

Status checkProfileName(std::string_view name) {
    if (name.empty()) return Status::failure("A rocket profile needs a name.");
    size_t characters = 0;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f)
            return Status::failure("The name of a rocket profile is one line without control characters.");
        if ((byte & 0xC0) != 0x80) ++characters;  // UTF-8: count the first byte of each
    }
    if (characters > kMaxProfileNameChars)
        return Status::failure("The name of a rocket profile has at most " +
                               std::to_string(kMaxProfileNameChars) + " characters; " + quoted(name) +
                               " has " + std::to_string(characters) + ".");
    return Status::success();
}

Status checkRocketProfile(const RocketProfile& p) {
    const std::pair<DetailField, double> positive[] = {
        {DetailField::FileDetailWeight, p.weightKg},
        {DetailField::FileDetailDiameter, p.diameterM},
        {DetailField::FileDetailCoefficientDrag, p.dragCoefficient},
        {DetailField::txtMotorDuration, p.motorDurationS},
    };
    for (const auto& [field, value] : positive)
        if (!(value > 0) || !std::isfinite(value)) return refusal(field, "a number greater than 0");
    if (!(p.propellantKg >= 0) || !(p.propellantKg <= p.weightKg))
        return refusal(DetailField::FileDetailPropellantWt, "a number from 0 up to the Total Wt");
    return Status::success();
}

std::optional<RocketProfile> profileOfDetails(const Flight& flight, Status& why) {
    RocketProfile p;
    const double kg = kilogramsPer(flight.units.Mass);
    const std::pair<DetailField, double*> fields[] = {
        {DetailField::FileDetailWeight, &p.weightKg},
        {DetailField::FileDetailPropellantWt, &p.propellantKg},
        {DetailField::FileDetailDiameter, &p.diameterM},
        {DetailField::FileDetailCoefficientDrag, &p.dragCoefficient},
        {DetailField::txtMotorDuration, &p.motorDurationS},
    };
    for (const auto& [field, value] : fields) {
        const std::optional<double> number = parseNumber(flight.detail(field));
        if (!number) {
            why = Status::failure(
                std::string(detailCaption(field)) + " must be a number for a rocket profile; it is " +
                (flight.detail(field).empty() ? "empty" : quoted(flight.detail(field))) + ".");
            return std::nullopt;
        }
        *value = *number;
    }
    p.weightKg *= kg;
    p.propellantKg *= kg;
    p.diameterM *= kMetresPerInch;
    if (why = checkRocketProfile(p); !why.ok) return std::nullopt;
    return p;
}

std::vector<std::pair<DetailField, std::string>> profileDetailTexts(const RocketProfile& p,
                                                                    int16_t massUnit) {
    const double kg = kilogramsPer(massUnit);
    auto value = [&](DetailField field) {
        switch (field) {
            case DetailField::FileDetailWeight:
                return p.weightKg / kg;
            case DetailField::FileDetailPropellantWt:
                return p.propellantKg / kg;
            case DetailField::FileDetailDiameter:
                return p.diameterM / kMetresPerInch;
            case DetailField::FileDetailCoefficientDrag:
                return p.dragCoefficient;
            default:
                return p.motorDurationS;
        }
    };
    std::vector<std::pair<DetailField, std::string>> texts;
    for (const DetailField field : kProfileFields) texts.emplace_back(field, fieldText(value(field)));
    return texts;
}

void applyRocketProfile(const RocketProfile& profile, Flight& flight) {
    for (const auto& [field, text] : profileDetailTexts(profile, flight.units.Mass))
        flight.detail(field) = text;
}

}  // namespace tarvel
