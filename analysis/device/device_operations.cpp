#include "device_operations.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <thread>
#include <tuple>

#include "flight.h"
#include "record_reader.h"

namespace tarvel::device {

namespace {

// Room for a full 20-character field plus a terminating zero, so the text
// always ends inside our buffer whatever the library writes.
using Field = std::array<char, kFieldSize + 1>;

Field spaceField() {
    Field field;
    field.fill(' ');
    field[kFieldSize] = '\0';
    return field;
}

std::string textOf(const Field& field) {
    return std::string(field.data(), strnlen(field.data(), field.size()));
}

void report(const ProgressFn& progress, int value) {
    if (progress) progress(value);
}

bool contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

// Opens the port; on failure still closes it, as the library expects after every InitComport.
bool openPort(const FltportApi& api, const std::string& port) {
    if (api.InitComport(port.c_str()) == 1) return true;
    api.CloseComport();
    return false;
}

}  // namespace

std::string portFailureMessage(std::string_view port) {
    return "Unable to open communtications port " + std::string(port);
}

std::string notAnsweringMessage(std::string_view port) {
    return "The flight computer on " + std::string(port) + " is not answering.";
}

std::string unreadableReplyMessage(std::string_view port) {
    return "The flight computer on " + std::string(port) + " sent an unreadable reply.";
}

DeviceOutcome judgeReply(std::string_view reply, std::string_view port) {
    if (reply.empty()) return {DeviceStatus::NotAnswering, notAnsweringMessage(port)};
    // Bytes above 0x7F may be Latin-1 or UTF-8 text; control characters never are.
    const bool text = std::all_of(reply.begin(), reply.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte >= 0x20 && byte != 0x7F) || c == '\t' || c == '\r' || c == '\n';
    });
    if (!text) return {DeviceStatus::Unreadable, unreadableReplyMessage(port)};
    return {};
}

std::string readValue(const FltportApi& api, char index) {
    Field field = spaceField();
    api.ReadConfigCommand(static_cast<unsigned char>(index), field.data());
    return textOf(field);
}

std::string writeValue(const FltportApi& api, char index, std::string_view value) {
    // The library cuts the text at `length`; a longer text would not fit the command.
    value = value.substr(0, kMaxValueChars);
    Field field = spaceField();
    std::copy(value.begin(), value.end(), field.begin());
    api.WriteConfigCommand(static_cast<unsigned char>(index), field.data(),
                           static_cast<int32_t>(value.size()));
    return textOf(field);
}

std::string writeEmpty(const FltportApi& api, char index) {
    // An all-zero field with length 1: the value is cut to nothing and only the
    // carriage return goes out.
    Field field{};
    api.WriteConfigCommand(static_cast<unsigned char>(index), field.data(), 1);
    return textOf(field);
}

namespace {

struct DownloadFile {
    int32_t number;
    std::filesystem::directory_entry entry;
};

// The files in the prefix's folder named as the download names them: the
// prefix, a decimal number without leading zero, ".rcd". In number order.
std::vector<DownloadFile> downloadFilesOf(const std::string& prefix) {
    namespace fs = std::filesystem;
    const fs::path pattern(prefix);
    const std::string stem = pattern.filename().string();
    const fs::path folder = pattern.parent_path();
    constexpr std::string_view kExtension = ".rcd";
    std::vector<DownloadFile> found;
    std::error_code ec;
    for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() <= stem.size() + kExtension.size() || name.compare(0, stem.size(), stem) != 0 ||
            name.compare(name.size() - kExtension.size(), kExtension.size(), kExtension) != 0)
            continue;
        const std::string_view number(name.data() + stem.size(),
                                      name.size() - stem.size() - kExtension.size());
        int32_t value = 0;
        const auto [rest, error] = std::from_chars(number.data(), number.data() + number.size(), value);
        if (error != std::errc() || rest != number.data() + number.size() || value < 0 || value > 100000 ||
            (number.size() > 1 && number[0] == '0'))
            continue;
        found.push_back({value, *it});
    }
    std::sort(found.begin(), found.end(),
              [](const DownloadFile& a, const DownloadFile& b) { return a.number < b.number; });
    return found;
}

std::string systemReason(const std::error_code& ec) { return ec.message(); }

// The folder of a prefix as the user knows it: the current folder's path for a bare name.
std::filesystem::path folderOf(const std::string& prefix) {
    const std::filesystem::path folder = std::filesystem::path(prefix).parent_path();
    std::error_code ec;
    return folder.empty() ? std::filesystem::current_path(ec) : folder;
}

std::string cannotWriteIn(const std::filesystem::path& folder, const std::error_code& ec) {
    return "Record files cannot be written in " + folder.string() + ": " + systemReason(ec) + ".";
}

// A new folder of our own beside the prefix: the library writes there, and each
// complete flight then takes its name in one step. Empty, with `error`, when the
// prefix's folder takes no new entry.
std::filesystem::path createWorkingFolder(const std::string& prefix, std::string& error) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(prefix).parent_path();  // empty: the current folder
    const std::string stem = fs::path(prefix).filename().string();
    std::error_code ec;
    std::random_device random;
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate = folder / (stem + ".download-" + std::to_string(random() % 1000000));
        if (fs::create_directory(candidate, ec)) return candidate;
        if (ec) break;  // create_directory gives no error for an existing folder: try the next name
    }
    if (!ec) ec = std::make_error_code(std::errc::file_exists);
    error = cannotWriteIn(folderOf(prefix), ec);
    return {};
}

// Whether `folder` takes a new file now: after a download that wrote nothing,
// tells a folder that refuses files (named as `shown`) from a flight computer
// that did not answer.
std::string probeFolder(const std::filesystem::path& folder, const std::filesystem::path& shown) {
    const std::filesystem::path probe = folder / "write-check";
    std::FILE* file = std::fopen(probe.string().c_str(), "wbx");
    int error = file ? 0 : errno;
    if (file && (std::fputc('\n', file) == EOF || std::fflush(file) != 0)) error = errno;
    if (file && std::fclose(file) != 0 && !error) error = errno;
    std::error_code ignored;
    std::filesystem::remove(probe, ignored);
    return error ? cannotWriteIn(shown, std::error_code(error, std::generic_category())) : std::string();
}

// Gives `from` the name `to`: a new name exclusively (a hard link, then the old
// name goes), an existing one only when replacing was agreed and it is a regular
// file. Empty on success, else why the flight stays where it is.
std::string moveIntoPlace(const std::filesystem::path& from, const std::filesystem::path& to, bool replace) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_type existing = fs::symlink_status(to, ec).type();
    if (existing != fs::file_type::not_found) {
        if (existing != fs::file_type::regular) return to.string() + " is not a regular file";
        if (!replace) return to.string() + " exists and was not replaced";
        fs::rename(from, to, ec);
        return ec ? to.string() + ": " + systemReason(ec) : std::string();
    }
    fs::create_hard_link(from, to, ec);
    if (!ec) {
        fs::remove(from, ec);
        return {};
    }
    if (ec == std::errc::file_exists) return to.string() + " exists and was not replaced";
    // A file system without hard links: a rename, checked just before.
    if (fs::exists(fs::symlink_status(to, ec))) return to.string() + " exists and was not replaced";
    fs::rename(from, to, ec);
    return ec ? to.string() + ": " + systemReason(ec) : std::string();
}

}  // namespace

bool DeviceControl::waitUnlessStopped(int ms) const {
    // In short steps, so a stop is seen soon without anything a signal handler could not do.
    constexpr int kStepMs = 20;
    for (int waited = 0; waited < ms && !m_stopRequested; waited += kStepMs)
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(kStepMs, ms - waited)));
    return m_stopRequested;
}

namespace {

// The library's progress callback: forwards to the control's progress.
void FLTPORT_CALL forwardProgress(void* context, int32_t flights, int32_t samples) {
    static_cast<const DeviceControl*>(context)->progress()({flights, samples});
}

}  // namespace

DownloadOutcome downloadFlights(const FltportApi& api, const std::string& port, const DownloadTarget& target,
                                DeviceControl* control) {
    namespace fs = std::filesystem;
    DownloadOutcome outcome;
    outcome.port = port;
    const fs::path working = createWorkingFolder(target.prefix, outcome.folderError);
    if (working.empty()) return outcome;
    const fs::path folder = fs::path(target.prefix).parent_path();
    const std::string stem = fs::path(target.prefix).filename().string();
    const std::string workingPrefix = (working / stem).string();
    const bool reporting = control && control->progress() && api.SetUploadProgress;

    if (api.InitComport(port.c_str()) == 1) {
        outcome.portOpened = true;
        // A stop asked for while the port opened: InitComport forgets pending requests.
        if (!control || !control->stopRequested()) {
            if (reporting) api.SetUploadProgress(forwardProgress, control);
            outcome.result = api.StartUpload(workingPrefix.c_str(), &outcome.count);
            if (reporting) api.SetUploadProgress(nullptr, nullptr);
        }
        outcome.count = std::max(outcome.count, 0);
    }
    api.CloseComport();
    outcome.stopped = control && control->stopRequested();

    // Each complete flight takes its name; a flight that cannot stays in the working folder.
    const auto place = [&](const std::string& name) -> std::string {
        const fs::path from = working / name;
        const fs::path to = folder / name;
        const std::string refused = moveIntoPlace(from, to, target.replace);
        if (refused.empty()) return to.string();
        outcome.keptAside.push_back(refused + ": this download's file is kept as " + from.string());
        return {};
    };
    for (int32_t i = 0; i < outcome.count; ++i)
        if (std::string placed = place(stem + std::to_string(i) + ".rcd"); !placed.empty())
            outcome.written.push_back(placed);
    const std::string partial = stem + std::to_string(outcome.count) + "-partial.rcd";
    std::error_code ec;
    if (outcome.result != 1 && fs::exists(working / partial, ec)) outcome.partialFile = place(partial);
    if (outcome.result != 1 && outcome.count == 0 && outcome.partialFile.empty() && outcome.portOpened &&
        !outcome.stopped)
        outcome.folderError = probeFolder(working, folderOf(target.prefix));
    fs::remove(working, ec);  // only when empty: a flight kept aside keeps it

    for (const std::string& name : existingDownloadFiles(target.prefix))
        if (std::find(outcome.written.begin(), outcome.written.end(), name) == outcome.written.end())
            outcome.olderFiles.push_back(name);

    // The protocol carries no check sums: read every flight back as the user will open it.
    for (const std::string& name : outcome.written) {
        auto fa = std::make_unique<Flight>();
        RecordReadReport read;
        const Status loaded = loadRecordFile(name, *fa, &read);
        if (!loaded.ok)
            outcome.unreadableFiles.push_back(name + ": " + loaded.message);
        else if (!read.complete)
            outcome.unreadableFiles.push_back(name + ": reading stops at " + read.stoppedAt);
    }
    return outcome;
}

std::string uploadedFilesMessage(int32_t count) {
    return "Uploaded files: " + std::to_string(count) +
           "\r\nOpen downloaded file(s) by clicking on the File->Open menu.";
}

std::string uploadedFilesMessage(const DownloadOutcome& outcome) {
    std::string text = uploadedFilesMessage(static_cast<int32_t>(outcome.written.size()));
    for (const std::string& part :
         {downloadFilesText(outcome), incompleteDownloadText(outcome), unreadableFilesText(outcome)})
        if (!part.empty()) text += "\r\n\r\n" + part;
    return text;
}

std::string downloadFilesText(const DownloadOutcome& outcome) {
    std::string text;
    const auto list = [&text](std::string_view heading, const std::vector<std::string>& names) {
        if (names.empty()) return;
        text += (text.empty() ? "" : "\r\n") + std::string(heading);
        for (const std::string& name : names) text += "\r\n    " + name;
    };
    list("Written by this download:", outcome.written);
    list("Older files, not from this download:", outcome.olderFiles);
    return text;
}

std::string unreadableFilesText(const DownloadOutcome& outcome) {
    std::string text;
    for (const std::string& problem : outcome.unreadableFiles)
        text += (text.empty() ? "" : "\r\n") + std::string("Damaged in the download, ") + problem;
    return text;
}

std::string incompleteDownloadText(const DownloadOutcome& outcome) {
    if (outcome.complete()) return {};
    std::string text;
    const auto line = [&text](const std::string& problem) { text += (text.empty() ? "" : "\r\n") + problem; };
    if (!outcome.folderError.empty()) {
        line(outcome.folderError);
    } else if (outcome.stopped) {
        line("The download was stopped before its end: the flight computer may hold more flights.");
    } else if (outcome.result != 1 && outcome.portOpened) {
        if (!outcome.partialFile.empty())
            line("The download did not complete: " + outcome.partialFile + " holds only part of a flight.");
        else if (outcome.count == 0)
            line("The flight computer on " + outcome.port + " did not answer.");
        else
            line("The download did not complete: the flight computer on " + outcome.port +
                 " stopped answering, or its line was closed, before the end of its flights.");
    }
    if (outcome.stopped && !outcome.partialFile.empty())
        line(outcome.partialFile + " holds only part of a flight.");
    for (const std::string& kept : outcome.keptAside) line(kept);
    return text;
}

std::vector<std::string> existingDownloadFiles(const std::string& prefix) {
    const std::filesystem::path folder = std::filesystem::path(prefix).parent_path();
    std::vector<std::string> names;
    for (const DownloadFile& f : downloadFilesOf(prefix))
        names.push_back((folder / f.entry.path().filename()).string());
    return names;
}

std::string downloadProgressText(const DownloadProgress& progress) {
    return "Downloading the flights from the flight computer...\r\nFlights: " +
           std::to_string(progress.flights) + "\r\nSamples: " + std::to_string(progress.samples);
}

std::string encodeChoice(std::string_view shown, std::string_view firstItem) {
    return shown == firstItem ? "0" : "1";
}

std::string decodeChoice(std::string_view reply, std::string_view firstItem, std::string_view secondItem) {
    return std::string(contains(reply, "0") ? firstItem : secondItem);
}

namespace {

// One setting of the configuration: its index, its name as the window labels
// it, where AltimeterSettings keeps it, and for the two lists their items.
struct SettingSpec {
    char index;
    std::string_view name;
    std::string AltimeterSettings::*field;
    std::string_view firstItem = {};  // empty for texts
    std::string_view secondItem = {};

    bool isList() const { return !firstItem.empty(); }
    std::string shown(std::string_view reply) const {
        return isList() ? decodeChoice(reply, firstItem, secondItem) : std::string(reply);
    }
    std::string sent(std::string_view shownText) const {
        return isList() ? encodeChoice(shownText, firstItem) : std::string(shownText);
    }
    // Whether a read-back holds what was sent: lists by their meaning, numbers by
    // value (a flight computer may give 1.50 back as 1.5), other texts as they are.
    bool holds(std::string_view sentText, std::string_view readBack) const {
        if (isList()) return sent(shown(readBack)) == sentText;
        auto sentValue = parsePlainDecimal(sentText), heldValue = parsePlainDecimal(readBack);
        if (sentValue && heldValue) return *sentValue == *heldValue;
        return sentText == readBack;
    }
};

const SettingSpec kStageDetectSetting{'g', "Stage Detect", &AltimeterSettings::stageDetect, kStageLaunch,
                                      kStageBurnout};
const SettingSpec kVersionSetting{'v', "Version", &AltimeterSettings::version};
const SettingSpec kStageDelaySetting{'t', "Stage Delay", &AltimeterSettings::stageDelay};
const SettingSpec kMainAltitudeSetting{'m', "Main Altitude", &AltimeterSettings::mainAltitude};
const SettingSpec kOutputSetting{'z', "Output Report", &AltimeterSettings::output, kOutputLed, kOutputBuzzer};

DeviceOutcome failure(DeviceStatus status, std::string message) { return {status, std::move(message)}; }

// Ends an exchange that went well: `closing` before the port closes, then 100 and 0.
DeviceOutcome finish(const FltportApi& api, const ProgressFn& progress, int closing) {
    report(progress, closing);
    api.CloseComport();
    report(progress, 100);
    report(progress, 0);
    return {};
}

// Ends an exchange that went wrong after the port opened: close it, progress back to 0.
DeviceOutcome abandon(const FltportApi& api, const ProgressFn& progress, DeviceOutcome outcome) {
    api.CloseComport();
    report(progress, 0);
    return outcome;
}

}  // namespace

DeviceOutcome readConfig(const FltportApi& api, const std::string& port, AltimeterSettings& settings,
                         const ProgressFn& progress) {
    if (!openPort(api, port)) {
        report(progress, 0);
        return failure(DeviceStatus::PortFailed, portFailureMessage(port));
    }
    const std::pair<int, const SettingSpec*> steps[] = {{10, &kStageDetectSetting},
                                                        {20, &kVersionSetting},
                                                        {35, &kStageDelaySetting},
                                                        {50, &kMainAltitudeSetting},
                                                        {65, &kOutputSetting}};
    for (const auto& [step, setting] : steps) {
        report(progress, step);
        const std::string reply = readValue(api, setting->index);
        // Silence or noise is not a setting: an empty text or a list's second item would pass for one.
        if (DeviceOutcome judged = judgeReply(reply, port); !judged) return abandon(api, progress, judged);
        settings.*(setting->field) = setting->shown(reply);
    }
    return finish(api, progress, 80);
}

DeviceOutcome writeConfig(const FltportApi& api, const std::string& port, AltimeterSettings& settings,
                          const WriteSelection& selection, const ProgressFn& progress) {
    if (!openPort(api, port)) {
        report(progress, 0);
        return failure(DeviceStatus::PortFailed, portFailureMessage(port));
    }
    const std::tuple<bool, int, const SettingSpec*> steps[] = {
        {selection.stageDetect, 10, &kStageDetectSetting},
        {selection.stageDelay, 30, &kStageDelaySetting},
        {selection.mainAltitude, 50, &kMainAltitudeSetting},
        {selection.output, 70, &kOutputSetting}};
    for (const auto& [selected, step, setting] : steps) {
        if (!selected) continue;
        std::string& shown = settings.*(setting->field);
        const std::string wanted = shown;
        const std::string sent = setting->sent(wanted);
        report(progress, step);
        const std::string ack = writeValue(api, setting->index, sent);
        if (DeviceOutcome judged = judgeReply(ack, port); !judged) return abandon(api, progress, judged);
        report(progress, step + 10);
        // Read back even after a refusal, so what is shown is what the flight computer holds.
        const std::string readBack = readValue(api, setting->index);
        if (DeviceOutcome judged = judgeReply(readBack, port); !judged) return abandon(api, progress, judged);
        shown = setting->shown(readBack);
        const std::string what = "the setting " + std::string(setting->name) + ": " + wanted;
        if (!contains(ack, "+"))
            return abandon(api, progress,
                           failure(DeviceStatus::Refused, "The flight computer refused " + what));
        if (!setting->holds(sent, readBack))
            return abandon(api, progress,
                           failure(DeviceStatus::Refused, "The flight computer did not keep " + what +
                                                              "\r\nIt reads back: " + shown));
    }
    return finish(api, progress, 90);
}

std::optional<double> parsePlainDecimal(std::string_view text) {
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    const auto digits = std::count_if(text.begin(), text.end(), isDigit);
    const auto points = std::count(text.begin(), text.end(), '.');
    if (digits == 0 || points > 1 || static_cast<size_t>(digits + points) != text.size()) return std::nullopt;
    double value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<std::string> checkRange(std::string_view text, const NumberRange& range) {
    auto value = parsePlainDecimal(text);
    bool accepted = value && *value >= range.low && *value <= range.high && text.size() <= kMaxValueChars;
    if (accepted) return std::nullopt;
    return std::string(range.firstLine) + std::string(text) + "\r\n" + std::string(range.rangeLine);
}

char pollIndex(Sensor sensor) { return sensor == Sensor::Acceleration ? 'a' : 'b'; }

std::string_view pollHeading(Sensor sensor) {
    return sensor == Sensor::Acceleration ? "Real-Time Acceleration Values:" : "Real-Time Barometric Values:";
}

DeviceOutcome pollSensor(const FltportApi& api, const std::string& port, Sensor sensor, int count,
                         const DeviceControl& control, const std::function<void(const std::string&)>& reading,
                         const std::function<void()>& opened, int intervalMs) {
    if (!openPort(api, port)) return failure(DeviceStatus::PortFailed, portFailureMessage(port));
    if (opened) opened();
    DeviceOutcome outcome;
    // Paced from the start, so a slow reply does not shorten the next wait.
    auto next = std::chrono::steady_clock::now();
    for (int done = 0; count == 0 || done < count; ++done) {
        const auto wait =
            std::chrono::duration_cast<std::chrono::milliseconds>(next - std::chrono::steady_clock::now());
        if (control.waitUnlessStopped(static_cast<int>(std::max<int64_t>(wait.count(), 0)))) break;
        next += std::chrono::milliseconds(intervalMs);
        const std::string value = readValue(api, pollIndex(sensor));
        outcome = judgeReply(value, port);
        if (!outcome) break;
        reading(value);
    }
    api.CloseComport();
    return outcome;
}

DeviceOutcome fireOutput(const FltportApi& api, const std::string& port, int output) {
    if (!openPort(api, port)) return failure(DeviceStatus::PortFailed, portFailureMessage(port));
    std::string ack = writeEmpty(api, static_cast<char>('0' + output));
    api.CloseComport();
    if (DeviceOutcome judged = judgeReply(ack, port); !judged) return judged;
    if (!contains(ack, "+"))
        return failure(DeviceStatus::Refused,
                       "Output " + std::to_string(output) +
                           ": the flight computer did not acknowledge the fire command");
    return {};
}

DeviceOutcome readContinuity(const FltportApi& api, const std::string& port, std::array<bool, 3>& closed,
                             const ProgressFn& progress) {
    closed = {false, false, false};
    if (!openPort(api, port)) {
        report(progress, 0);
        return failure(DeviceStatus::PortFailed, portFailureMessage(port));
    }
    static constexpr std::array<int, 3> kSteps = {25, 50, 75};
    for (int i = 0; i < 3; ++i) {
        report(progress, kSteps[i]);
        const std::string reply = readValue(api, static_cast<char>('1' + i));
        if (DeviceOutcome judged = judgeReply(reply, port); !judged) return abandon(api, progress, judged);
        closed[i] = contains(reply, "1");
    }
    return finish(api, progress, 90);
}

}  // namespace tarvel::device
