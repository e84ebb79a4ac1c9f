#include "flightgen_options.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>

#include "units.h"

namespace tarvel::flightgen {

namespace {

// A numeric option: its name, the parameter it sets and the factor from the
// option's unit to the model's SI unit.
struct NumberOption {
    std::string_view name;
    double FlightParameters::*field;
    double toSi;
};

constexpr NumberOption kNumberOptions[] = {
    {"--impulse", &FlightParameters::totalImpulseNs, 1},
    {"--burn", &FlightParameters::burnTimeS, 1},
    {"--peak", &FlightParameters::peakRatio, 1},
    {"--mass", &FlightParameters::liftoffMassKg, 0.001},
    {"--propellant", &FlightParameters::propellantMassKg, 0.001},
    {"--diameter", &FlightParameters::diameterM, 0.001},
    {"--cd", &FlightParameters::dragCoefficient, 1},
    {"--deploy-delay", &FlightParameters::deployDelayS, 1},
    {"--drogue", &FlightParameters::drogueRateMps, 1},
    {"--main", &FlightParameters::mainRateMps, 1},
    {"--main-altitude", &FlightParameters::mainAltitudeM, 1},
    {"--site-altitude", &FlightParameters::siteAltitudeM, 1},
    {"--dt", &FlightParameters::timeStepS, 1},
    {"--launch-detect", &FlightParameters::launchDetectG, 1},
    {"--accel-noise", &FlightParameters::accelNoiseG, 1},
    {"--pressure-noise", &FlightParameters::pressureNoisePsi, 1},
    {"--accel-range", &FlightParameters::accelRangeG, 1},
    {"--pad-wait", &FlightParameters::padWaitS, 1},
    {"--rest", &FlightParameters::restAfterLandingS, 1},
};

struct UnitOptionName {
    std::string_view name;
    UnitGroup group;
    int16_t UnitSelection::*field;
};

constexpr UnitOptionName kUnitOptions[] = {
    {"--weight-unit", UnitGroup::Mass, &UnitSelection::Mass},
    {"--velocity-unit", UnitGroup::Velocity, &UnitSelection::Velocity},
    {"--altitude-unit", UnitGroup::Distance, &UnitSelection::Distance},
    {"--thrust-unit", UnitGroup::Thrust, &UnitSelection::Thrust},
};

std::optional<double> toNumber(std::string_view text) {
    double value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

template <typename Int>
std::optional<Int> toInteger(std::string_view text) {
    Int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::string unitNames(UnitGroup group) {
    std::string names;
    for (const UnitOption& option : unitOptions(group)) {
        if (!names.empty()) names += '|';
        names += option.name;
    }
    return names;
}

}  // namespace

std::optional<CommandLine> parseCommandLine(std::span<const std::string_view> args, std::string& error) {
    CommandLine cmd;
    auto fail = [&](std::string message) -> std::optional<CommandLine> {
        error = std::move(message);
        return std::nullopt;
    };
    for (size_t i = 0; i < args.size(); ++i) {
        std::string_view name = args[i];
        std::optional<std::string_view> inlineValue;
        if (size_t eq = name.find('='); name.starts_with("--") && eq != std::string_view::npos) {
            inlineValue = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        if (name == "--help" || name == "-h") {
            cmd.help = true;
            continue;
        }
        if (name == "--quiet" || name == "-q") {
            cmd.quiet = true;
            continue;
        }
        // Every other option takes a value, inline or as the next argument.
        std::string_view value;
        if (inlineValue) {
            value = *inlineValue;
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            return fail(std::string(name) + " needs a value");
        }
        auto badValue = [&](std::string_view expected) {
            return fail("bad value \"" + std::string(value) + "\" for " + std::string(name) + ": expected " +
                        std::string(expected));
        };

        if (auto it = std::ranges::find(kNumberOptions, name, &NumberOption::name);
            it != std::end(kNumberOptions)) {
            std::optional<double> number = toNumber(value);
            if (!number) return badValue("a number");
            cmd.params.*(it->field) = *number * it->toSi;
        } else if (auto unit = std::ranges::find(kUnitOptions, name, &UnitOptionName::name);
                   unit != std::end(kUnitOptions)) {
            std::optional<int16_t> index = unitIndex(unit->group, value);
            if (!index) return badValue(unitNames(unit->group));
            cmd.record.units.*(unit->field) = *index;
        } else if (name == "--rate") {
            std::optional<double> hertz = toNumber(value);
            if (!hertz || *hertz <= 0) return badValue("samples per second above 0");
            cmd.params.timeStepS = 1.0 / *hertz;
        } else if (name == "--max-samples") {
            std::optional<int> count = toInteger<int>(value);
            if (!count) return badValue("a whole number");
            cmd.params.maxSamples = *count;
        } else if (name == "--seed") {
            std::optional<uint64_t> seed = toInteger<uint64_t>(value);
            if (!seed) return badValue("a whole number 0 or above");
            cmd.params.seed = *seed;
        } else if (name == "--name") {
            cmd.record.name = value;
        } else if (name == "--place") {
            cmd.record.place = value;
        } else if (name == "--date") {
            cmd.record.date = value;
        } else if (name == "--note") {
            cmd.record.notes.emplace_back(value);
        } else if (name == "--truth") {
            cmd.truthPath = value;
        } else if (name == "--output" || name == "-o") {
            cmd.record.outputPath = value;
        } else {
            return fail("unknown option " + std::string(name) + " (see --help)");
        }
    }
    if (cmd.help) return cmd;
    if (std::string problem = checkParameters(cmd.params); !problem.empty()) return fail(problem);
    return cmd;
}

std::string usageText() {
    return R"(Usage: flightgen [options] -o FILE
Writes a generated flight as a record file (.rcd). The same options and seed
always give the same file.

Motor:
  --impulse NS          total impulse, newton seconds (10)
  --burn S              burn time, seconds (1.9)
  --peak RATIO          peak thrust / sustain thrust, 1 to 20 (3)
Rocket (motor included):
  --mass G              lift-off mass, grams (60)
  --propellant G        propellant mass, grams (12.5)
  --diameter MM         body diameter, millimetres (25)
  --cd CD               drag coefficient (0.6)
Recovery:
  --deploy-delay S      first event this long after burnout (default: at apogee)
  --drogue M/S          drogue descent rate; 0 for none (0)
  --main M/S            main chute descent rate (5)
  --main-altitude M     with a drogue: main opens at this height above the pad (150)
Site and recorder:
  --site-altitude M     launch site above sea level, metres (0)
  --dt S | --rate HZ    time step (0.01 s)
  --max-samples N       stop recording after N samples, 1 to 20000 (20000)
  --launch-detect G     recording starts at this acceleration (5)
  --accel-noise G       acceleration noise, standard deviation (0.05)
  --pressure-noise PSI  pressure noise, standard deviation (0.004)
  --accel-range G       sensor saturation (50)
  --pad-wait S          record this long at rest before ignition (0: from launch detection)
  --rest S              record this long at rest after touchdown (0)
  --seed N              noise seed (1)
Record (saved form, with the rocket's details):
  --weight-unit oz|lbs|g, --velocity-unit mph|ft/s|km/h|m/s,
  --altitude-unit ft|m, --thrust-unit N|lbs       units of the saved record
                                                  (oz, mph, ft, N)
  --name TEXT, --place TEXT, --date TEXT, --note LINE (repeat for more lines;
                        a comma in a line after the first reads back as a line break)
  -o, --output FILE     the record file; - for standard output
  --truth FILE          also write the model's true flight: event times, and height
                        and velocity per sample (comma-separated, SI units)
  -q, --quiet           no summary on standard error
  -h, --help            this text
)";
}

}  // namespace tarvel::flightgen
