#include "line_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace simline {
namespace {

int64_t nowNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t{ts.tv_sec} * 1000000000 + ts.tv_nsec;
}

// Sleeps most of the way and spins the rest: a sleep alone wakes tens of
// microseconds late, which would add up over thousands of paced exchanges.
void waitUntil(int64_t deadlineNs) {
    constexpr int64_t kSpinNs = 150000;
    if (deadlineNs - nowNs() > kSpinNs) {
        const int64_t wake = deadlineNs - kSpinNs;
        timespec ts{static_cast<time_t>(wake / 1000000000), static_cast<long>(wake % 1000000000)};
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
        }
    }
    while (nowNs() < deadlineNs) {
    }
}

speed_t speedOf(int baud) {
    switch (baud) {
        case 9600:
            return B9600;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        default:
            return B19200;
    }
}

void makeRaw(int fd, int baud = 19200) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) return;
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~CRTSCTS;
    cfsetispeed(&tio, speedOf(baud));
    cfsetospeed(&tio, speedOf(baud));
    tcsetattr(fd, TCSANOW, &tio);
}

constexpr uint8_t kChatter[] = {'O', 'K', 0x05, 0x01, 0xFE, 0xFF, '+', '0', '\r', '\n'};

}  // namespace

LineServer::LineServer(int fd, Device device, LineOptions options)
    : m_fd(fd),
      m_device(std::move(device)),
      m_options(std::move(options)),
      m_byteNs(10 * int64_t{1000000000} / m_options.baud) {
    fcntl(m_fd, F_SETFL, fcntl(m_fd, F_GETFL) | O_NONBLOCK);
    if (m_options.paced) {
        // Pacing is only as good as the wake-ups: ask for exact timers and, where
        // allowed, a real-time priority so a busy machine does not delay them.
        prctl(PR_SET_TIMERSLACK, 1UL);
        sched_param param{};
        param.sched_priority = 10;
        sched_setscheduler(0, SCHED_FIFO, &param);
    }
    if (!m_options.logPath.empty())
        m_log = open(m_options.logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
}

LineServer::~LineServer() {
    if (m_log >= 0) close(m_log);
}

void LineServer::run(const volatile std::sig_atomic_t& stop) {
    const int64_t chatterEnd = nowNs() + int64_t{m_options.chatterMs} * 1000000;
    size_t chatterPos = 0;
    uint8_t buffer[512];
    while (!stop) {
        const bool chattering = nowNs() < chatterEnd;
        pollfd pfd{m_fd, POLLIN, 0};
        const int r = poll(&pfd, 1, chattering ? 1 : 200);
        if (r < 0 && errno != EINTR) break;
        if (chattering) {
            const uint8_t byte = kChatter[chatterPos++ % sizeof kChatter];
            if (write(m_fd, &byte, 1) < 0 && errno != EAGAIN) break;
        }
        if (r <= 0) continue;
        if (pfd.revents & (POLLHUP | POLLERR)) {
            usleep(50000);  // a serial device without a peer: wait for one
            continue;
        }
        const ssize_t n = read(m_fd, buffer, sizeof buffer);
        if (n <= 0) continue;
        const int64_t arrived = nowNs();
        if (m_log >= 0 && write(m_log, buffer, static_cast<size_t>(n)) < 0) {
            close(m_log);
            m_log = -1;
        }
        for (ssize_t i = 0; i < n; ++i) {
            m_receiveEnd = std::max(arrived, m_receiveEnd) + m_byteNs;
            send(m_device(buffer[i]));
        }
    }
}

void LineServer::send(const std::vector<uint8_t>& bytes) {
    if (!m_options.paced) {
        writeAll(bytes.data(), bytes.size());
        return;
    }
    // Each byte is handed over when it would have finished crossing the line,
    // after the host's own bytes have crossed it.
    for (const uint8_t byte : bytes) {
        m_sendEnd = std::max(m_receiveEnd, m_sendEnd) + m_byteNs;
        waitUntil(m_sendEnd);
        writeAll(&byte, 1);
    }
}

void LineServer::writeAll(const uint8_t* data, size_t count) {
    while (count > 0) {
        const ssize_t n = write(m_fd, data, count);
        if (n > 0) {
            data += n;
            count -= static_cast<size_t>(n);
        } else if (n < 0 && errno == EAGAIN) {
            pollfd pfd{m_fd, POLLOUT, 0};
            if (poll(&pfd, 1, 1000) <= 0) return;  // nobody reads: drop the rest
        } else if (n < 0 && errno != EINTR) {
            return;
        }
    }
}

int openPseudoTerminal(std::string& slavePath, int& keepAlive) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0) return -1;
    if (grantpt(master) != 0 || unlockpt(master) != 0) {
        close(master);
        return -1;
    }
    const char* name = ptsname(master);
    if (!name) {
        close(master);
        return -1;
    }
    slavePath = name;
    keepAlive = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    // Raw at once: with the default echo the simulator would read back its own bytes.
    if (keepAlive >= 0) makeRaw(keepAlive);
    return master;
}

int openSerialDevice(const std::string& path, int baud) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd >= 0) makeRaw(fd, baud);
    return fd;
}

ServedLine::~ServedLine() {
    if (!m_link.empty()) unlink(m_link.c_str());
    if (m_keepAlive >= 0) close(m_keepAlive);
    if (m_fd >= 0) close(m_fd);
}

bool ServedLine::open(const std::string& program, const std::string& devicePath, const std::string& linkPath,
                      int baud) {
    if (!devicePath.empty()) {
        m_path = devicePath;
        m_fd = openSerialDevice(devicePath, baud);
        if (m_fd < 0) std::perror((program + ": " + devicePath).c_str());
        return m_fd >= 0;
    }
    m_fd = openPseudoTerminal(m_path, m_keepAlive);
    if (m_fd < 0) {
        std::perror((program + ": pseudo-terminal").c_str());
        return false;
    }
    if (linkPath.empty()) return true;
    struct stat existing {};
    if (lstat(linkPath.c_str(), &existing) == 0) {
        if (!S_ISLNK(existing.st_mode)) {
            std::fprintf(stderr, "%s: --link: %s exists and is not a symbolic link; left alone\n",
                         program.c_str(), linkPath.c_str());
            return true;
        }
        unlink(linkPath.c_str());
    }
    if (symlink(m_path.c_str(), linkPath.c_str()) == 0)
        m_link = linkPath;
    else
        std::perror((program + ": --link").c_str());
    return true;
}

bool takeCommonOptions(int argc, char** argv, const std::string& program, const char* usage,
                       CommonOptions& options, std::vector<std::string>& rest, int& exitStatus) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        std::string* value = arg == "--device" ? &options.devicePath
                             : arg == "--link" ? &options.linkPath
                             : arg == "--log"  ? &options.line.logPath
                                               : nullptr;
        if (arg == "--help" || arg == "-h") {
            std::fputs(usage, stdout);
            exitStatus = 0;
            return false;
        } else if (arg == "--pace") {
            options.line.paced = true;
        } else if (arg == "--quiet") {
            options.quiet = true;
        } else if (value && i + 1 < argc) {
            *value = argv[++i];
        } else if (value) {
            exitStatus = usageError(program, arg + " needs a value", usage);
            return false;
        } else {
            rest.push_back(arg);
        }
    }
    return true;
}

int usageError(const std::string& program, const std::string& message, const char* usage) {
    std::fprintf(stderr, "%s: %s\n%s", program.c_str(), message.c_str(), usage);
    return 2;
}

bool splitFault(const std::string& text, std::string& name, long& number) {
    const size_t equals = text.find('=');
    name = text.substr(0, equals);
    number = -1;
    if (equals == std::string::npos) return true;
    const std::string digits = text.substr(equals + 1);
    char* end = nullptr;
    number = std::strtol(digits.c_str(), &end, 0);  // 0x1000 too
    return !digits.empty() && digits[0] >= '0' && digits[0] <= '9' && *end == '\0' && number >= 0;
}

namespace {

volatile std::sig_atomic_t g_stop = 0;

}  // namespace

bool serveUntilStopped(const std::string& program, const std::string& what, const CommonOptions& options,
                       const Device& device, const std::function<bool()>& vanished) {
    ServedLine served;
    if (!served.open(program, options.devicePath, options.linkPath, options.line.baud)) return false;
    struct sigaction action {};
    action.sa_handler = [](int) { g_stop = 1; };
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);

    const std::string& path = served.path();
    std::printf("%s\n", path.c_str());
    std::fflush(stdout);
    if (!options.quiet) {
        const std::string speed =
            options.line.paced ? " at " + std::to_string(options.line.baud) + " baud" : std::string();
        std::fprintf(stderr, "%s: %s on %s%s; Ctrl+C ends\n", program.c_str(), what.c_str(), path.c_str(),
                     speed.c_str());
    }
    LineServer(
        served.fd(),
        [&](uint8_t byte) {
            auto reply = device(byte);
            if (vanished()) g_stop = 1;
            return reply;
        },
        options.line)
        .run(g_stop);
    return true;
}

}  // namespace simline
