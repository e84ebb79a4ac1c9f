#pragma once
// In-memory stand-in for the serial line: every byte the host writes goes to a
// peer (usually the simulator's device model), whose answers wait to be read.
// A read that finds fewer bytes than asked stands for a 300 ms time-out; they
// are counted so tests can bound how long a real line would have taken.

#include <deque>
#include <functional>
#include <vector>

#include "link/transport.h"

class MemoryLink final : public fltport::Transport {
public:
    using Peer = std::function<std::vector<uint8_t>(uint8_t)>;
    explicit MemoryLink(Peer peer) : m_peer(std::move(peer)) {}

    size_t read(uint8_t* buffer, size_t count) override {
        size_t got = 0;
        while (got < count && !m_pending.empty() && !hungUp()) {
            buffer[got++] = m_pending.front();
            m_pending.pop_front();
            if (m_endless) m_pending.push_back(buffer[got - 1]);
        }
        if (got < count) ++timeouts;
        return got;
    }

    size_t write(const uint8_t* data, size_t count) override {
        writes.emplace_back(data, data + count);
        for (size_t i = 0; i < count; ++i)
            for (uint8_t byte : m_peer(data[i])) m_pending.push_back(byte);
        return count;
    }

    // Bytes waiting before the host starts (chatter); `endless` keeps them coming.
    void preload(const std::vector<uint8_t>& bytes, bool endless = false) {
        m_pending.insert(m_pending.end(), bytes.begin(), bytes.end());
        m_endless = endless;
    }

    // The line hangs up: nothing more arrives, and the transport knows it.
    void hangUp() {
        setHungUp();
        m_pending.clear();
    }

    std::vector<uint8_t> sent() const {
        std::vector<uint8_t> all;
        for (const auto& w : writes) all.insert(all.end(), w.begin(), w.end());
        return all;
    }

    std::vector<std::vector<uint8_t>> writes;
    int timeouts = 0;

private:
    Peer m_peer;
    std::deque<uint8_t> m_pending;
    bool m_endless = false;
};
