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
    int chatterMs = 0;    // junk sent for this long after start
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
    int64_t m_byteNs;          // 10 bits per byte on the line
    int64_t m_receiveEnd = 0;  // when the last host byte would have finished arriving
    int64_t m_sendEnd = 0;     // when the last byte sent would have finished leaving
};

// A new pseudo-terminal in raw mode. Returns the master descriptor and sets
// `slavePath`; the slave is kept open in `keepAlive` so that the master does
// not see a hang-up between the host's sessions. -1 on failure.
int openPseudoTerminal(std::string& slavePath, int& keepAlive);
// A real serial device set to raw 8N1 at `baud`; -1 on failure.
int openSerialDevice(const std::string& path, int baud = 19200);

// The line a simulator program serves: a given serial device, or a new
// pseudo-terminal with an optional symbolic link to it. Closes it and removes
// the link when destroyed.
class ServedLine {
public:
    ServedLine() = default;
    ~ServedLine();
    ServedLine(const ServedLine&) = delete;
    ServedLine& operator=(const ServedLine&) = delete;
    // Messages go to standard error, prefixed with `program`; false when no line opened.
    // An existing `linkPath` is only replaced when it is itself a symbolic link.
    bool open(const std::string& program, const std::string& devicePath, const std::string& linkPath,
              int baud);
    int fd() const { return m_fd; }
    const std::string& path() const { return m_path; }  // to hand to the host

private:
    int m_fd = -1;
    int m_keepAlive = -1;
    std::string m_path;
    std::string m_link;
};

// The command-line options every simulator has.
struct CommonOptions {
    LineOptions line;
    std::string devicePath;  // --device: serve this serial device
    std::string linkPath;    // --link: symbolic link to the pseudo-terminal
    bool quiet = false;      // --quiet
};
// Takes the common options and --help out of the command line and leaves the
// rest, in order, in `rest`. False, with `exitStatus` set, when the program
// should end at once: help shown or an option without its value.
bool takeCommonOptions(int argc, char** argv, const std::string& program, const char* usage,
                       CommonOptions& options, std::vector<std::string>& rest, int& exitStatus);

// Prints "program: message" and the usage text to standard error; returns
// the exit status of a command-line error.
int usageError(const std::string& program, const std::string& message, const char* usage);

// Splits a --fault value "name" or "name=N" (N a whole number from 0); `number`
// is -1 without one. False when N is not such a number.
bool splitFault(const std::string& text, std::string& name, long& number);

// The rest of a simulator program once its options are read: opens the line
// (options.devicePath, or a new pseudo-terminal), prints its path for the
// host, says "PROGRAM: WHAT on PATH; Ctrl+C ends" unless quiet, and serves
// `device` at options.line.baud until SIGINT, SIGTERM or SIGHUP, or until
// `vanished` says the device has gone (the line closes as the program ends).
// False, with the reason on standard error, when no line opened.
bool serveUntilStopped(const std::string& program, const std::string& what, const CommonOptions& options,
                       const Device& device, const std::function<bool()>& vanished);

}  // namespace simline
