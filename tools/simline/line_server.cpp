#include "line_server.h"

#include <fcntl.h>
#include <sched.h>
#include <poll.h>
#include <sys/prctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
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
        case 9600: return B9600;
        case 38400: return B38400;
        case 57600: return B57600;
        case 115200: return B115200;
        default: return B19200;
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
    : m_fd(fd), m_device(std::move(device)), m_options(options), m_byteNs(10 * int64_t{1000000000} / options.baud) {
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

}  // namespace simline
