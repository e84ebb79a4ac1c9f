#include "flight.h"

namespace tarvel {

namespace {

constexpr std::string_view kDetailNames[kDetailFieldCount] = {
    "FileDetailName",   "FileDetailPlace",        "FileDetailDate",     "FileDetailCoefficientDrag",
    "FileDetailWeight", "FileDetailPropellantWt", "FileDetailDiameter", "txtMotorDuration",
    "FileDetailNotes",
};

constexpr std::string_view kDetailCaptions[kDetailFieldCount] = {
    "Name",     "Place",         "Date",           "Drag Coefficient",
    "Total Wt", "Propellant Wt", "Diameter (in.)", "Duratation (sec.)",
    "Notes",
};

// In DetailField order: name, place, date, drag coefficient, weight (oz),
// propellant weight (oz), diameter, motor duration, notes.
constexpr std::string_view kClearedTexts[kDetailFieldCount] = {
    "", "", "", "0.6", "16.00", "2.0", "2.00", "2.0", "",
};

}  // namespace

std::string_view detailFieldName(DetailField field) { return kDetailNames[static_cast<int>(field)]; }

std::string_view detailCaption(DetailField field) { return kDetailCaptions[static_cast<int>(field)]; }

std::optional<DetailField> detailFieldFromName(std::string_view name) {
    for (int i = 0; i < kDetailFieldCount; ++i)
        if (kDetailNames[i] == name) return static_cast<DetailField>(i);
    return std::nullopt;
}

bool isNumericDetail(DetailField field) {
    switch (field) {
        case DetailField::FileDetailWeight:
        case DetailField::FileDetailDiameter:
        case DetailField::FileDetailCoefficientDrag:
        case DetailField::FileDetailPropellantWt:
        case DetailField::txtMotorDuration:
            return true;
        default:
            return false;
    }
}

DetailTexts clearedDetails() {
    DetailTexts texts;
    for (int i = 0; i < kDetailFieldCount; ++i) texts[static_cast<size_t>(i)] = kClearedTexts[i];
    return texts;
}

}  // namespace tarvel
