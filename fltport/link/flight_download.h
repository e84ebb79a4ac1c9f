#pragma once
// The flight download: asks the flight computer for its stored flights and
// writes each one as a record file in the downloaded form.

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>

#include "link/transport.h"

namespace fltport {

enum class UploadStatus {
    Complete,     // the flight computer sent its end of download, or went quiet between flights
    NoAnswer,     // no "OK" to the opening line feed, or a line that never went quiet; nothing written
    FileError,    // a record file could not be created, written whole or put in place
    Interrupted,  // the device went quiet inside a flight, or never stopped talking
    HungUp,       // the line hung up or failed: the device may hold more flights
    Cancelled,    // CancelUpload was called
};

struct UploadResult {
    UploadStatus status = UploadStatus::NoAnswer;
    // Flights written whole. A flight broken off is not counted; what arrived
    // of it stays in partialFileName(flights).
    int flights = 0;
};

// Bounds that keep a misbehaving device from holding the host for ever.
struct UploadLimits {
    size_t drainBytes = 4096;           // junk discarded in one go
    size_t skippedMarkers = 4096;       // bytes in a row between flights that start nothing
    size_t recordsPerFlight = 1000000;  // far above the flight computer's memory
};

class FlightDownload {
public:
    FlightDownload(Transport& port, std::string prefix, UploadLimits limits = {});

    // Called after each flight written with the number of flights so far.
    void setFlightCounter(std::function<void(int)> counter) { m_counter = std::move(counter); }
    // Called as each flight begins and after each sample row with the flights
    // begun (the one arriving included) and the sample rows received so far.
    void setProgress(std::function<void(int flights, int samples)> progress) {
        m_progress = std::move(progress);
    }

    UploadResult run();

    // The record file of flight n: prefix, the number, ".rcd".
    std::string fileName(int flight) const;
    // Where flight n is written until it is complete: prefix, the number, "-partial.rcd".
    // A complete flight is then renamed to fileName(n), so an earlier complete
    // file of that name is never left holding part of a flight.
    std::string partialFileName(int flight) const;

private:
    enum class FlightEnd { Complete, CutShort, TooLong, WriteFailed, Cancelled };
    UploadStatus downloadFlight(int flight);
    // Why the line gave nothing where the stream needed a unit.
    UploadStatus brokenOff() const;
    FlightEnd decodeFlight(std::FILE* file);
    bool readValue(uint16_t& value);
    void sendCarriageReturn();
    bool writeAcceleration(std::FILE* file, int count);
    void reportProgress() const {
        if (m_progress) m_progress(m_flightsBegun, m_samples);
    }

    Transport& m_port;
    std::string m_prefix;
    UploadLimits m_limits;
    std::function<void(int)> m_counter;
    std::function<void(int, int)> m_progress;
    int m_flightsBegun = 0;
    int m_samples = 0;

    // Decoder state. The time step belongs to the whole download (a flight
    // starts with the step of the flight before it); velocity and altitude
    // start from 0 in each flight. Before any time record the step is 0.
    std::string m_step = "0";
    std::string m_velocity;
    std::string m_altitude;
    int m_lastAccel = 0;
};

}  // namespace fltport
