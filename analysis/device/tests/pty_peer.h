#pragma once
// The simulated flight computer served on a pseudo-terminal from a thread of
// the test, so a test sees every byte the host put on the wire and the device
// state it left behind.

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "codec/raw_flight.h"
#include "flight_computer.h"

namespace tarvel::device::testing {

class PtyPeer {
public:
    explicit PtyPeer(std::vector<fltport::RawFlight> flights = {}, fcsim::FaultModes faults = {});
    ~PtyPeer();
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    const std::string& path() const { return m_path; }
    // Bytes received from the host since the last call.
    std::string takeReceived();
    std::string setting(char index);
    void setSetting(char index, const std::string& value);
    void setContinuity(const std::array<bool, 3>& closed);
    std::array<int, 3> fireCounts();

private:
    void serve();

    fcsim::FlightComputer m_device;
    std::string m_path;
    int m_master = -1;
    int m_keepAlive = -1;
    std::mutex m_mutex;
    std::string m_received;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// A flight of `samples` rows, each sample distinct so flights can be told apart.
fltport::RawFlight smallFlight(int samples, int seed);

// A port name that no device answers to.
inline const std::string kMissingPort = "/dev/tarvel-no-such-port";

}  // namespace tarvel::device::testing
