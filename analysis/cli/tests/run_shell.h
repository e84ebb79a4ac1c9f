#pragma once
// The tests that run the program as a user would: one shell command line.

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace tarvel::test {

// A shell command line; its standard output (and what it redirects there) in
// `output`, and its exit status (-1 when it did not exit).
inline int runShell(const std::string& command, std::string& output) {
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return -1;
    char buffer[4096];
    size_t got;
    output.clear();
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
    const int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace tarvel::test
