#include "ppdev_port.h"

#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace vx::lpt {

namespace {

enum Register { kData = 0, kStatus = 1, kControl = 2 };

// Says what is missing and how to get it, for the errors a user can fix.
std::string openFailure(const std::string& path, int error) {
    switch (error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return path +
                   " does not exist: load the parallel-port device driver (modprobe ppdev) "
                   "and check that this computer has that parallel port.";
        case EACCES:
        case EPERM:
            return "No permission to use " + path +
                   ": add your user to the lp group "
                   "(usermod -aG lp USER, then log in again).";
        case EBUSY:
            return path +
                   " is in use by another driver or program (the printer driver may hold it: rmmod lp).";
        default:
            return "Cannot use " + path + ": " + std::strerror(error);
    }
}

// An open, claimed device; released and closed on destruction.
class ClaimedPort final : public Reservation {
public:
    static Obtained<ClaimedPort> claim(int number, bool exclusive) {
        const std::string path = ppdevPath(number);
        const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0) return {nullptr, openFailure(path, errno)};
        if ((exclusive && ::ioctl(fd, PPEXCL) != 0) || ::ioctl(fd, PPCLAIM) != 0) {
            const int error = errno;
            ::close(fd);
            return {nullptr, openFailure(path, error)};
        }
        int forward = 0;
        ::ioctl(fd, PPDATADIR, &forward);
        return {std::unique_ptr<ClaimedPort>(new ClaimedPort(number, fd)), {}};
    }
    ~ClaimedPort() override {
        ::ioctl(m_fd, PPRELEASE);
        ::close(m_fd);
    }

    int number() const { return m_number; }

    void write(int reg, uint8_t value) {
        unsigned char byte = value;
        if (reg == kData)
            control(PPWDATA, &byte);
        else if (reg == kControl)
            control(PPWCONTROL, &byte);
        // The status register is read-only; a write to it goes nowhere, as on the bus.
    }
    uint8_t read(int reg) {
        unsigned char byte = 0xFF;
        if (reg == kData)
            control(PPRDATA, &byte);
        else if (reg == kStatus)
            control(PPRSTATUS, &byte);
        else if (reg == kControl)
            control(PPRCONTROL, &byte);
        return byte;
    }

private:
    ClaimedPort(int number, int fd) : m_number(number), m_fd(fd) {}
    void control(unsigned long request, unsigned char* byte) {
        if (::ioctl(m_fd, request, byte) != 0)
            throw PortError(ppdevPath(m_number) + ": " + std::strerror(errno));
    }

    int m_number;
    int m_fd;
};

class PpdevPortIo final : public PortIo {
public:
    // Uses `held` if given, otherwise owns `own`.
    PpdevPortIo(ClaimedPort* held, std::unique_ptr<ClaimedPort> own, uint16_t base)
        : m_own(std::move(own)), m_port(held ? held : m_own.get()), m_base(base) {}

    void writeByte(uint16_t address, uint8_t value) override { m_port->write(address - m_base, value); }
    uint8_t readByte(uint16_t address) override { return m_port->read(address - m_base); }
    void sleepMs(int milliseconds) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }

private:
    std::unique_ptr<ClaimedPort> m_own;
    ClaimedPort* m_port;
    uint16_t m_base;
};

class PpdevBackend final : public PortBackend {
public:
    std::string name() const override { return "ppdev"; }

    Obtained<PortIo> open(int number, uint16_t base, Reservation* held) override {
        auto* reserved = dynamic_cast<ClaimedPort*>(held);
        if (reserved && reserved->number() == number)
            return {std::make_unique<PpdevPortIo>(reserved, nullptr, base), {}};
        auto claimed = ClaimedPort::claim(number, false);
        if (!claimed.value) return {nullptr, claimed.error};
        return {std::make_unique<PpdevPortIo>(nullptr, std::move(claimed.value), base), {}};
    }

    Obtained<Reservation> reserve(int number) override {
        auto claimed = ClaimedPort::claim(number, true);
        return {std::move(claimed.value), claimed.error};
    }
};

}  // namespace

std::string ppdevPath(int number) { return "/dev/parport" + std::to_string(number - 1); }

std::unique_ptr<PortBackend> ppdevBackend() { return std::make_unique<PpdevBackend>(); }

}  // namespace vx::lpt
