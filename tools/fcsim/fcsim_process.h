#pragma once
// Starts the fcsim program for tests and benchmarks and stops it again.

#include <sys/types.h>

#include <string>
#include <vector>

namespace fcsim {

class FcsimProcess {
public:
    // Starts fcsim with `arguments` and waits for the device path it prints.
    explicit FcsimProcess(const std::vector<std::string>& arguments);
    ~FcsimProcess();
    FcsimProcess(const FcsimProcess&) = delete;
    FcsimProcess& operator=(const FcsimProcess&) = delete;

    bool started() const { return !m_path.empty(); }
    const std::string& path() const { return m_path; }  // empty when it did not start
    void stop();

private:
    pid_t m_pid = -1;
    std::string m_path;
};

}  // namespace fcsim
