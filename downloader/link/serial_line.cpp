#include "serial_line.h"

#include "memory_serial_line.h"

namespace vx {

std::string defaultPortDevice(int port) {
    if (port < 1) return {};
#ifdef _WIN32
    return "COM" + std::to_string(port);
#else
    return "/dev/ttyS" + std::to_string(port - 1);
#endif
}

bool MemorySerialLine::open(const std::string& device) {
    if (failOpen || m_open) return false;
    openedDevice = device;
    m_open = true;
    return true;
}

bool MemorySerialLine::close() {
    if (failClose) return false;
    m_open = false;
    return true;
}

void MemorySerialLine::setDtr(bool on) {
    if (on && !m_dtr) ++dtrPulses;
    m_dtr = on;
}

void MemorySerialLine::write(std::span<const uint8_t> bytes) {
    sent.insert(sent.end(), bytes.begin(), bytes.end());
    if (!m_peer) return;
    for (const uint8_t byte : bytes)
        for (const uint8_t reply : m_peer(byte)) m_pending.push_back(reply);
}

Bytes MemorySerialLine::readAll() {
    Bytes all(m_pending.begin(), m_pending.end());
    m_pending.clear();
    return all;
}

}  // namespace vx
