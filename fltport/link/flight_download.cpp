#include "link/flight_download.h"

#include <fcntl.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#include <sys/stat.h>
#else
#include <unistd.h>
#endif

#include "codec/sample_codec.h"

namespace fltport {
namespace {

constexpr char kLineEnd[] = "\r\n";
constexpr char kHeader[] = "AccelData\r\nDelta Time,Baro(Psi),Accel(G),Velocity(mph),Altitude(ft),Thrust(N)";

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Creates `path` for writing only if nothing of that name exists, so that a
// link or a file someone else is writing is never followed or cut short.
std::FILE* createExclusive(const std::string& path) {
#ifdef _WIN32
    const int fd = ::_open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0) return nullptr;
    std::FILE* file = ::_fdopen(fd, "wb");
    if (!file) ::_close(fd);
#else
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    std::FILE* file = ::fdopen(fd, "wb");
    if (!file) ::close(fd);
#endif
    return file;
}

namespace fs = std::filesystem;

// A regular file, or nothing, of that name (a link is not followed).
bool regularOrAbsent(const std::string& path) {
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(path, ec);
    return status.type() == fs::file_type::not_found || status.type() == fs::file_type::regular;
}

// False when the text did not go out whole (full disk, file-size limit).
bool put(std::FILE* file, const std::string& text) {
    return std::fwrite(text.data(), 1, text.size(), file) == text.size();
}

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

std::string FlightDownload::partialFileName(int flight) const {
    return m_prefix + std::to_string(flight) + "-partial.rcd";
}

UploadStatus FlightDownload::brokenOff() const {
    if (cancelRequested()) return UploadStatus::Cancelled;
    return m_port.hungUp() ? UploadStatus::HungUp : UploadStatus::Interrupted;
}

UploadResult FlightDownload::run() {
    UploadResult result;
    // A line that never goes quiet would feed its noise to the opening exchange.
    if (!m_port.drain(m_limits.drainBytes)) return result;
    if (cancelRequested()) return {UploadStatus::Cancelled, 0};
    m_port.write(&kLineFeed, 1);
    uint8_t greeting[2] = {};
    if (m_port.read(greeting, 2) != 2 || greeting[0] != 'O' || greeting[1] != 'K') {
        if (cancelRequested()) result.status = UploadStatus::Cancelled;
        return result;
    }
    sendCarriageReturn();
    result.status = UploadStatus::Complete;

    size_t skipped = 0;
    for (;;) {
        if (cancelRequested()) {
            result.status = UploadStatus::Cancelled;
            return result;
        }
        uint8_t marker = 0;
        if (m_port.read(&marker, 1) != 1) {
            // Quiet between flights is a normal end; a line that hung up, or a
            // cancel, is not: the device may hold more flights.
            if (m_port.hungUp() || cancelRequested()) {
                result.status = brokenOff();
                return result;
            }
            sendCarriageReturn();
            return result;
        }
        if (marker == kFlightMarker) {
            skipped = 0;
            result.status = downloadFlight(result.flights);
            if (result.status != UploadStatus::Complete) return result;
            ++result.flights;
            if (m_counter) m_counter(result.flights);
        } else if (marker != kEndOfDownload && ++skipped >= m_limits.skippedMarkers) {
            result.status = UploadStatus::Interrupted;
            return result;
        }
        sendCarriageReturn();
        if (marker == kEndOfDownload) return result;
    }
}

UploadStatus FlightDownload::downloadFlight(int flight) {
    const std::string partial = partialFileName(flight);
    // What an earlier broken-off download left under this name goes; anything
    // but a file (or a link, which is removed, not followed) stays and fails.
    std::error_code ec;
    const fs::file_type type = fs::symlink_status(partial, ec).type();
    if (type == fs::file_type::regular || type == fs::file_type::symlink) fs::remove(partial, ec);
    std::unique_ptr<std::FILE, FileCloser> file(createExclusive(partial));
    if (!file) return UploadStatus::FileError;
    std::setvbuf(file.get(), nullptr, _IOFBF, 1 << 16);
    m_flightsBegun = flight + 1;
    reportProgress();
    FlightEnd end = decodeFlight(file.get());
    // The buffered rest goes out on closing, so closing can fail too.
    if (std::fclose(file.release()) != 0) end = FlightEnd::WriteFailed;
    switch (end) {
        case FlightEnd::Complete: {
            // Only into a file's place: never over a link, a folder or a device.
            const std::string name = fileName(flight);
            if (!regularOrAbsent(name)) return UploadStatus::FileError;
            fs::rename(partial, name, ec);
            return ec ? UploadStatus::FileError : UploadStatus::Complete;
        }
        case FlightEnd::WriteFailed:
            return UploadStatus::FileError;
        case FlightEnd::Cancelled:
            return UploadStatus::Cancelled;
        case FlightEnd::CutShort:
            return brokenOff();
        case FlightEnd::TooLong:
            break;
    }
    // The device never stops: keep what arrived and end, since the stream has lost its place.
    return UploadStatus::Interrupted;
}

FlightDownload::FlightEnd FlightDownload::decodeFlight(std::FILE* file) {
    if (!put(file, kHeader)) return FlightEnd::WriteFailed;
    m_velocity.assign(1, '0');  // assign() rather than = "0": sidesteps a false -Wrestrict in GCC 12
    m_altitude.assign(1, '0');
    m_lastAccel = 0;
    for (size_t records = 0; records < m_limits.recordsPerFlight; ++records) {
        if (cancelRequested()) return FlightEnd::Cancelled;
        sendCarriageReturn();
        uint8_t type = 0;
        if (m_port.read(&type, 1) != 1) return FlightEnd::CutShort;
        uint16_t value = 0;
        switch (type) {
            case kTimeRecord:
                if (!readValue(value)) return FlightEnd::CutShort;
                m_step = stepText(value);
                // A time record starts a row.
                if (!put(file, kLineEnd + m_step + ",")) return FlightEnd::WriteFailed;
                ++m_samples;
                reportProgress();
                break;
            case kPressureRecord:
                if (!readValue(value)) return FlightEnd::CutShort;
                if (!put(file, pressureText(value) + ",")) return FlightEnd::WriteFailed;
                break;
            case kAccelRecord:
                if (!readValue(value)) return FlightEnd::CutShort;
                m_lastAccel = accelCount(value);
                if (!writeAcceleration(file, m_lastAccel)) return FlightEnd::WriteFailed;
                break;
            case kAccelRepeatRecord:
                // No value of its own: repeat the flight's last acceleration rather
                // than reuse whatever value came last (usually the pressure).
                if (!writeAcceleration(file, m_lastAccel)) return FlightEnd::WriteFailed;
                break;
            case kEndOfFlight:
                return FlightEnd::Complete;
            default:
                // Unknown record: throw the rest of its burst away. A burst without
                // end leaves no place in the stream to go on from.
                if (!m_port.drain(m_limits.drainBytes)) return FlightEnd::CutShort;
                break;
        }
    }
    return FlightEnd::TooLong;
}

bool FlightDownload::writeAcceleration(std::FILE* file, int count) {
    const std::string accel = accelText(count);
    m_velocity = integrateVelocity(m_step, m_velocity, accel);
    m_altitude = integrateDistance(m_step, m_altitude, m_velocity);
    return put(file, accel + "," + m_velocity + "," + m_altitude + ", ");
}

}  // namespace fltport
