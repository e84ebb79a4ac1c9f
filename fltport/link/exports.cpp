// The library's C interface over the protocol classes. All state is the one
// port slot; every buffer belongs to the caller.

#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>

#include "codec/sample_codec.h"
#include "fltport.h"
#include "link/config_commands.h"
#include "link/flight_download.h"
#include "link/serial_port.h"

namespace {

using namespace fltport;

constexpr size_t kMaxPrefixChars = 50;
constexpr size_t kConvertTextBytes = 20;  // callers' output texts hold at least 20 bytes

std::unique_ptr<SerialPort> g_port;
UploadProgressFn g_progress = nullptr;
void* g_progressContext = nullptr;

Transport& port() {
    static ClosedTransport closed;
    if (g_port) return *g_port;
    return closed;
}

void copyText(const std::string& text, char* out, size_t capacity) {
    const size_t n = std::min(text.size(), capacity - 1);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
}

}  // namespace

extern "C" {

FLTPORT_API int32_t FLTPORT_CALL InitComport(const char* portName) {
    g_port.reset();           // our own earlier handle would make the exclusive open fail
    cancelRequest() = false;  // a request left from an earlier download is not for this one
    if (!portName) return 0;
    g_port = SerialPort::open(portName);
    if (!g_port) return 0;
    // A line that never goes quiet is no usable port: its noise would be read as replies.
    if (!g_port->drain(kDrainLimit)) {
        g_port.reset();
        return 0;
    }
    return 1;
}

FLTPORT_API int32_t FLTPORT_CALL CloseComport(void) {
    g_port.reset();
    return 1;
}

FLTPORT_API int32_t FLTPORT_CALL ReadConfigCommand(int32_t index, char* reply) {
    const std::string value = readConfig(port(), static_cast<uint8_t>(index));
    if (reply) copyText(value, reply, kReplyBytes);
    return 1;
}

FLTPORT_API int32_t FLTPORT_CALL WriteConfigCommand(int32_t index, char* value, int32_t length) {
    if (!value) return 1;
    // Lengths that do not fit the 20-byte command would cut the caller's buffer
    // past its end or send a truncated setting: send nothing instead.
    if (length < 0 || static_cast<size_t>(length) > kMaxValueChars) {
        value[0] = '\0';
        return 1;
    }
    value[length] = '\0';
    const std::string reply = writeConfig(port(), static_cast<uint8_t>(index), std::string_view(value));
    copyText(reply, value, kReplyBytes + 1);
    return 1;
}

FLTPORT_API int32_t FLTPORT_CALL StartUpload(const char* prefix, int32_t* flightCount) {
    if (flightCount) *flightCount = 0;
    if (!prefix || !flightCount || std::strlen(prefix) > kMaxPrefixChars) return 0;
    FlightDownload download(port(), prefix);
    download.setFlightCounter([flightCount](int flights) { *flightCount = flights; });
    if (UploadProgressFn progress = g_progress) {
        void* context = g_progressContext;
        download.setProgress([progress, context](int flights, int samples) {
            progress(context, static_cast<int32_t>(flights), static_cast<int32_t>(samples));
        });
    }
    // Only a download that ran to its end is a success: one the device broke
    // off keeps its files and count, but must not read as complete.
    const UploadStatus status = download.run().status;
    cancelRequest() = false;
    return status == UploadStatus::Complete ? 1 : 0;
}

FLTPORT_API int32_t FLTPORT_CALL SetUploadProgress(UploadProgressFn callback, void* context) {
    g_progress = callback;
    g_progressContext = context;
    return 1;
}

FLTPORT_API int32_t FLTPORT_CALL CancelUpload(void) {
    cancelRequest() = true;
    return 1;
}

FLTPORT_API int32_t FLTPORT_CALL ConvertAcceltoVel(const char* step, char* velocity, const char* accel) {
    if (step && velocity && accel)
        copyText(integrateVelocity(step, velocity, accel), velocity, kConvertTextBytes);
    return 1;
}

FLTPORT_API int32_t FLTPORT_CALL ConvertVeltoDist(const char* step, char* distance, const char* velocity) {
    if (step && distance && velocity)
        copyText(integrateDistance(step, distance, velocity), distance, kConvertTextBytes);
    return 1;
}

FLTPORT_API int32_t FLTPORT_CALL ConvertVelAcceltoHP(char*, char*, char*) { return 1; }

}  // extern "C"
