#pragma once
// The program's parallel port: the chosen port and its register addresses, the
// optional reservation, the data shadow, and the bit-level primitives of the
// QM-10 link. Register access is opened for one command at a time (a
// PortSession), so an unreserved port stays free for others in between.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "port_io.h"

namespace vx::lpt {

class ParallelPort {
public:
    // Whole-port writes are repeated so that slow port hardware settles.
    static constexpr int kStateWriteRepeats = 6;

    explicit ParallelPort(std::unique_ptr<PortBackend> backend);
    ~ParallelPort();

    struct OpenResult {
        bool reserved = false;
        std::string error;  // the reservation was asked for and failed; why
    };
    // Takes the port named by `caption` ("LPT1:") at the numeric value of
    // `port`; releases any earlier reservation and, when `reserve` is not 0,
    // reserves the new port.
    OpenResult OpenLPTfile(std::string_view caption, std::string_view port, int reserve);

    int number() const { return m_number; }
    uint16_t dataAddress() const { return m_base; }
    uint16_t statusAddress() const { return static_cast<uint16_t>(m_base + 1); }
    uint16_t controlAddress() const { return static_cast<uint16_t>(m_base + 2); }
    bool reserved() const { return m_reservation != nullptr; }
    uint8_t shadow() const { return m_shadow; }
    PortBackend& backend() { return *m_backend; }

    // Opens register access for one command; false and `error` when the port
    // cannot be had.
    bool beginSession(std::string& error);
    void endSession();
    bool inSession() const { return m_io != nullptr; }

    void WritePortByte(uint16_t address, uint8_t value);
    uint8_t ReadPortByte(uint16_t address);
    void SetDataBits(uint8_t mask);
    void ClearDataBits(uint8_t mask);
    void WriteDataPort(uint8_t value);
    void WriteControlPort(uint8_t value);
    void SpiSend(uint8_t byte);
    uint8_t SpiTransfer(uint8_t byte);
    void Pause(int milliseconds);

private:
    uint8_t clockOut(uint8_t byte, bool sample);

    std::unique_ptr<PortBackend> m_backend;
    std::unique_ptr<Reservation> m_reservation;
    std::unique_ptr<PortIo> m_io;
    int m_number = 1;
    uint16_t m_base = 0;
    uint8_t m_shadow = 0;
};

// Register access for the length of one command.
class PortSession {
public:
    explicit PortSession(ParallelPort& port) : m_port(port), m_open(port.beginSession(m_error)) {}
    ~PortSession() {
        if (m_open) m_port.endSession();
    }
    PortSession(const PortSession&) = delete;
    PortSession& operator=(const PortSession&) = delete;

    bool open() const { return m_open; }
    const std::string& error() const { return m_error; }

private:
    ParallelPort& m_port;
    std::string m_error;
    bool m_open;
};

}  // namespace vx::lpt
