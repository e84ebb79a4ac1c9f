#pragma once
// Runs a program as a user would, but never for longer than a bound: the
// fault tables need to tell a hang from a slow failure.

#include <string>
#include <utility>
#include <vector>

namespace faults {

struct BoundedRun {
    int status = -1;        // exit status; -1 when killed or not started
    bool timedOut = false;  // killed at the bound
    double seconds = 0;     // wall time until it ended
    std::string output;     // standard output and error, interleaved
};

struct RunLimits {
    double boundSeconds = 10;
    long fileSizeBytes = -1;  // RLIMIT_FSIZE in the child (SIGXFSZ ignored), -1 for none
    std::vector<std::pair<std::string, std::string>> environment = {};  // set in the child
};

// Runs `argv` (argv[0] a path) in `folder` within `limits`.
BoundedRun runBounded(const std::vector<std::string>& argv, const std::string& folder,
                      const RunLimits& limits);

// A fault table row's name as a test name: letters and digits kept, every
// other character '_'.
std::string testName(const char* rowName);

}  // namespace faults
