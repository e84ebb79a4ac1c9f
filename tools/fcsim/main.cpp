// fcsim: plays the flight computer on a new pseudo-terminal (or a serial
// device) so that the serial-link library can be tried and tested without
// hardware. Prints the device path to use as the port name, then serves until
// interrupted.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "flight_computer.h"
#include "flight_source.h"
#include "line_server.h"

namespace {

const char kUsage[] =
    "usage: fcsim [options] [FLIGHT...]\n"
    "Plays the flight computer on a new pseudo-terminal and prints its path.\n"
    "FLIGHT: a record file (.rcd) or a raw flight script (any other name).\n"
    "  --generate ARGS    add a generated flight; ARGS are flightgen options, e.g. \"--seed 3\"\n"
    "  --device PATH      serve this serial device instead of a pseudo-terminal\n"
    "  --link PATH        also make PATH a symbolic link to the pseudo-terminal\n"
    "  --pace             send at the speed of a 19200-baud line\n"
    "  --chatter MS       send junk for the first MS milliseconds\n"
    "  --fault NAME       silent, bad-greeting, unknown-record, stall-type, stall-value,\n"
    "                     refuse-writes, forget-writes, short-replies, garbage-replies;\n"
    "                     at byte N of the first download's flight stream (counted from 1):\n"
    "                     silent-after=N, lost-byte=N, junk=N (junk follows byte N),\n"
    "                     vanish=N (the simulator ends and its line closes);\n"
    "                     hang-up-after-flights=N: vanishes when asked for more after\n"
    "                     flight N (0: right after the opening exchange); may be repeated\n"
    "  --continuity XYZ   continuity of outputs 1 to 3, e.g. 101 (default 111)\n"
    "  --state FILE       load settings from FILE and save them there after each write\n"
    "  --seed N           seed of the live sensor readings\n"
    "  --log FILE         write every byte received from the host to FILE\n"
    "  --quiet            no messages on standard error\n";

int usageError(const std::string& message) { return simline::usageError("fcsim", message, kUsage); }

// A fault by its name, or "name=N" for the faults placed in the flight stream.
bool parseFault(const std::string& text, fcsim::FaultModes& faults) {
    const std::pair<const char*, bool fcsim::FaultModes::*> flags[] = {
        {"silent", &fcsim::FaultModes::silent},
        {"bad-greeting", &fcsim::FaultModes::badGreeting},
        {"unknown-record", &fcsim::FaultModes::unknownRecord},
        {"stall-type", &fcsim::FaultModes::stallType},
        {"stall-value", &fcsim::FaultModes::stallValue},
        {"refuse-writes", &fcsim::FaultModes::refuseWrites},
        {"forget-writes", &fcsim::FaultModes::forgetWrites},
        {"short-replies", &fcsim::FaultModes::shortReplies},
        {"garbage-replies", &fcsim::FaultModes::garbageReplies},
    };
    for (const auto& [name, flag] : flags)
        if (text == name) return faults.*flag = true;
    const std::pair<const char*, long fcsim::FaultModes::*> positions[] = {
        {"silent-after", &fcsim::FaultModes::silentAfter},
        {"lost-byte", &fcsim::FaultModes::lostByte},
        {"junk", &fcsim::FaultModes::junkAfter},
        {"vanish", &fcsim::FaultModes::vanishAfter},
    };
    std::string name;
    long number = -1;
    if (!simline::splitFault(text, name, number)) return false;
    if (name == "hang-up-after-flights" && number >= 0) return (faults.hangUpAfterFlights = number), true;
    if (number < 1) return false;
    for (const auto& [faultName, position] : positions)
        if (name == faultName) return (faults.*position = number), true;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<fltport::RawFlight> flights;
    fcsim::FaultModes faults;
    simline::CommonOptions options;
    simline::LineOptions& line = options.line;
    std::string statePath, continuity = "111";
    uint32_t seed = 1;

    std::vector<std::string> args;
    int exitStatus = 0;
    if (!simline::takeCommonOptions(argc, argv, "fcsim", kUsage, options, args, exitStatus))
        return exitStatus;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const auto value = [&]() -> const char* { return i + 1 < args.size() ? args[++i].c_str() : nullptr; };
        std::string error;
        if (arg == "--generate" || arg == "--chatter" || arg == "--fault" || arg == "--continuity" ||
            arg == "--state" || arg == "--seed") {
            const char* v = value();
            if (!v) return usageError(arg + " needs a value");
            const std::string text = v;
            if (arg == "--generate") {
                auto flight = fcsim::generateFlight(text, error);
                if (!flight) return usageError("--generate: " + error);
                flights.push_back(std::move(*flight));
            } else if (arg == "--chatter") {
                line.chatterMs = std::atoi(v);
            } else if (arg == "--state") {
                statePath = text;
            } else if (arg == "--seed") {
                seed = static_cast<uint32_t>(std::strtoul(v, nullptr, 10));
            } else if (arg == "--continuity") {
                if (text.size() != 3 || text.find_first_not_of("01") != std::string::npos)
                    return usageError("--continuity takes three digits 0 or 1");
                continuity = text;
            } else if (!parseFault(text, faults)) {
                return usageError("unknown fault " + text);
            }
        } else if (!arg.empty() && arg[0] == '-') {
            return usageError("unknown option " + arg);
        } else {
            auto loaded = fcsim::loadFlights(arg, error);
            if (!loaded) return usageError(error);
            for (auto& flight : *loaded) flights.push_back(std::move(flight));
        }
    }

    const size_t flightCount = flights.size();
    fcsim::FlightComputer device(std::move(flights), faults, seed);
    device.setContinuity({continuity[0] == '1', continuity[1] == '1', continuity[2] == '1'});
    if (!statePath.empty()) device.keepSettingsIn(statePath);

    const std::string what = std::to_string(flightCount) + " stored flight(s)";
    const bool served = simline::serveUntilStopped(
        "fcsim", what, options, [&device](uint8_t byte) { return device.receive(byte); },
        [&device] { return device.vanished(); });
    return served ? 0 : 1;
}
