#pragma once
// Starts a simulator program for tests and benchmarks and stops it again. The
// simulator prints the device path it serves as its first line.

#include <sys/types.h>

#include <string>
#include <vector>

namespace simline {

class SimProcess {
public:
    // Starts `program` with `arguments` and waits for the device path it prints.
    SimProcess(const std::string& program, const std::vector<std::string>& arguments);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    bool started() const { return !m_path.empty(); }
    const std::string& path() const { return m_path; }  // empty when it did not start
    // Ends the simulator (SIGTERM) and waits for it; its exit status, -1 if none ran.
    int stop();

private:
    pid_t m_pid = -1;
    std::string m_path;
};

}  // namespace simline
