#pragma once
// Several traces on one time axis, and the table of their figures with each
// one's difference from a reference trace: as copyable text, as a CSV table
// and as JSON in SI units.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "trace.h"

namespace tarvel::compare {

// Where each trace's time 0 goes: its launch, its apogee, or its own time 0
// (the user then moves it by its offset). A trace without the event it is
// to be aligned on keeps its own time 0.
enum class Alignment { Launch, Apogee, Offset };
std::string_view alignmentName(Alignment a);  // "launch", "apogee", "offset"
std::optional<Alignment> alignmentFromName(std::string_view name);

// The seconds to add to a trace's own times to put it on the shared axis,
// with the user's extra offset for it.
double shiftOf(const Trace& trace, Alignment alignment, double extraOffset = 0);

// What the figures table shows of each trace: a figure in SI units and its
// difference from the reference trace (absent where either is absent; the
// share in % also where the reference is 0).
struct FigureCell {
    std::optional<double> value, difference, percent;
};

enum class FigureUnit { Metre, Second, MetrePerSecond, MetrePerSecondSquared };

struct FigureRow {
    std::string_view label;  // "Apogee", "Time to apogee", ...
    std::string_view key;    // the JSON and CSV name: "apogee", "timeToApogee", ...
    FigureUnit unit;
    std::vector<FigureCell> cells;  // one per trace
};

struct FiguresTable {
    std::vector<std::string> names;  // of the traces, in order; paths where two share a name
    size_t reference = 0;
    Alignment alignment = Alignment::Launch;
    std::vector<double> shifts;  // per trace, s
    std::vector<FigureRow> rows;
};

struct ComparisonSetup {
    Alignment alignment = Alignment::Launch;
    size_t reference = 0;         // index of the reference trace (clamped)
    std::vector<double> offsets;  // extra seconds per trace; missing ones are 0
};

// Event times in the table are on the shared axis, so that they differ by
// what the alignment leaves between the traces.
FiguresTable figuresTable(const std::vector<Trace>& traces, const ComparisonSetup& setup);

// Plain text, one row to a line, columns aligned; differences as "+12.3 m
// (+4.1 %)". "." decimals (the table is for pasting as much as for reading).
std::string tableText(const FiguresTable& table);
// RFC 4180: a header "figure,unit,<name>,<name> diff,<name> %,..." and one row per
// figure; "." decimals, empty cells for absent values.
std::string tableCsv(const FiguresTable& table);
// {"alignment", "reference", "traces": [{"name", "file", "kind", "shift",
// "quantities": [...], "events": [{"name", "time"}...], "figures": {key:
// {"value", "difference", "percent"}}}]} in SI units, times on the shared
// axis; with `series` also each trace's samples of that quantity ("series":
// {"quantity", "time": [...], "values": [...]}, empty where it has none).
std::string comparisonJson(const std::vector<Trace>& traces, const FiguresTable& table,
                           std::optional<Quantity> series = std::nullopt);

}  // namespace tarvel::compare
