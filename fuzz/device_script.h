#pragma once
// The far end of a fuzzed serial line. The input is the device's side of a
// conversation: a list of replies, each a length byte and that many bytes.
// Whenever the host takes its turn the device sends the next reply; once the
// list runs out it stays quiet, as a device that stopped answering.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

namespace fuzzing {

class DeviceScript {
public:
    DeviceScript(const uint8_t* data, size_t size) : m_data(data, size) {}

    std::span<const uint8_t> nextReply() {
        if (m_pos >= m_data.size()) return {};
        const size_t length = std::min<size_t>(m_data[m_pos], m_data.size() - m_pos - 1);
        const auto reply = m_data.subspan(m_pos + 1, length);
        m_pos += 1 + length;
        return reply;
    }

private:
    std::span<const uint8_t> m_data;
    size_t m_pos = 0;
};

// The flight computer behind the serial-link library's port: it answers each
// carriage return and line feed the host sends. Null disconnects it, and the
// port then fails to open.
void connectFlightComputer(DeviceScript* device);

}  // namespace fuzzing
