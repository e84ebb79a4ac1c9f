// qm40sim: plays the QM-40 chip on a new pseudo-terminal (or a serial device)
// so the downloader can be tried and tested without hardware. Prints the
// device path to use, then serves until interrupted; --dump saves what landed
// in the chip's memories when it ends.

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "line_server.h"
#include "qm40.h"
#include "qm40_protocol.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;

void onSignal(int) { g_stop = 1; }

const char kUsage[] =
    "usage: qm40sim [options]\n"
    "Plays the QM-40 chip on a new pseudo-terminal and prints its path.\n"
    "  --device PATH      serve this serial device instead of a pseudo-terminal\n"
    "  --link PATH        also make PATH a symbolic link to the pseudo-terminal\n"
    "  --pace             answer at the speed of a 115200-baud line\n"
    "  --fault NAME[=N]   no-halt, bad-checksum, lost-byte[=N] (the Nth reply byte, default 100),\n"
    "                     stuck-page[=ADDR] (the page holding ADDR, default 0),\n"
    "                     silent[=N] (after N received bytes, default 1000); may be repeated\n"
    "  --dump DIR         on exit write ram.bin, eeprom.bin, spi_eeprom.bin and state.txt to DIR\n"
    "  --log FILE         write every byte received from the host to FILE\n"
    "  --quiet            no messages on standard error\n";

int usageError(const std::string& message) {
    std::fprintf(stderr, "qm40sim: %s\n%s", message.c_str(), kUsage);
    return 2;
}

// "name" or "name=N"; false when the number is not one.
bool parseFault(const std::string& text, qm40sim::Faults& faults) {
    const size_t equals = text.find('=');
    const std::string name = text.substr(0, equals);
    long number = -1;
    if (equals != std::string::npos) {
        const std::string digits = text.substr(equals + 1);
        char* end = nullptr;
        number = std::strtol(digits.c_str(), &end, 0);
        if (digits.empty() || *end != '\0' || number < 0) return false;
    }
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
    } else {
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    qm40sim::Faults faults;
    simline::LineOptions line;
    line.baud = vx::qm40::kBaud;
    std::string devicePath, linkPath, dumpDir;
    bool quiet = false;

    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "--pace") {
            line.paced = true;
        } else if (arg == "--quiet") {
            quiet = true;
        } else if (arg == "--device" || arg == "--link" || arg == "--fault" || arg == "--dump" || arg == "--log") {
            if (i + 1 >= argc) return usageError(arg + " needs a value");
            const std::string value = argv[++i];
            if (arg == "--device") {
                devicePath = value;
            } else if (arg == "--link") {
                linkPath = value;
            } else if (arg == "--dump") {
                dumpDir = value;
            } else if (arg == "--log") {
                line.logPath = value;
            } else if (!parseFault(value, faults)) {
                return usageError("unknown fault " + value);
            }
        } else {
            return usageError("unknown argument " + arg);
        }
    }

    int fd = -1, keepAlive = -1;
    std::string path = devicePath;
    if (devicePath.empty()) {
        fd = simline::openPseudoTerminal(path, keepAlive);
        if (fd < 0) {
            std::perror("qm40sim: pseudo-terminal");
            return 1;
        }
        if (!linkPath.empty()) {
            unlink(linkPath.c_str());
            if (symlink(path.c_str(), linkPath.c_str()) != 0) std::perror("qm40sim: --link");
        }
    } else {
        fd = simline::openSerialDevice(devicePath, vx::qm40::kBaud);
        if (fd < 0) {
            std::perror(("qm40sim: " + devicePath).c_str());
            return 1;
        }
    }

    struct sigaction action{};
    action.sa_handler = onSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);

    std::printf("%s\n", path.c_str());
    std::fflush(stdout);
    if (!quiet)
        std::fprintf(stderr, "qm40sim: QM-40 on %s%s; Ctrl+C ends\n", path.c_str(),
                     line.paced ? " at 115200 baud" : "");

    qm40sim::Qm40 chip(faults);
    simline::LineServer(fd, [&chip](uint8_t byte) { return chip.receive(byte); }, line).run(g_stop);

    int status = 0;
    if (!dumpDir.empty() && !chip.dump(dumpDir)) {
        std::fprintf(stderr, "qm40sim: cannot write the memories to %s\n", dumpDir.c_str());
        status = 1;
    }
    if (!linkPath.empty() && devicePath.empty()) unlink(linkPath.c_str());
    if (keepAlive >= 0) close(keepAlive);
    close(fd);
    return status;
}
