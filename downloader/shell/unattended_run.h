#pragma once
// The command line under the quiet switch: the batch procedures with no window
// and no box; failures go to the error file and standard error.

#include <string>
#include <vector>

namespace vxoem {

// Returns the program's exit status; the error file goes into `workDirectory`.
int runUnattended(const std::vector<std::string>& args, const std::string& workDirectory);

}  // namespace vxoem
