#pragma once
// The downloader's command line: a project name followed by switches.

#include <string>
#include <vector>

namespace vxoem {

// Splits `commandLine` at spaces and tabs; each run of other characters is one
// argument, and no more than `maxArgs` are taken. Quotes have no meaning, so a
// project name cannot contain a space.
std::vector<std::string> GetCommandLine(const std::string& commandLine, int maxArgs = 10);

// The text after the program name, as the splitter expects it: the arguments
// the system handed over, joined by single spaces.
std::string joinArguments(const std::vector<std::string>& arguments);

}  // namespace vxoem
