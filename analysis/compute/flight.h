#pragma once
// One flight as a value: the sample table, the nine rocket details and the
// units its columns and weights are in, as a record file or a download holds
// them. The reader returns one, the writer writes one, and the derivation
// (derivation.h) computes the velocity, altitude and thrust columns and the
// figures from one. Nothing here knows about a window.

#include <array>
#include <concepts>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace tarvel {

// Sample slots 0..SampleCount, samples in 1..SampleCount; a store holds at
// most kLastSlot samples. A column holds only the slots written into it: the
// computations read a little past the last sample (the burn runs on to the
// motor duration, the graph's blocks sum whole blocks), and every read goes
// through `at`, so a slot past a column's end reads as zero.
inline constexpr int kLastSlot = 20000;
using SampleArray = std::vector<double>;

template <std::integral Index>
double at(const SampleArray& column, Index slot) {
    if constexpr (std::is_signed_v<Index>)
        if (slot < 0) return 0.0;
    const auto i = static_cast<size_t>(slot);
    return i < column.size() ? column[i] : 0.0;
}

// Slot `slot` (0 or more) of `column`, grown to hold it (new slots zero).
template <std::integral Index>
double& slotOf(SampleArray& column, Index slot) {
    const auto i = static_cast<size_t>(slot);
    if (column.size() <= i) column.resize(i + 1, 0.0);
    return column[i];
}

// The figures and the all-curves graph reduce the samples to blocks of
// SampleCount / 200 (rounded half to even): a flight of fewer samples has no
// block, so no figure and no curve in that view.
inline constexpr int kMinSummarySamples = 101;

struct SampleStore {
    SampleArray aDeltaTime, aPressure, aAccel, aVelocity, aAltitude, aThrust;
    int16_t SampleCount = 1;
    // Grows every column to hold slots 0..lastSlot (new slots zero).
    void holdSlots(int lastSlot) {
        for (SampleArray* column : {&aDeltaTime, &aPressure, &aAccel, &aVelocity, &aAltitude, &aThrust})
            if (lastSlot >= 0) slotOf(*column, lastSlot);
    }
};

// The nine rocket-detail fields, in the order the window lists them.
enum class DetailField {
    FileDetailName,
    FileDetailPlace,
    FileDetailDate,
    FileDetailCoefficientDrag,
    FileDetailWeight,
    FileDetailPropellantWt,
    FileDetailDiameter,
    txtMotorDuration,
    FileDetailNotes,
};
inline constexpr int kDetailFieldCount = 9;
std::string_view detailFieldName(DetailField field);
std::optional<DetailField> detailFieldFromName(std::string_view name);
// The caption beside the field in the main window ("Total Wt", "Duratation (sec.)"),
// which messages about a field's value name.
std::string_view detailCaption(DetailField field);
// Weight, diameter, drag coefficient, propellant weight, motor duration.
bool isNumericDetail(DetailField field);

using DetailTexts = std::array<std::string, kDetailFieldCount>;  // indexed by DetailField
// The details of a cleared record, which a record file's keys then replace
// (weights in ounces).
DetailTexts clearedDetails();

// Units: Distance 0 ft 1 m; Velocity 0 mph 1 ft/s 2 km/h 3 m/s; Thrust 0 N
// 1 lbs; Mass 0 oz 1 lbs 2 g.
struct UnitSelection {
    int16_t Distance = 0;
    int16_t Velocity = 0;
    int16_t Thrust = 0;
    int16_t Mass = 0;
    bool operator==(const UnitSelection&) const = default;
};

// Digit grouping and decimal point used for figures shown on screen.
// Both are whole texts in the locale's encoding: some locales write their
// point or separator as several bytes (U+066B, two in UTF-8).
struct NumberLocale {
    std::string decimalPoint = ".";
    std::string groupSeparator = ",";  // empty for no grouping
    // The locale the environment names (LC_ALL, LC_NUMERIC, LANG); a program
    // reads it once at its start and hands it on.
    static NumberLocale system();
    static std::optional<NumberLocale> named(std::string_view name);  // "en_US", "de_DE", "C", ...
    // From a locale's point, separator and grouping as the C library gives
    // them (grouping as in localeconv: empty or a first group of 0 for none).
    static NumberLocale fromPunctuation(std::string_view point, std::string_view separator,
                                        std::string_view grouping);
};

// Outcome of a command the user can act on; `message` is the text for the
// message box when !ok.
struct Status {
    bool ok = true;
    std::string message;
    static Status success() { return {}; }
    static Status failure(std::string text) { return {false, std::move(text)}; }
};

// How the reading of a record file ended. A reading that meets a field that
// is not a number stops there and keeps what it had read; `stoppedAt` says
// where and why.
struct RecordReadReport {
    bool complete = true;
    std::string stoppedAt;
    bool samplesFound = false;  // at least one sample value was stored
};

struct Flight {
    SampleStore samples;
    DetailTexts details = clearedDetails();
    std::string BaroAltitude = "0.00";
    UnitSelection units;  // of the derived columns, the weights and the file's header
    RecordReadReport lastRead;

    std::string& detail(DetailField f) { return details[static_cast<size_t>(f)]; }
    const std::string& detail(DetailField f) const { return details[static_cast<size_t>(f)]; }
};

}  // namespace tarvel
