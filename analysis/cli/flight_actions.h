#pragma once
// The one reader of the ACTIONS and options of the verbs that open a record
// file (summary, series, save, csv, eng, table, render, stats,
// report): one table of options
// (flight_actions.cpp), read by one loop and listed by the help text.
// Options are written "--opt value" or "--opt=value"; given twice, the last
// one counts, and every action is applied in turn.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "flight_analysis.h"
#include "report_pdf.h"
#include "window_render.h"

namespace tarvel::cli {

// What a verb takes besides the actions and --locale.
struct VerbForm {
    std::string_view name;
    size_t outputs;              // positional arguments after FILE
    bool summaryOptions;         // --json
    bool exportOptions;          // --diameter --length --propellant --total
    bool renderOptions;          // --range --move --click --rclick --ruler --size --events --estimate
    bool recordOutput = false;   // --force (save, csv, table, report)
    bool statsOptions = false;   // --rail --series
    bool reportOptions = false;  // --paper
};

struct FlightCommand {
    std::string file;
    std::vector<std::string> outputs;  // further positional arguments
    std::vector<WindowAction> actions;
    bool json = false;
    NumberLocale locale;                                           // the program's unless --locale names one
    std::map<std::string, std::string, std::less<>> exportFields;  // eng: --diameter ...
    int width = 1024, height = 768;                                // render: --size
    RenderOverlay overlay;                                         // render: --events --estimate
    bool force = false;                  // save, csv: write over a FILE that was read only in part
    double railLength = 1.0;             // stats: --rail, metres
    bool series = false;                 // stats: the estimate per sample
    std::optional<report::Paper> paper;  // report: --paper, else the locale's
};

// A command line the verb cannot take; `message` says why.
class UsageError {
public:
    explicit UsageError(std::string text) : message(std::move(text)) {}
    std::string message;
};

// The value of --units (GROUP=UNIT[,GROUP=UNIT...]); nothing when it is not one.
std::optional<WindowAction> parseUnitsAction(const std::string& text);

// `args`: what follows the verb on the command line. Throws UsageError.
FlightCommand parseFlightCommand(const VerbForm& verb, const std::vector<std::string>& args,
                                 const NumberLocale& locale = {});

// The ACTIONS and output options for `tarvel --help`, from the same table.
std::string flightOptionsHelp();

// "WIDTHxHEIGHT" of a picture, 200x150 to 8000x8000; false for anything else.
bool parseSize(const std::string& text, int& width, int& height);

}  // namespace tarvel::cli
