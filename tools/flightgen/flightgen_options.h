#pragma once
// Command line of the `flightgen` program: flight parameters in the units a
// flyer knows (N s, grams, millimetres), the record's units and details, and
// where to write it.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "flight_analysis.h"
#include "flight_generator.h"

namespace tarvel::flightgen {

// How the generated flight is written as a record.
struct RecordOptions {
    UnitSelection units;  // oz, mph, ft, N unless chosen
    std::string name, place, date;
    std::vector<std::string> notes;  // one entry per line
    std::string outputPath;          // "-" for standard output, empty if none given
};

struct CommandLine {
    FlightParameters params;
    RecordOptions record;
    std::string truthPath;  // empty: no truth file
    bool help = false;
    bool quiet = false;
};

// Parses the arguments after the program name and checks the flight
// parameters. On failure returns nullopt and sets `error` to a one-line
// message naming the offending option. Other programs that generate flights
// (the flight computer simulator) take the same options; the output path may
// stay empty.
std::optional<CommandLine> parseCommandLine(std::span<const std::string_view> args, std::string& error);

std::string usageText();

}  // namespace tarvel::flightgen
