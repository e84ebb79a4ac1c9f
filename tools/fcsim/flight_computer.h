#pragma once
// The flight computer as the host sees it over the serial line: bytes in,
// bytes out. No I/O and no clock here, so tests can drive it in memory and the
// line server can pace what it returns.

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "codec/raw_flight.h"

namespace fcsim {

// Misbehaviours for tests of the host's error handling.
struct FaultModes {
    bool silent = false;          // answers nothing at all
    bool badGreeting = false;     // answers a download request with "NO"
    bool unknownRecord = false;   // an unknown record type with junk after the first sample of every flight
    bool stallType = false;       // goes quiet in the middle of the last flight, before a type byte
    bool stallValue = false;      // goes quiet in the middle of the last flight, after one value byte
    bool refuseWrites = false;    // answers every write, fire commands too, with "-"
    bool forgetWrites = false;    // acknowledges setting writes but keeps the settings as they were
    bool shortReplies = false;    // every reply to a command is only its first byte
    bool garbageReplies = false;  // every reply to a command is binary junk instead

    // Faults at byte N (counted from 1) of the first download's flight stream,
    // everything sent after its "OK"; -1 is off. Later downloads run clean, so
    // a test can see whether the host's port is usable afterwards.
    long silentAfter = -1;  // bytes after N are never sent
    long lostByte = -1;     // byte N is never sent
    long junkAfter = -1;    // a burst of junk follows byte N
    long vanishAfter = -1;  // after byte N the device goes away: the simulator ends

    // Goes away (as vanishAfter) when asked for what follows the first download's
    // flight N, counted from 1; 0 right after its "OK". -1 is off.
    long hangUpAfterFlights = -1;
};

class FlightComputer {
public:
    explicit FlightComputer(std::vector<fltport::RawFlight> flights, FaultModes faults = {},
                            uint32_t seed = 1);

    // Feeds one byte from the host; returns what the flight computer sends in
    // answer (often nothing).
    std::vector<uint8_t> receive(uint8_t byte);

    // Settings: 'g', 'v', 't', 'm', 'z'.
    const std::string& setting(char index) const;
    void setSetting(char index, const std::string& value) { m_settings[index] = value; }
    const std::map<char, std::string>& settings() const { return m_settings; }

    void setContinuity(const std::array<bool, 3>& closed) { m_continuity = closed; }
    const std::array<bool, 3>& continuity() const { return m_continuity; }
    const std::array<int, 3>& fireCounts() const { return m_fired; }

    // Keeps the writable settings in a file ("m=600" lines): loads it now if it
    // exists and saves it after every accepted write.
    void keepSettingsIn(const std::string& path);

    // True once a vanish fault has struck: the line should be closed.
    bool vanished() const { return m_vanished; }

    static constexpr const char* kVersion = "fcsim 1.0";

private:
    enum class Mode { Idle, ReadIndex, ReadEnd, WriteIndex, WriteValue, Download, Stalled };

    std::vector<uint8_t> idleByte(uint8_t byte);
    std::vector<uint8_t> startDownload();
    std::vector<uint8_t> nextUnit();
    std::vector<uint8_t> streamBytes(const std::vector<uint8_t>& unit);
    std::vector<uint8_t> commandReply(std::vector<uint8_t> reply) const;
    std::vector<uint8_t> readReply(uint8_t index);
    std::vector<uint8_t> writeReply(uint8_t index, const std::string& value);
    std::string liveReading(uint8_t index);
    void placeStall();

    std::vector<fltport::RawFlight> m_flights;
    std::vector<std::vector<uint8_t>> m_units;
    FaultModes m_faults;
    size_t m_stallUnit = SIZE_MAX;

    Mode m_mode = Mode::Idle;
    uint8_t m_index = 0;
    std::string m_value;
    size_t m_nextUnit = 0;
    int m_downloads = 0;
    long m_streamSent = 0;   // bytes of the current download's flight stream so far
    long m_flightsSent = 0;  // flights of the current download sent to their end
    bool m_vanished = false;

    std::map<char, std::string> m_settings;
    std::array<bool, 3> m_continuity{true, true, true};
    std::array<int, 3> m_fired{};
    std::string m_stateFile;

    std::mt19937 m_random;
    double m_accel = 0.0;       // counts, around 0 G on a still bench
    double m_pressure = 812.0;  // counts, about 14 psi
};

}  // namespace fcsim
