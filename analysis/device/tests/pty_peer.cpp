#include "pty_peer.h"

#include <poll.h>
#include <unistd.h>

#include <utility>

#include "line_server.h"

namespace tarvel::device::testing {

PtyPeer::PtyPeer(std::vector<fltport::RawFlight> flights, fcsim::FaultModes faults)
    : m_device(std::move(flights), faults) {
    m_master = simline::openPseudoTerminal(m_path, m_keepAlive);
    if (m_master >= 0) m_thread = std::thread([this] { serve(); });
}

PtyPeer::~PtyPeer() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
    if (m_master >= 0) close(m_master);
    if (m_keepAlive >= 0) close(m_keepAlive);
}

void PtyPeer::serve() {
    while (!m_stop) {
        pollfd fd{m_master, POLLIN, 0};
        if (poll(&fd, 1, 20) <= 0 || !(fd.revents & POLLIN)) continue;
        unsigned char buffer[256];
        ssize_t n = read(m_master, buffer, sizeof buffer);
        if (n <= 0) continue;
        std::vector<uint8_t> reply;
        {
            std::lock_guard lock(m_mutex);
            for (ssize_t i = 0; i < n; ++i) {
                m_received += static_cast<char>(buffer[i]);
                auto bytes = m_device.receive(buffer[i]);
                reply.insert(reply.end(), bytes.begin(), bytes.end());
            }
        }
        for (size_t sent = 0; sent < reply.size();) {
            ssize_t w = write(m_master, reply.data() + sent, reply.size() - sent);
            if (w <= 0) break;
            sent += static_cast<size_t>(w);
        }
    }
}

std::string PtyPeer::takeReceived() {
    std::lock_guard lock(m_mutex);
    return std::exchange(m_received, {});
}

std::string PtyPeer::setting(char index) {
    std::lock_guard lock(m_mutex);
    return m_device.setting(index);
}

void PtyPeer::setSetting(char index, const std::string& value) {
    std::lock_guard lock(m_mutex);
    m_device.setSetting(index, value);
}

void PtyPeer::setContinuity(const std::array<bool, 3>& closed) {
    std::lock_guard lock(m_mutex);
    m_device.setContinuity(closed);
}

std::array<int, 3> PtyPeer::fireCounts() {
    std::lock_guard lock(m_mutex);
    return m_device.fireCounts();
}

fltport::RawFlight smallFlight(int samples, int seed) {
    fltport::RawFlight flight;
    for (int i = 0; i < samples; ++i)
        fltport::appendSample(flight, 1000, static_cast<uint16_t>(800 + seed + i),
                              (seed * 10 + i) % 200 - 50);
    return flight;
}

}  // namespace tarvel::device::testing
