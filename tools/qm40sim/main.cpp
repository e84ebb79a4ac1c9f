// qm40sim: plays the QM-40 chip on a new pseudo-terminal (or a serial device)
// so the downloader can be tried and tested without hardware. Prints the
// device path to use, then serves until interrupted; --dump saves what landed
// in the chip's memories when it ends.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "line_server.h"
#include "qm40.h"
#include "qm40_protocol.h"

namespace {

const char kUsage[] =
    "usage: qm40sim [options]\n"
    "Plays the QM-40 chip on a new pseudo-terminal and prints its path.\n"
    "  --device PATH      serve this serial device instead of a pseudo-terminal\n"
    "  --link PATH        also make PATH a symbolic link to the pseudo-terminal\n"
    "  --pace             answer at the speed of a 115200-baud line\n"
    "  --fault NAME[=N]   no-halt, bad-checksum, lost-byte[=N] (the Nth reply byte, default 100),\n"
    "                     stuck-page[=ADDR] (the page holding ADDR, default 0),\n"
    "                     silent[=N] (after N received bytes, default 1000),\n"
    "                     vanish[=N] (after N received bytes the simulator ends, default 1000);\n"
    "                     may be repeated\n"
    "  --dump DIR         on exit write ram.bin, eeprom.bin, spi_eeprom.bin and state.txt to DIR\n"
    "  --log FILE         write every byte received from the host to FILE\n"
    "  --quiet            no messages on standard error\n";

int usageError(const std::string& message) { return simline::usageError("qm40sim", message, kUsage); }

// "name" or "name=N"; false when the number is not one.
bool parseFault(const std::string& text, qm40sim::Faults& faults) {
    std::string name;
    long number = -1;
    if (!simline::splitFault(text, name, number)) return false;
    const auto orDefault = [number](long fallback) { return number >= 0 ? number : fallback; };
    if (name == "no-halt") {
        faults.noHaltAnswer = true;
    } else if (name == "bad-checksum") {
        faults.badChecksum = true;
    } else if (name == "lost-byte") {
        faults.loseReplyByte = std::max(1L, orDefault(100));
    } else if (name == "stuck-page") {
        faults.stuckPage = orDefault(0);
    } else if (name == "silent") {
        faults.silentAfter = orDefault(1000);
    } else if (name == "vanish") {
        faults.vanishAfter = orDefault(1000);
    } else {
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    qm40sim::Faults faults;
    simline::CommonOptions options;
    options.line.baud = vx::qm40::kBaud;
    std::string dumpDir;

    std::vector<std::string> args;
    int exitStatus = 0;
    if (!simline::takeCommonOptions(argc, argv, "qm40sim", kUsage, options, args, exitStatus))
        return exitStatus;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if ((arg == "--fault" || arg == "--dump") && i + 1 < args.size()) {
            const std::string value = args[++i];
            if (arg == "--dump")
                dumpDir = value;
            else if (!parseFault(value, faults))
                return usageError("unknown fault " + value);
        } else if (arg == "--fault" || arg == "--dump") {
            return usageError(arg + " needs a value");
        } else {
            return usageError("unknown argument " + arg);
        }
    }

    qm40sim::Qm40 chip(faults);
    if (!simline::serveUntilStopped(
            "qm40sim", "QM-40", options, [&chip](uint8_t byte) { return chip.receive(byte); },
            [&chip] { return chip.vanished(); }))
        return 1;

    if (!dumpDir.empty() && !chip.dump(dumpDir)) {
        std::fprintf(stderr, "qm40sim: cannot write the memories to %s\n", dumpDir.c_str());
        return 1;
    }
    return 0;
}
