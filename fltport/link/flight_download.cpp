#include "link/flight_download.h"

#include <cstdio>
#include <memory>

#include "codec/sample_codec.h"

namespace fltport {
namespace {

constexpr char kLineEnd[] = "\r\n";
constexpr char kHeader[] = "AccelData\r\nDelta Time,Baro(Psi),Accel(G),Velocity(mph),Altitude(ft),Thrust(N)";

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

void put(std::FILE* file, const std::string& text) { std::fwrite(text.data(), 1, text.size(), file); }

}  // namespace

FlightDownload::FlightDownload(Transport& port, std::string prefix, UploadLimits limits)
    : m_port(port), m_prefix(std::move(prefix)), m_limits(limits) {}

std::string FlightDownload::fileName(int flight) const { return m_prefix + std::to_string(flight) + ".rcd"; }

void FlightDownload::sendCarriageReturn() { m_port.write(&kCarriageReturn, 1); }

bool FlightDownload::readValue(uint16_t& value) {
    sendCarriageReturn();
    uint8_t bytes[2] = {};
    if (m_port.read(bytes, 2) != 2) return false;
    value = static_cast<uint16_t>(bytes[0] << 8 | bytes[1]);
    return true;
}

UploadResult FlightDownload::run() {
    UploadResult result;
    m_port.drain(m_limits.drainBytes);
    m_port.write(&kLineFeed, 1);
    uint8_t greeting[2] = {};
    if (m_port.read(greeting, 2) != 2 || greeting[0] != 'O' || greeting[1] != 'K') return result;
    sendCarriageReturn();
    result.status = UploadStatus::Complete;

    size_t skipped = 0;
    for (;;) {
        uint8_t marker = 0;
        if (m_port.read(&marker, 1) != 1) {
            sendCarriageReturn();  // quiet between flights: a normal end
            return result;
        }
        if (marker == kFlightMarker) {
            skipped = 0;
            std::unique_ptr<std::FILE, FileCloser> file(std::fopen(fileName(result.flights).c_str(), "wb"));
            if (!file) {
                result.status = UploadStatus::FileError;
                return result;
            }
            std::setvbuf(file.get(), nullptr, _IOFBF, 1 << 16);
            const FlightEnd end = decodeFlight(file.get());
            file.reset();
            ++result.flights;
            if (m_counter) m_counter(result.flights);
            if (end != FlightEnd::Complete) {
                // The device stopped answering (or never stops) inside a flight:
                // keep what arrived and end, since the stream has lost its place.
                result.status = UploadStatus::Interrupted;
                return result;
            }
        } else if (marker != kEndOfDownload && ++skipped >= m_limits.skippedMarkers) {
            result.status = UploadStatus::Interrupted;
            return result;
        }
        sendCarriageReturn();
        if (marker == kEndOfDownload) return result;
    }
}

FlightDownload::FlightEnd FlightDownload::decodeFlight(std::FILE* file) {
    std::fputs(kHeader, file);
    m_velocity.assign(1, '0');  // assign() rather than = "0": sidesteps a false -Wrestrict in GCC 12
    m_altitude.assign(1, '0');
    m_lastAccel = 0;
    for (size_t records = 0; records < m_limits.recordsPerFlight; ++records) {
        sendCarriageReturn();
        uint8_t type = 0;
        if (m_port.read(&type, 1) != 1) return FlightEnd::CutShort;
        uint16_t value = 0;
        switch (type) {
        case kTimeRecord:
            if (!readValue(value)) return FlightEnd::CutShort;
            m_step = stepText(value);
            // A time record starts a row: the rows before it reach the file now, so
            // the file grows sample by sample and a watcher can count its lines.
            std::fflush(file);
            put(file, kLineEnd + m_step + ",");
            break;
        case kPressureRecord:
            if (!readValue(value)) return FlightEnd::CutShort;
            put(file, pressureText(value) + ",");
            break;
        case kAccelRecord:
            if (!readValue(value)) return FlightEnd::CutShort;
            m_lastAccel = accelCount(value);
            writeAcceleration(file, m_lastAccel);
            break;
        case kAccelRepeatRecord:
            // No value of its own: repeat the flight's last acceleration rather
            // than reuse whatever value came last (usually the pressure).
            writeAcceleration(file, m_lastAccel);
            break;
        case kEndOfFlight:
            return FlightEnd::Complete;
        default:
            m_port.drain(m_limits.drainBytes);  // unknown record: throw the rest of its burst away
            break;
        }
    }
    return FlightEnd::TooLong;
}

void FlightDownload::writeAcceleration(std::FILE* file, int count) {
    const std::string accel = accelText(count);
    m_velocity = integrateVelocity(m_step, m_velocity, accel);
    m_altitude = integrateDistance(m_step, m_altitude, m_velocity);
    put(file, accel + "," + m_velocity + "," + m_altitude + ", ");
}

}  // namespace fltport
