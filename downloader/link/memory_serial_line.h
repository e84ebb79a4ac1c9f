#pragma once
// A serial line in memory: every byte written goes to a peer (a device model
// or a script), whose answers wait to be read. Records what was sent and how
// DTR moved, for tests.

#include <deque>
#include <functional>

#include "serial_line.h"

namespace vx {

class MemorySerialLine final : public SerialLine {
public:
    using Peer = std::function<Bytes(uint8_t)>;
    explicit MemorySerialLine(Peer peer = {}) : m_peer(std::move(peer)) {}

    bool open(const std::string& device) override;
    bool close() override;
    bool isOpen() const override { return m_open; }
    std::string openError() const override { return failOpen ? "No such file or directory" : ""; }
    void setDtr(bool on) override;
    void write(std::span<const uint8_t> bytes) override;
    size_t bytesAvailable() override { return m_pending.size(); }
    size_t bytesToWrite() override { return 0; }
    Bytes readAll() override;
    void clearInput() override { m_pending.clear(); }

    void setPeer(Peer peer) { m_peer = std::move(peer); }
    void inject(std::span<const uint8_t> bytes) {
        m_pending.insert(m_pending.end(), bytes.begin(), bytes.end());
    }

    bool failOpen = false;  // open() fails, as for a missing device
    bool failClose = false;
    std::string openedDevice;
    Bytes sent;
    int dtrPulses = 0;  // rising edges of DTR

private:
    Peer m_peer;
    std::deque<uint8_t> m_pending;
    bool m_open = false;
    bool m_dtr = false;
};

}  // namespace vx
