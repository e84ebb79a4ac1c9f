#include "parallel_port.h"

#include "lpt_settings.h"
#include "qm10_wire.h"

namespace vx::lpt {

using namespace wire;

ParallelPort::ParallelPort(std::unique_ptr<PortBackend> backend) : m_backend(std::move(backend)) {}

ParallelPort::~ParallelPort() {
    // Register access and reservation belong to the backend; let them go first.
    m_io.reset();
    m_reservation.reset();
}

ParallelPort::OpenResult ParallelPort::OpenLPTfile(std::string_view caption, std::string_view port,
                                                   int reserve) {
    const long base = numericValue(port);
    m_base = base > 0xFFFD ? 0 : static_cast<uint16_t>(base);
    m_number = captionNumber(caption) ? captionNumber(caption) : 1;
    m_reservation.reset();
    OpenResult result;
    if (reserve == 0) return result;
    auto reservation = m_backend->reserve(m_number);
    m_reservation = std::move(reservation.value);
    result.reserved = m_reservation != nullptr;
    result.error = reservation.error;
    return result;
}

bool ParallelPort::beginSession(std::string& error) {
    if (m_io) {
        // A command started from the event loop while another waits; letting it
        // in would interleave two commands' bits on the wire.
        error = "The parallel port is busy with another command.";
        return false;
    }
    if (m_base == 0) {
        // Port 0 is the DMA controller on a PC, never a parallel port.
        error = "No parallel port address is set: choose the port under Download Port, LPT1 to LPT4.";
        return false;
    }
    auto opened = m_backend->open(m_number, m_base, m_reservation.get());
    m_io = std::move(opened.value);
    error = opened.error;
    return m_io != nullptr;
}

void ParallelPort::endSession() { m_io.reset(); }

void ParallelPort::WritePortByte(uint16_t address, uint8_t value) {
    if (m_io) m_io->writeByte(address, value);
}

uint8_t ParallelPort::ReadPortByte(uint16_t address) { return m_io ? m_io->readByte(address) : 0xFF; }

void ParallelPort::SetDataBits(uint8_t mask) {
    m_shadow = static_cast<uint8_t>(m_shadow | mask);
    WritePortByte(dataAddress(), m_shadow);
}

void ParallelPort::ClearDataBits(uint8_t mask) {
    m_shadow = static_cast<uint8_t>(m_shadow & ~mask);
    WritePortByte(dataAddress(), m_shadow);
}

void ParallelPort::WriteDataPort(uint8_t value) {
    m_shadow = value;
    for (int i = 0; i < kStateWriteRepeats; ++i) WritePortByte(dataAddress(), value);
}

void ParallelPort::WriteControlPort(uint8_t value) {
    for (int i = 0; i < kStateWriteRepeats; ++i) WritePortByte(controlAddress(), value);
}

// Most significant bit first: data, clock up (the chip samples), clock down.
// No pause inside a byte: the port's own bus cycle is slow enough.
uint8_t ParallelPort::clockOut(uint8_t byte, bool sample) {
    uint8_t answer = 0;
    for (int bit = 7; bit >= 0; --bit) {
        if (byte & (1u << bit))
            SetDataBits(kDataBit);
        else
            ClearDataBits(kDataBit);
        SetDataBits(kClockBit);
        if (sample && (ReadPortByte(statusAddress()) & kStatusDataBit))
            answer |= static_cast<uint8_t>(1u << bit);
        ClearDataBits(kClockBit);
    }
    return answer;
}

void ParallelPort::SpiSend(uint8_t byte) { clockOut(byte, false); }

uint8_t ParallelPort::SpiTransfer(uint8_t byte) { return clockOut(byte, true); }

void ParallelPort::Pause(int milliseconds) {
    if (m_io) m_io->sleepMs(milliseconds);
}

}  // namespace vx::lpt
