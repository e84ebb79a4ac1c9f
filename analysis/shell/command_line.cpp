#include "command_line.h"

#include <ostream>
#include <string>

#include "about_dialog.h"

namespace tarvel {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

std::string versionLine() { return "TarvelGraph " + programVersion().toStdString() + "\n"; }

void printUsage(std::ostream& out) {
    out << "usage: TarvelGraph [OPTION] [--] [FILE.rcd ...]\n"
           "Opens the flight analysis window. The first FILE is opened; the others are\n"
           "listed under File > Open Recent.\n"
           "\n"
           "  --help              show this text and end\n"
           "  --version           show the program's version and end\n"
           "  --measure-startup   print the milliseconds to the first painted window and end\n"
           "  --                  what follows is a FILE, even when it begins with \"-\"\n"
           "\n"
        << versionLine();
}

// An answer that did not reach standard output (a full disk, a closed pipe) is a failure.
int answered(std::ostream& out, std::ostream& err) {
    if (out.flush()) return kExitOk;
    err << "TarvelGraph: cannot write to standard output\n";
    return kExitFailure;
}

}  // namespace

CommandLine readCommandLine(const std::vector<std::string>& args, bool toolkitOptionsTaken, std::ostream& out,
                            std::ostream& err) {
    CommandLine line;
    bool options = true;
    for (const std::string& arg : args) {
        if (!options || arg.empty() || arg[0] != '-') {
            if (toolkitOptionsTaken) line.files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            options = false;
        } else if (arg == "--help" || arg == "-h") {
            printUsage(out);
            line.exitStatus = answered(out, err);
            return line;
        } else if (arg == "--version") {
            out << versionLine();
            line.exitStatus = answered(out, err);
            return line;
        } else if (arg == "--measure-startup") {
            line.measureStartup = true;
        } else if (toolkitOptionsTaken) {
            err << "TarvelGraph: unknown option " << arg << "\n";
            printUsage(err);
            line.exitStatus = kExitUsage;
            return line;
        }
    }
    return line;
}

}  // namespace tarvel
