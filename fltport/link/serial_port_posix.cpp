#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>

#include "link/serial_port.h"

namespace fltport {
namespace {

using Clock = std::chrono::steady_clock;

int millisecondsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

enum class Wait { Ready, TimedOut, HungUp, Cancelled };

// Waits for the descriptor until the deadline, looking at the cancel request
// at least every kCancelCheckMs.
Wait waitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        if (cancelRequested()) return Wait::Cancelled;
        const int timeout = millisecondsLeft(deadline);
        if (timeout == 0) return Wait::TimedOut;
        pollfd pfd{fd, events, 0};
        const int r = ::poll(&pfd, 1, std::min(timeout, kCancelCheckMs));
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return Wait::HungUp;
        if (r == 0) continue;
        if (pfd.revents & events) return Wait::Ready;  // what is still buffered is read first
        // A hung-up terminal polls as readable and reads as empty for ever.
        return Wait::HungUp;
    }
}

void setUpLine(int fd) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) return;  // ignored, as a failed SetCommState is
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    ::cfsetispeed(&tio, B19200);
    ::cfsetospeed(&tio, B19200);
    ::tcsetattr(fd, TCSANOW, &tio);
}

}  // namespace

std::vector<std::string> candidatePaths(std::string_view name) {
    if (name.find('/') != std::string_view::npos) return {std::string(name)};
    if (name.size() > 3 && (name.substr(0, 3) == "COM" || name.substr(0, 3) == "com")) {
        unsigned number = 0;
        const auto r = std::from_chars(name.data() + 3, name.data() + name.size(), number);
        if (r.ec == std::errc{} && r.ptr == name.data() + name.size() && number >= 1)
            return {"/dev/ttyS" + std::to_string(number - 1)};
    }
    return {"/dev/" + std::string(name), std::string(name)};
}

namespace {

// Opens `path` only when it is a terminal: anything else (a file, a pipe, a
// device of another kind) would take the commands as data or block. -1 otherwise.
int openTerminal(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISCHR(info.st_mode)) return -1;
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    if (!::isatty(fd)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

std::unique_ptr<SerialPort> SerialPort::open(std::string_view name) {
    if (name.empty()) return nullptr;
    int fd = -1;
    for (const std::string& path : candidatePaths(name))
        if ((fd = openTerminal(path)) >= 0) break;
    if (fd < 0) return nullptr;
    // Exclusive like an unshared Windows open: TIOCEXCL stops other openers of
    // the terminal (except root), the lock stops everyone who locks too.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return nullptr;
    }
    ::ioctl(fd, TIOCEXCL);
    setUpLine(fd);
    return std::unique_ptr<SerialPort>(new SerialPort(fd));
}

SerialPort::~SerialPort() {
    ::ioctl(m_fd, TIOCNXCL);
    ::close(m_fd);
}

size_t SerialPort::read(uint8_t* buffer, size_t count) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(kReadTotalMs);
    size_t got = 0;
    // Wait first, then read: in an exchange the answer is never there yet, so
    // this saves a system call per unit over trying the read first.
    while (got < count && !hungUp()) {
        const Wait waited = waitFor(m_fd, POLLIN, deadline);
        if (waited == Wait::HungUp) setHungUp();
        if (waited != Wait::Ready) break;
        const ssize_t r = ::read(m_fd, buffer + got, count - got);
        if (r > 0)
            got += static_cast<size_t>(r);
        else if (r == 0 || (errno != EINTR && errno != EAGAIN))
            setHungUp();  // EIO: the other end is gone
    }
    return got;
}

size_t SerialPort::write(const uint8_t* data, size_t count) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(
                                             kWriteConstantMs + kWritePerByteMs * static_cast<long>(count));
    size_t done = 0;
    while (done < count && !hungUp()) {
        const ssize_t r = ::write(m_fd, data + done, count - done);
        if (r > 0) {
            done += static_cast<size_t>(r);
            continue;
        }
        if (r < 0 && errno == EINTR) continue;
        if (r < 0 && errno != EAGAIN) {
            setHungUp();
            break;
        }
        const Wait waited = waitFor(m_fd, POLLOUT, deadline);
        if (waited == Wait::HungUp) setHungUp();
        if (waited != Wait::Ready) break;
    }
    return done;
}

}  // namespace fltport
