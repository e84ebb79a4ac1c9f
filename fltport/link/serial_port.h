#pragma once
// The serial device: POSIX termios or Win32, chosen at compile time, with the
// same behaviour on both: exclusive open, 19200 baud 8N1 without flow control,
// and the read/write time-outs of transport.h.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "link/transport.h"

namespace fltport {

class SerialPort final : public Transport {
public:
    // Opens and sets up the named port; nullptr when it does not exist, is in
    // use, cannot be opened or is not a serial line (a file, a pipe, a device
    // of another kind). Errors while setting the line up are ignored.
    static std::unique_ptr<SerialPort> open(std::string_view name);
    ~SerialPort() override;
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    size_t read(uint8_t* buffer, size_t count) override;
    size_t write(const uint8_t* data, size_t count) override;

private:
#ifdef _WIN32
    explicit SerialPort(void* handle) : m_handle(handle) {}
    void* m_handle;
#else
    explicit SerialPort(int fd) : m_fd(fd) {}
    int m_fd;
#endif
};

// The system paths a port name may stand for, in the order they are tried.
// On Linux "COMn" is /dev/ttyS(n-1) and a name with a "/" is a path; any other
// name is /dev/NAME when that is a terminal, else the name itself. On Windows
// the name gets the \\.\ prefix so that COM10 and above open too.
std::vector<std::string> candidatePaths(std::string_view name);

}  // namespace fltport
