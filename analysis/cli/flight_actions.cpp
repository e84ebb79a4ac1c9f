#include "flight_actions.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <sstream>

#include "units.h"

namespace tarvel::cli {

namespace {

constexpr std::string_view kExportOptions[] = {"diameter", "length", "propellant", "total"};

std::optional<WindowAction> parseUnits(const std::string& text) {
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

// A finite number of seconds, the whole text.
bool parseSeconds(const std::string& text, double& seconds) {
    char* end = nullptr;
    seconds = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && std::isfinite(seconds);
}

// WIDTHxHEIGHT, within what a window can sensibly be painted at.
bool parseSize(const std::string& text, int& width, int& height) {
    const auto x = text.find('x');
    if (x == std::string::npos) return false;
    char* end = nullptr;
    width = int(std::strtol(text.c_str(), &end, 10));
    if (end != text.c_str() + x) return false;
    height = int(std::strtol(text.c_str() + x + 1, &end, 10));
    return *end == '\0' && width >= 200 && height >= 150 && width <= 8000 && height <= 8000;
}

}  // namespace

FlightCommand parseFlightCommand(const VerbSpec& verb, const Args& args) {
    FlightCommand cmd;
    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.rfind("--", 0) != 0) {
            positional.push_back(arg);
            continue;
        }
        std::string name = arg.substr(2), inlineValue;
        bool hasInline = false;
        if (const size_t eq = name.find('='); eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name.resize(eq);
            hasInline = true;
        }
        auto value = [&]() -> std::string {
            if (hasInline) return inlineValue;
            if (i + 1 >= args.size()) throw UsageError("option --" + name + " needs a value");
            return args[++i];
        };
        auto flag = [&] {
            if (hasInline) throw UsageError("option --" + name + " takes no value");
        };

        if (name == "set") {
            const std::string assignment = value();
            const size_t eq = assignment.find('=');
            const auto field = detailFieldFromName(assignment.substr(0, eq));
            if (eq == std::string::npos || !field)
                throw UsageError("--set needs NAME=TEXT with a detail field name, not \"" + assignment +
                                 "\"");
            WindowAction a{WindowAction::Kind::Set, "--set " + assignment};
            a.field = *field;
            a.text = assignment.substr(eq + 1);
            cmd.actions.push_back(std::move(a));
        } else if (name == "units") {
            const std::string unitSpec = value();
            auto a = parseUnits(unitSpec);
            if (!a) throw UsageError("--units: \"" + unitSpec + "\" is not GROUP=UNIT[,GROUP=UNIT...]");
            cmd.actions.push_back(std::move(*a));
        } else if (name == "mode") {
            const std::string mode = value();
            if (mode != "all" && mode != "burn")
                throw UsageError("--mode is all or burn, not \"" + mode + "\"");
            WindowAction a{WindowAction::Kind::Mode, "--mode " + mode};
            a.burnMode = mode == "burn";
            cmd.actions.push_back(std::move(a));
        } else if (name == "recalculate") {
            flag();
            cmd.actions.push_back(WindowAction{WindowAction::Kind::Recalculate, "--recalculate"});
        } else if (name == "locale") {
            const std::string localeName = value();
            auto locale = NumberLocale::named(localeName);
            if (!locale) throw UsageError("unknown locale \"" + localeName + "\"");
            cmd.locale = *locale;
        } else if (name == "force" && verb.recordOutput) {
            flag();
            cmd.force = true;
        } else if (name == "json" && verb.summaryOptions) {
            flag();
            cmd.json = true;
        } else if (verb.exportOptions && std::find(std::begin(kExportOptions), std::end(kExportOptions),
                                                   name) != std::end(kExportOptions)) {
            cmd.exportFields[name] = value();
        } else if (verb.renderOptions &&
                   (name == "move" || name == "click" || name == "rclick" || name == "ruler")) {
            const std::string seconds = value();
            WindowAction a{name == "move"     ? WindowAction::Kind::Move
                           : name == "click"  ? WindowAction::Kind::Click
                           : name == "rclick" ? WindowAction::Kind::RClick
                                              : WindowAction::Kind::Ruler,
                           "--" + name + " " + seconds};
            if (!parseSeconds(seconds, a.time))
                throw UsageError("--" + name + " needs a time in seconds, not \"" + seconds + "\"");
            cmd.actions.push_back(std::move(a));
        } else if (verb.renderOptions && name == "range") {
            const std::string range = value();
            WindowAction a{WindowAction::Kind::Range, "--range " + range};
            const size_t colon = range.find(':');
            if (colon == std::string::npos || !parseSeconds(range.substr(0, colon), a.time) ||
                !parseSeconds(range.substr(colon + 1), a.timeTo) || !(a.time < a.timeTo))
                throw UsageError("--range takes T1:T2 in seconds with T1 < T2, not \"" + range + "\"");
            cmd.actions.push_back(std::move(a));
        } else if (verb.renderOptions && name == "size") {
            if (!parseSize(value(), cmd.width, cmd.height))
                throw UsageError("--size takes WIDTHxHEIGHT, e.g. 1920x1080");
        } else {
            throw UsageError("unknown option --" + name + " for " + std::string(verb.name));
        }
    }
    if (positional.size() != 1 + verb.outputs)
        throw UsageError(std::string(verb.name) + " needs " +
                         (verb.outputs ? "FILE.rcd and an output file" : "FILE.rcd"));
    cmd.file = positional[0];
    cmd.outputs.assign(positional.begin() + 1, positional.end());
    return cmd;
}

}  // namespace tarvel::cli
