// The serial-link library's port for the fuzz build: no device file, the
// fuzz target's script answers instead. Everything above the port (the
// exported functions, the protocol, the download) is the library's own code.

#include <deque>

#include "codec/sample_codec.h"
#include "device_script.h"
#include "link/serial_port.h"

namespace {

fuzzing::DeviceScript* g_device = nullptr;
std::deque<uint8_t> g_pending;  // sent by the device, not read yet

}  // namespace

namespace fuzzing {

void connectFlightComputer(DeviceScript* device) {
    g_device = device;
    g_pending.clear();
}

}  // namespace fuzzing

namespace fltport {

std::string devicePath(std::string_view name) { return std::string(name); }

std::unique_ptr<SerialPort> SerialPort::open(std::string_view) {
    if (!g_device) return nullptr;
    return std::unique_ptr<SerialPort>(new SerialPort(0));
}

SerialPort::~SerialPort() { (void)m_fd; }

size_t SerialPort::read(uint8_t* buffer, size_t count) {
    size_t got = 0;
    for (; got < count && !g_pending.empty(); ++got) {
        buffer[got] = g_pending.front();
        g_pending.pop_front();
    }
    return got;
}

size_t SerialPort::write(const uint8_t* data, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        if (!g_device || (data[i] != kCarriageReturn && data[i] != kLineFeed)) continue;
        const auto reply = g_device->nextReply();
        g_pending.insert(g_pending.end(), reply.begin(), reply.end());
    }
    return count;
}

}  // namespace fltport
