#pragma once
// The `tarvel` command line: one table of verbs, each a function of its
// arguments that writes to the two streams and returns the exit status.
// A new verb is one more row in `verbs()` (cli.cpp).

#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "flight.h"

namespace tarvel::device {
class Declares;
}

namespace tarvel::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // the command ran and failed
inline constexpr int kExitUsage = 2;    // the command line itself is wrong

using Args = std::vector<std::string>;

// What main() sets up once for the whole command: the number form of the
// figures unless --locale names another, and the serial-link library the
// flight computer verbs bind (none where they are not built).
struct Environment {
    NumberLocale locale;
    device::Declares* library = nullptr;
};

using VerbFunction = std::function<int(const Environment& environment, const Args& args, std::ostream& out,
                                       std::ostream& err)>;

struct Verb {
    std::string_view name;
    std::string_view usage;  // "tarvel VERB ARGUMENTS..." for the help text
    VerbFunction run;        // receives the arguments after the verb
};

// Every verb of the program, in the order the help text lists them.
const std::vector<Verb>& verbs();

// The whole command line after the program name.
int runCommandLine(const Environment& environment, const Args& args, std::ostream& out, std::ostream& err);

}  // namespace tarvel::cli
