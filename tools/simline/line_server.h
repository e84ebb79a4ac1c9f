#pragma once
// Serves a simulated device on a file descriptor (pseudo-terminal master or a
// real serial device): optional chatter after start, optional pacing at the
// speed of the line.

#include <csignal>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace simline {

// The device: takes one byte from the host and gives its answer, if any.
using Device = std::function<std::vector<uint8_t>(uint8_t)>;

struct LineOptions {
    bool paced = false;
    int baud = 19200;
    int chatterMs = 0;  // junk sent for this long after start
    std::string logPath;  // every byte received from the host is appended here
};

class LineServer {
public:
    LineServer(int fd, Device device, LineOptions options);
    ~LineServer();
    LineServer(const LineServer&) = delete;
    LineServer& operator=(const LineServer&) = delete;
    // Runs until `stop` becomes non-zero.
    void run(const volatile std::sig_atomic_t& stop);

private:
    void send(const std::vector<uint8_t>& bytes);
    void writeAll(const uint8_t* data, size_t count);

    int m_fd;
    int m_log = -1;
    Device m_device;
    LineOptions m_options;
    int64_t m_byteNs;         // 10 bits per byte on the line
    int64_t m_receiveEnd = 0; // when the last host byte would have finished arriving
    int64_t m_sendEnd = 0;    // when the last byte sent would have finished leaving
};

// A new pseudo-terminal in raw mode. Returns the master descriptor and sets
// `slavePath`; the slave is kept open in `keepAlive` so that the master does
// not see a hang-up between the host's sessions. -1 on failure.
int openPseudoTerminal(std::string& slavePath, int& keepAlive);
// A real serial device set to raw 8N1 at `baud`; -1 on failure.
int openSerialDevice(const std::string& path, int baud = 19200);

}  // namespace simline
