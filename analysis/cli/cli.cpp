#include "cli.h"

#include <cerrno>
#include <cstring>
#include <ostream>

#include "about_dialog.h"
#include "compare_verb.h"
#include "flight_actions.h"
#include "flight_verbs.h"
#include "flights_verb.h"
#ifdef TARVEL_CLI_DEVICE_VERBS
#include "device_cli.h"
#endif

namespace tarvel::cli {

namespace {

void printUsage(std::ostream& out) {
    out << "usage:\n";
    for (const Verb& verb : verbs()) out << "  " << verb.usage << "\n";
    out << "  tarvel --version\n";
    out << "\n" << flightOptionsHelp();
}

int runVerb(const Environment& environment, const Args& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        printUsage(err);
        return kExitUsage;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        printUsage(out);
        return kExitOk;
    }
    if (args[0] == "--version") {
        // The version of the whole suite, which TarvelGraph --version gives too.
        out << "tarvel " << programVersion().toStdString() << "\n";
        return kExitOk;
    }
    for (const Verb& verb : verbs()) {
        if (verb.name == args[0]) return verb.run(environment, Args(args.begin() + 1, args.end()), out, err);
    }
    err << "tarvel: unknown command \"" << args[0] << "\"\n";
    printUsage(err);
    return kExitUsage;
}

}  // namespace

const std::vector<Verb>& verbs() {
    static const std::vector<Verb> table = [] {
        std::vector<Verb> v = flightVerbs();
        v.push_back(flightsVerb());
        v.push_back({"compare", kCompareUsage, compareVerb});
#ifdef TARVEL_CLI_DEVICE_VERBS
        for (const device::DeviceVerb& d : device::deviceVerbs()) {
            auto run = [verb = d.run](const Environment& environment, const Args& args, std::ostream& out,
                                      std::ostream& err) {
                if (!environment.library) {
                    err << "tarvel: the serial-link library is not available to this program\n";
                    return kExitFailure;
                }
                return verb(*environment.library, args, out, err);
            };
            v.push_back({d.name, d.usage, run});
        }
#endif
        return v;
    }();
    return table;
}

int runCommandLine(const Environment& environment, const Args& args, std::ostream& out, std::ostream& err) {
    const int code = runVerb(environment, args, out, err);
    // Output that did not reach standard output (a full disk, the file-size
    // limit, a closed descriptor) fails the command, whatever the verb did.
    out.flush();
    if (out) return code;
    const int error = errno;  // of the write that failed: nothing since has touched it
    err << "tarvel: cannot write standard output: " << std::strerror(error ? error : EIO) << "\n";
    return code == kExitOk ? kExitFailure : code;
}

}  // namespace tarvel::cli
