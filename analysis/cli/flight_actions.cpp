#include "flight_actions.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <sstream>

#include "report_text.h"
#include "rocket_profile_store.h"
#include "units.h"

namespace tarvel::cli {

std::optional<WindowAction> parseUnitsAction(const std::string& text) {
    WindowAction action{WindowAction::Kind::Units, "--units " + text};
    std::stringstream items(text);
    std::string item;
    while (std::getline(items, item, ',')) {
        const size_t eq = item.find('=');
        if (eq == std::string::npos) return std::nullopt;
        const std::string group = item.substr(0, eq), unit = item.substr(eq + 1);
        static const std::pair<std::string_view, UnitGroup> groups[] = {
            {"altitude", UnitGroup::Distance},
            {"velocity", UnitGroup::Velocity},
            {"thrust", UnitGroup::Thrust},
            {"mass", UnitGroup::Mass},
        };
        const auto* named = std::find_if(std::begin(groups), std::end(groups),
                                         [&](const auto& g) { return g.first == group; });
        if (named == std::end(groups)) return std::nullopt;
        const std::optional<int16_t> index = unitIndex(named->second, unit);
        if (!index) return std::nullopt;
        action.units.emplace_back(named->second, *index);
    }
    if (action.units.empty()) return std::nullopt;
    return action;
}

namespace {

// A finite number (of seconds, of metres), the whole text.
bool parseSeconds(const std::string& text, double& seconds) {
    char* end = nullptr;
    seconds = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && std::isfinite(seconds);
}

// WIDTHxHEIGHT, within what a window can sensibly be painted at.
// Stores what the option says in the command; `value` is empty for a flag.
// Throws UsageError for a value the option cannot take.
using Setter = void (*)(FlightCommand& cmd, std::string_view name, const std::string& value);

void setDetail(FlightCommand& cmd, std::string_view, const std::string& assignment) {
    const size_t eq = assignment.find('=');
    const auto field = detailFieldFromName(assignment.substr(0, eq));
    if (eq == std::string::npos || !field)
        throw UsageError("--set needs NAME=TEXT with a detail field name, not \"" + assignment + "\"");
    WindowAction a{WindowAction::Kind::Set, "--set " + assignment};
    a.field = *field;
    a.text = assignment.substr(eq + 1);
    cmd.actions.push_back(std::move(a));
}

void setUnits(FlightCommand& cmd, std::string_view, const std::string& unitList) {
    auto a = parseUnitsAction(unitList);
    if (!a) throw UsageError("--units: \"" + unitList + "\" is not GROUP=UNIT[,GROUP=UNIT...]");
    cmd.actions.push_back(std::move(*a));
}

void setMode(FlightCommand& cmd, std::string_view, const std::string& mode) {
    if (mode != "all" && mode != "burn") throw UsageError("--mode is all or burn, not \"" + mode + "\"");
    WindowAction a{WindowAction::Kind::Mode, "--mode " + mode};
    a.burnMode = mode == "burn";
    cmd.actions.push_back(std::move(a));
}

void setRecalculate(FlightCommand& cmd, std::string_view, const std::string&) {
    cmd.actions.push_back(WindowAction{WindowAction::Kind::Recalculate, "--recalculate"});
}

// The profile is read from the user's store as the command line is read, so
// a name that has none is a usage error like any other.
void setRocket(FlightCommand& cmd, std::string_view, const std::string& name) {
    const RocketProfileStore store;
    std::optional<RocketProfile> profile = store.profile(name);
    if (!profile) throw UsageError("--rocket: " + store.unknownNameMessage(name));
    WindowAction a{WindowAction::Kind::Rocket, "--rocket " + name};
    a.profile = std::move(*profile);
    cmd.actions.push_back(std::move(a));
}

void setLocale(FlightCommand& cmd, std::string_view, const std::string& localeName) {
    auto locale = NumberLocale::named(localeName);
    if (!locale) throw UsageError("unknown locale \"" + localeName + "\"");
    cmd.locale = *locale;
}

void setForce(FlightCommand& cmd, std::string_view, const std::string&) { cmd.force = true; }

void setJson(FlightCommand& cmd, std::string_view, const std::string&) { cmd.json = true; }

// The series exists only in the JSON output.
void setSeries(FlightCommand& cmd, std::string_view, const std::string&) { cmd.series = cmd.json = true; }

void setRail(FlightCommand& cmd, std::string_view, const std::string& metres) {
    double length = 0;
    if (!parseSeconds(metres, length) || !events::validRailLength(length))
        throw UsageError("--rail takes the rail length in metres, above 0 and up to 100, not \"" + metres +
                         "\"");
    cmd.railLength = length;
}

void setPaper(FlightCommand& cmd, std::string_view, const std::string& name) {
    cmd.paper = report::paperNamed(name);
    if (!cmd.paper) throw UsageError("--paper is a4 or letter, not \"" + name + "\"");
}

void setEvents(FlightCommand& cmd, std::string_view, const std::string&) { cmd.overlay.events = true; }

void setEstimate(FlightCommand& cmd, std::string_view, const std::string&) { cmd.overlay.estimate = true; }

void setExportField(FlightCommand& cmd, std::string_view name, const std::string& text) {
    cmd.exportFields[std::string(name)] = text;
}

template <WindowAction::Kind kind>
void setPointer(FlightCommand& cmd, std::string_view name, const std::string& seconds) {
    const std::string option = "--" + std::string(name);
    WindowAction a{kind, option + " " + seconds};
    if (!parseSeconds(seconds, a.time))
        throw UsageError(option + " needs a time in seconds, not \"" + seconds + "\"");
    cmd.actions.push_back(std::move(a));
}

void setRange(FlightCommand& cmd, std::string_view, const std::string& range) {
    WindowAction a{WindowAction::Kind::Range, "--range " + range};
    const size_t colon = range.find(':');
    if (colon == std::string::npos || !parseSeconds(range.substr(0, colon), a.time) ||
        !parseSeconds(range.substr(colon + 1), a.timeTo) || !(a.time < a.timeTo))
        throw UsageError("--range takes T1:T2 in seconds with T1 < T2, not \"" + range + "\"");
    cmd.actions.push_back(std::move(a));
}

void setSize(FlightCommand& cmd, std::string_view, const std::string& size) {
    if (!parseSize(size, cmd.width, cmd.height))
        throw UsageError("--size takes WIDTHxHEIGHT, e.g. 1920x1080");
}

// The verbs that take an option: those whose VerbForm has this flag set, or
// every verb.
using Scope = bool VerbForm::*;
constexpr Scope kEveryVerb = nullptr;

struct Option {
    std::string_view name;  // without the leading "--"
    Scope scope;
    bool takesValue;
    Setter set;
    // For the help text: what follows "--name", and the description, one
    // line per '\n'. Options without one are shown in their verb's usage.
    std::string_view valueHelp = {};
    std::string_view help = {};
};

using Kind = WindowAction::Kind;

constexpr Option kOptions[] = {
    {"set", kEveryVerb, true, setDetail, "NAME=TEXT",
     "type TEXT into a detail field and leave it (FileDetailName, FileDetailPlace,\n"
     "FileDetailDate, FileDetailCoefficientDrag, FileDetailWeight,\n"
     "FileDetailPropellantWt, FileDetailDiameter, txtMotorDuration, FileDetailNotes)"},
    {"units", kEveryVerb, true, setUnits, "GROUP=UNIT[,...]",
     "the units dialog and \"&OK\": altitude=ft|m, velocity=mph|ft/s|km/h|m/s,\n"
     "thrust=N|lbs, mass=oz|lbs|g (groups not named keep their unit)"},
    {"mode", kEveryVerb, true, setMode, "all|burn", "\"All Curves\" or \"Accel\\Thrust\" in the Graph menu"},
    {"recalculate", kEveryVerb, false, setRecalculate, "", "the \"&Recalculate\" command"},
    {"rocket", kEveryVerb, true, setRocket, "NAME",
     "the rocket profile NAME (Configuration > Save Rocket Profile... in the\n"
     "window): its weight, propellant weight, diameter, drag coefficient and\n"
     "motor duration typed into their fields, weights in the flight's unit"},
    {"locale", kEveryVerb, true, setLocale, "NAME",
     "digit grouping and decimal point of the figures (en_US, de_DE, C, ...);\n"
     "the system's by default"},
    {"force", &VerbForm::recordOutput, false, setForce, "",
     "save and csv: write OUT even when it is FILE and FILE was read only in part\n"
     "(a bad value stopped the reading); what was not read is lost;\n"
     "table: write OUT even when it is FILE, which the table then replaces"},
    {"json", &VerbForm::summaryOptions, false, setJson},
    {"rail", &VerbForm::statsOptions, true, setRail},
    {"paper", &VerbForm::reportOptions, true, setPaper},
    {"series", &VerbForm::statsOptions, false, setSeries},
    {"diameter", &VerbForm::exportOptions, true, setExportField},
    {"length", &VerbForm::exportOptions, true, setExportField},
    {"propellant", &VerbForm::exportOptions, true, setExportField},
    {"total", &VerbForm::exportOptions, true, setExportField},
    {"move", &VerbForm::renderOptions, true, setPointer<Kind::Move>},
    {"click", &VerbForm::renderOptions, true, setPointer<Kind::Click>},
    {"rclick", &VerbForm::renderOptions, true, setPointer<Kind::RClick>},
    {"ruler", &VerbForm::renderOptions, true, setPointer<Kind::Ruler>},
    {"range", &VerbForm::renderOptions, true, setRange},
    {"size", &VerbForm::renderOptions, true, setSize},
    {"events", &VerbForm::renderOptions, false, setEvents},
    {"estimate", &VerbForm::renderOptions, false, setEstimate},
};

// The option of that name if the verb takes it.
const Option* findOption(const VerbForm& verb, std::string_view name) {
    const auto* row = std::find_if(std::begin(kOptions), std::end(kOptions),
                                   [&](const Option& o) { return o.name == name; });
    return row != std::end(kOptions) && (row->scope == kEveryVerb || verb.*row->scope) ? row : nullptr;
}

// The help lines of the options in `scope`, descriptions from column 20.
std::string describeOptions(Scope scope) {
    constexpr size_t kColumn = 20;
    std::string text;
    for (const Option& o : kOptions) {
        if (o.scope != scope || o.help.empty()) continue;
        std::string line = "  --" + std::string(o.name);
        if (!o.valueHelp.empty()) line += " " + std::string(o.valueHelp);
        line.append(line.size() + 2 > kColumn ? 2 : kColumn - line.size(), ' ');
        for (const char c : o.help) line += c == '\n' ? "\n" + std::string(kColumn, ' ') : std::string(1, c);
        text += line + "\n";
    }
    return text;
}

}  // namespace

bool parseSize(const std::string& text, int& width, int& height) {
    const auto x = text.find('x');
    if (x == std::string::npos) return false;
    char* end = nullptr;
    width = int(std::strtol(text.c_str(), &end, 10));
    if (end != text.c_str() + x) return false;
    height = int(std::strtol(text.c_str() + x + 1, &end, 10));
    return *end == '\0' && width >= 200 && height >= 150 && width <= 8000 && height <= 8000;
}

std::string flightOptionsHelp() {
    return "ACTIONS, applied left to right after opening FILE, as in the main window:\n" +
           describeOptions(kEveryVerb) +
           "OUT of save, csv, eng, table, render and report: \"-\" writes to standard output; a FIFO or a\n"
           "device is written in place, a file is replaced only once its new contents are complete.\n" +
           describeOptions(&VerbForm::recordOutput);
}

FlightCommand parseFlightCommand(const VerbForm& verb, const std::vector<std::string>& args,
                                 const NumberLocale& locale) {
    FlightCommand cmd;
    cmd.locale = locale;
    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.rfind("--", 0) != 0) {
            positional.push_back(arg);
            continue;
        }
        const size_t eq = arg.find('=');
        const bool hasInline = eq != std::string::npos;
        const std::string name = arg.substr(2, hasInline ? eq - 2 : std::string::npos);
        const Option* option = findOption(verb, name);
        if (!option) throw UsageError("unknown option --" + name + " for " + std::string(verb.name));
        std::string value;
        if (!option->takesValue) {
            if (hasInline) throw UsageError("option --" + name + " takes no value");
        } else if (hasInline) {
            value = arg.substr(eq + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            throw UsageError("option --" + name + " needs a value");
        }
        option->set(cmd, option->name, value);
    }
    if (positional.size() != 1 + verb.outputs)
        throw UsageError(std::string(verb.name) + " needs " +
                         (verb.outputs ? "FILE.rcd and an output file" : "FILE.rcd"));
    cmd.file = positional[0];
    cmd.outputs.assign(positional.begin() + 1, positional.end());
    return cmd;
}

}  // namespace tarvel::cli
