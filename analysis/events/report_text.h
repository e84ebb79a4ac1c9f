#pragma once
// The events, statistics and estimate of a flight as the user reads them: a
// table of rows by section, each value in the units side by side, as plain
// text to copy, and as JSON in SI units for scripts. Absent values leave their
// row empty (text) or give null (JSON).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "flight.h"
#include "flight_report.h"

namespace tarvel::events {

// A launch rail or tower a model can fly from: above 0 and up to 100 m
// (longer is a slip of the user's finger).
inline constexpr double kMaxRailLengthM = 100;
inline bool validRailLength(double metres) { return metres > 0 && metres <= kMaxRailLengthM; }

enum class Quantity { Time, Distance, Velocity, Acceleration, Mach };

struct ReportRow {
    std::string label;
    std::string_view key;  // the JSON name
    Quantity quantity;
    std::optional<double> value;  // SI
    // A velocity's Mach number is taken at this speed of sound (m/s).
    double speedOfSound = 0;
};

struct ReportSection {
    std::string_view title;
    std::string_view object;  // the JSON object its rows go in
    std::vector<ReportRow> rows;
};

std::vector<ReportSection> reportSections(const FlightReport& report);

// The row's value in each unit of its quantity ("12.3 m", "40.4 ft"); none
// when the value is absent.
std::vector<std::string> unitTexts(const ReportRow& row, const NumberLocale& locale);

// Every section as aligned plain text, one row to a line.
std::string reportText(const FlightReport& report, const NumberLocale& locale);

// {"events": {...}, "estimate": {...}, "statistics": {...}} and, with
// `series`, the estimate per sample: time, altitude above the first sample's
// level, velocity and their standard deviations. `file` comes first.
std::string reportJson(const FlightReport& report, std::string_view file, bool series);

}  // namespace tarvel::events
