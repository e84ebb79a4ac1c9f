#pragma once
// TarvelGraph's command line: record files to open, and the options that
// answer on standard output and end the program before any window exists.

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace tarvel {

struct CommandLine {
    std::vector<std::string> files;
    bool measureStartup = false;
    // Set when the program ends here with this status (--help, --version, a wrong option).
    std::optional<int> exitStatus;
};

// `args` without the program name. Until the window toolkit has taken its own
// options out of them (`toolkitOptionsTaken` false), only --help and --version
// are answered and every other argument is let through; after that an option
// that is not the program's is refused with the usage on `err`. "--" ends the
// options: what follows is a file name, even when it begins with "-".
CommandLine readCommandLine(const std::vector<std::string>& args, bool toolkitOptionsTaken, std::ostream& out,
                            std::ostream& err);

}  // namespace tarvel
