#pragma once
// The three primitives the QM-10 programmer needs from a parallel port, and the
// backends that provide them: the Linux parallel-port device, the Windows port
// I/O library, and a simulated port with a simulated QM-10 behind it.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

namespace vx::lpt {

// Raised when a port that opened stops answering (device removed, driver error).
class PortError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Register access for one command. Addresses are the PC's port addresses
// (base, base + 1, base + 2); a backend that reaches the port another way
// only uses them to tell the registers apart.
class PortIo {
public:
    virtual ~PortIo() = default;
    virtual void writeByte(uint16_t address, uint8_t value) = 0;
    virtual uint8_t readByte(uint16_t address) = 0;
    virtual void sleepMs(int milliseconds) = 0;
};

// The result of asking a backend for something it may not be able to give:
// `error` says what is missing and how to get it.
template <typename T>
struct Obtained {
    std::unique_ptr<T> value;
    std::string error;
};

// Keeps other programs and drivers off a port while it exists.
class Reservation {
public:
    virtual ~Reservation() = default;
};

class PortBackend {
public:
    virtual ~PortBackend() = default;
    virtual std::string name() const = 0;
    // Register access to port LPTn (n = 1..4) at `base` for one command. Uses
    // `held` when it is this port's reservation.
    virtual Obtained<PortIo> open(int number, uint16_t base, Reservation* held) = 0;
    // Holds port LPTn for this program until the reservation is destroyed.
    virtual Obtained<Reservation> reserve(int number) = 0;
};

// What the environment asks for (VXOEM_LPT, VXOEM_LPT_TRACE, VXOEM_LPT_SIM_FAULT,
// VXOEM_LPT_SIM_STATE); empty strings when unset.
struct PortEnvironment {
    std::string backend;
    std::string tracePath;
    std::string simFault;
    std::string simStatePath;

    static PortEnvironment fromProcess();
};

// The backend the environment names, or the platform's real one. Never fails:
// a backend that cannot be had answers every request with the reason.
std::unique_ptr<PortBackend> makePortBackend(const PortEnvironment& environment);

// A backend whose every request fails with `reason`.
std::unique_ptr<PortBackend> unavailableBackend(std::string reason);

// Writes every operation of `inner`'s ports to `trace` as one line: "W 378 8F",
// "R 379 20" (hexadecimal) or "S 20" (milliseconds). Takes the file over.
std::unique_ptr<PortBackend> tracingBackend(std::unique_ptr<PortBackend> inner, std::FILE* trace);

}  // namespace vx::lpt
