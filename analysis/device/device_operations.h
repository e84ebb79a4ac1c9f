#pragma once
// The exchanges with the flight computer that the window and the command line
// share, written over the serial-link library's function table. Each operation
// opens the port, does its exchange and closes the port again; the progress
// callback receives the progress-bar values in the order the window shows them.

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fltport_api.h"

namespace tarvel::device {

using ProgressFn = std::function<void(int)>;

inline constexpr std::string_view kRecordPrefix = "tmprecord";
// Values travel in fixed 20-character fields; a value needs room for its
// carriage return and terminating zero.
inline constexpr int kFieldSize = 20;
inline constexpr int kMaxValueChars = 18;

// "Unable to open communtications port " + port (the misspelling is the text users know).
std::string portFailureMessage(std::string_view port);
// What the user is told when the port opened but the flight computer gave no reply.
std::string notAnsweringMessage(std::string_view port);
// What the user is told when the flight computer's reply is no text (line noise).
std::string unreadableReplyMessage(std::string_view port);

// How an exchange with the flight computer ended. Only Done means the device
// answered and took what was sent; everything else carries the user's message.
enum class DeviceStatus { Done, PortFailed, NotAnswering, Unreadable, Refused };
struct DeviceOutcome {
    DeviceStatus status = DeviceStatus::Done;
    std::string message;
    bool ok() const { return status == DeviceStatus::Done; }
    explicit operator bool() const { return ok(); }
};

// Whether a reply from the flight computer can be taken at all: Done for text
// (no control characters but tabs and line ends), NotAnswering for nothing,
// Unreadable for anything else, each with the user's message.
DeviceOutcome judgeReply(std::string_view reply, std::string_view port);

// One read of a configuration index: the reply text up to its end; empty when
// the flight computer gave no reply (no setting, reading or continuity is empty).
std::string readValue(const FltportApi& api, char index);
// One write of `value` (at most kMaxValueChars) to an index: the acknowledgement as received.
std::string writeValue(const FltportApi& api, char index, std::string_view value);
// A write with the empty value (the carriage return alone), as fire commands go.
std::string writeEmpty(const FltportApi& api, char index);

// --- Download Data ---

// What a running download has received so far, as the library counts it.
struct DownloadProgress {
    int32_t flights = 0;  // flights begun by this download, the one arriving included
    int64_t samples = 0;  // sample rows in them
};
// "Flights: N" CR LF "Samples: M", under a heading.
std::string downloadProgressText(const DownloadProgress& progress);

// Lets another thread, or a signal handler, stop a running exchange: a download
// ends within about 100 ms, keeping the flights written whole; a poll at its next
// wait. A download also reports its progress through it.
class DeviceControl {
public:
    explicit DeviceControl(const FltportApi& api) : m_cancel(api.CancelUpload) {}
    // Only sets flags: safe in a signal handler.
    void stop() noexcept {
        m_stopRequested = true;
        if (m_cancel) m_cancel();
    }
    bool stopRequested() const noexcept { return m_stopRequested; }
    // Waits `ms`, or less once stop() was called; true when stopped.
    bool waitUnlessStopped(int ms) const;

    // Called on the downloading thread as each flight begins and after each
    // sample row (when the library reports progress); it must return quickly.
    void setProgress(std::function<void(const DownloadProgress&)> progress) {
        m_progress = std::move(progress);
    }
    const std::function<void(const DownloadProgress&)>& progress() const { return m_progress; }

private:
    CancelUploadFn m_cancel;
    std::atomic<bool> m_stopRequested{false};
    std::function<void(const DownloadProgress&)> m_progress;
};

// Where a download writes: the prefix (a path, "tmprecord" by default) and whether
// the user agreed that files of its names may be replaced. Without that agreement
// no existing file is ever replaced, also not one another download (say, a second
// flight computer) writes into the same folder meanwhile.
struct DownloadTarget {
    std::string prefix = std::string(kRecordPrefix);
    bool replace = false;
};

struct DownloadOutcome {
    std::string port;
    bool portOpened = false;
    int32_t count = 0;     // flights written whole
    int32_t result = 0;    // StartUpload's result: 0 when the download did not run to its end
    bool stopped = false;  // stopped by the user (Cancel, Ctrl+C, ...)
    // Why nothing could be written into the prefix's folder (then the port was not opened).
    std::string folderError;
    // Exactly the record files this download wrote, in flight order.
    std::vector<std::string> written;
    // The file holding part of the flight a broken-off download was on; empty when none.
    std::string partialFile;
    // Files of the prefix's names from before that this download did not replace.
    std::vector<std::string> olderFiles;
    // Flights that could not take their name (it appeared meanwhile, or is no
    // regular file): each "NAME ...: kept as OTHER".
    std::vector<std::string> keptAside;
    // Files of flights counted whole that the analysis program does not read
    // back whole (noise on the line can pass for records), each "NAME: why".
    std::vector<std::string> unreadableFiles;
    bool complete() const { return portOpened && result == 1 && keptAside.empty(); }
};
// Writes the flights through a private folder beside the prefix, so that a file
// of the prefix's names is only ever created whole, and replaced only when agreed;
// InitComport, StartUpload, CloseComport (also after a failed open). `control`,
// when given, may stop the transfer from another thread and hears its progress.
DownloadOutcome downloadFlights(const FltportApi& api, const std::string& port,
                                const DownloadTarget& target = {}, DeviceControl* control = nullptr);
// "Uploaded files: N" CR LF and the File, Open hint.
std::string uploadedFilesMessage(int32_t count);
// The same for a finished download: which files it wrote, which are older, and
// what went wrong, if anything.
std::string uploadedFilesMessage(const DownloadOutcome& outcome);
// The files written and the older ones, one "    NAME" line each under a heading (CR LF).
std::string downloadFilesText(const DownloadOutcome& outcome);
// Why a download is not complete (empty when it is), one line per problem (CR LF).
std::string incompleteDownloadText(const DownloadOutcome& outcome);
// One line per downloaded file that does not read back whole (empty when all do).
std::string unreadableFilesText(const DownloadOutcome& outcome);
// The files named as a download with `prefix` names its flights that exist
// now, in the order of their numbers: the files a download may replace.
std::vector<std::string> existingDownloadFiles(const std::string& prefix);

// --- Configuration ---

inline constexpr std::string_view kStageLaunch = "Launch";
inline constexpr std::string_view kStageBurnout = "Motor Burnout";
inline constexpr std::string_view kOutputLed = "LED";
inline constexpr std::string_view kOutputBuzzer = "Buzzer";

// The settings as the configuration window shows them; the two lists by their shown text.
struct AltimeterSettings {
    std::string stageDetect = std::string(kStageLaunch);
    std::string version = "---";
    std::string stageDelay = "0.0";
    std::string mainAltitude = "600";
    std::string output = std::string(kOutputLed);
};

// Which settings a write sends; the window sends all four.
struct WriteSelection {
    bool stageDetect = true;
    bool stageDelay = true;
    bool mainAltitude = true;
    bool output = true;
};

// "0" for the first item's text, "1" for anything else.
std::string encodeChoice(std::string_view shown, std::string_view firstItem);
// The first item when the reply holds a "0", else the second.
std::string decodeChoice(std::string_view reply, std::string_view firstItem, std::string_view secondItem);

// Read Config.: 'g', 'v', 't', 'm', 'z' into `settings`, progress 10 20 35 50 65 80 100 0.
// `settings` changes step by step, before each following progress value. A read without
// reply ends the exchange (NotAnswering, progress 0): the settings not read yet keep
// their values. PortFailed: progress 0 only, nothing changed.
DeviceOutcome readConfig(const FltportApi& api, const std::string& port, AltimeterSettings& settings,
                         const ProgressFn& progress = {});
// Write Config: each selected setting written then read back into `settings`,
// progress 10 20 30 40 50 60 70 80 90 100 0 (values of unselected steps skipped).
// The first setting that gets no reply (NotAnswering), is not acknowledged or reads
// back other than sent (Refused) ends the exchange with progress 0; its read-back,
// when there was one, is in `settings`.
DeviceOutcome writeConfig(const FltportApi& api, const std::string& port, AltimeterSettings& settings,
                          const WriteSelection& selection = {}, const ProgressFn& progress = {});

// --- Input checks ---

struct NumberRange {
    std::string_view firstLine;  // label of the rejected text
    double low;
    double high;
    std::string_view rangeLine;
};
inline constexpr NumberRange kStageDelayRange{"Invalid Stage Delay: ", 0.0, 30.0, "Range: 0.0 to 30.0"};
inline constexpr NumberRange kMainAltitudeRange{"Invalid Main Altitude: ", 200.0, 3000.0,
                                                "Range: 200 to 3000"};

// The value of a number as the flight computer takes it: plain decimal digits with at
// most one point, nothing else (no sign, exponent, blank). Nothing for any other text.
std::optional<double> parsePlainDecimal(std::string_view text);
// The rejection message, or nothing when the text is accepted. A text that is not a
// plain decimal, or too long to travel in one command, is refused like an out-of-range one.
std::optional<std::string> checkRange(std::string_view text, const NumberRange& range);

// --- Live checks ---

enum class Sensor { Acceleration, Barometric };
char pollIndex(Sensor sensor);                // 'a' or 'b'
std::string_view pollHeading(Sensor sensor);  // "Real-Time Acceleration Values:" ...

// Polls `sensor`: opens the port (PortFailed when it does not open; `opened`
// runs when it does), then reads right away and every `intervalMs` until
// `count` readings (0: no limit) or a stop through `control`, passing each to
// `reading`; closes the port at the end. A read without reply, or with noise,
// ends the poll (NotAnswering, Unreadable): it is no reading.
DeviceOutcome pollSensor(const FltportApi& api, const std::string& port, Sensor sensor, int count,
                         const DeviceControl& control, const std::function<void(const std::string&)>& reading,
                         const std::function<void()>& opened = {}, int intervalMs = 500);

// Fires output 1..3: 'w', the digit, carriage return. Done when the reply holds "+",
// Refused for any other reply, NotAnswering for none.
DeviceOutcome fireOutput(const FltportApi& api, const std::string& port, int output);

// Read Continuity: closed[n] for outputs n+1 whose reply holds a "1"; progress
// 25 50 75 90 100 0. `closed` is cleared first and set step by step. An output that
// gives no reply ends the test (NotAnswering, progress 0): silence is not an open circuit.
DeviceOutcome readContinuity(const FltportApi& api, const std::string& port, std::array<bool, 3>& closed,
                             const ProgressFn& progress = {});

}  // namespace tarvel::device
