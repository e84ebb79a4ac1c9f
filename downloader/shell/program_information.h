#pragma once
// VXOEM's answers to --help and --version: plain text on standard output,
// given before any window system starts, so they need no display.

#include <optional>
#include <string>
#include <vector>

namespace vxoem {

std::string usageText();
std::string versionText();

// When `args` (the arguments after the program name) hold --help or
// --version: prints the answer and returns the exit status (1 when standard
// output cannot be written). Nothing otherwise.
std::optional<int> answerInformationRequest(const std::vector<std::string>& args);

}  // namespace vxoem
