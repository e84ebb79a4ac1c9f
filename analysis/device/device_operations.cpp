#include "device_operations.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>

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

bool contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

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
    api.WriteConfigCommand(static_cast<unsigned char>(index), field.data(), static_cast<int32_t>(value.size()));
    return textOf(field);
}

std::string writeEmpty(const FltportApi& api, char index) {
    // An all-zero field with length 1: the value is cut to nothing and only the
    // carriage return goes out.
    Field field{};
    api.WriteConfigCommand(static_cast<unsigned char>(index), field.data(), 1);
    return textOf(field);
}

DownloadOutcome downloadFlights(const FltportApi& api, const std::string& port, const std::string& prefix) {
    DownloadOutcome outcome;
    if (api.InitComport(port.c_str()) == 1) {
        outcome.portOpened = true;
        outcome.result = api.StartUpload(prefix.c_str(), &outcome.count);
        outcome.count = std::max(outcome.count, 0);
    }
    api.CloseComport();
    return outcome;
}

std::string uploadedFilesMessage(int32_t count, bool complete) {
    std::string text =
        "Uploaded files: " + std::to_string(count) + "\r\nOpen downloaded file(s) by clicking on the File->Open menu.";
    if (!complete) text += "\r\n\r\n" + std::string(kIncompleteDownload);
    return text;
}

std::vector<std::string> downloadedFileNames(const std::string& prefix, int32_t count) {
    std::vector<std::string> names;
    for (int32_t i = 0; i < count; ++i) names.push_back(prefix + std::to_string(i) + ".rcd");
    return names;
}

DownloadWatch::DownloadWatch(std::string prefix) : m_prefix(std::move(prefix)) {
    // Files of an earlier download are noted as they are now; the library
    // replaces them from number 0 upward, and a replaced file has changed.
    const std::filesystem::path pattern(m_prefix);
    const std::string stem = pattern.filename().string();
    std::filesystem::path folder = pattern.parent_path();
    if (folder.empty()) folder = ".";
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() <= stem.size() + 4 || name.compare(0, stem.size(), stem) != 0 ||
            name.compare(name.size() - 4, 4, ".rcd") != 0)
            continue;
        const std::string digits = name.substr(stem.size(), name.size() - stem.size() - 4);
        int32_t index = 0;
        auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), index);
        if (error != std::errc() || end != digits.data() + digits.size() || index < 0 || index > 100000)
            continue;
        WatchedFile& noted = file(index);
        noted.existed = true;
        noted.written = entry.last_write_time(ec);
        noted.size = entry.file_size(ec);
    }
}

DownloadWatch::WatchedFile& DownloadWatch::file(int32_t index) {
    if (index >= static_cast<int32_t>(m_files.size())) m_files.resize(static_cast<size_t>(index) + 1);
    return m_files[static_cast<size_t>(index)];
}

DownloadProgress DownloadWatch::poll() {
    DownloadProgress progress;
    // The files come in order, so the first one not yet written ends the search.
    for (int32_t index = 0;; ++index) {
        const std::filesystem::path path = m_prefix + std::to_string(index) + ".rcd";
        WatchedFile& watched = file(index);
        std::error_code ec;
        const uintmax_t size = std::filesystem::file_size(path, ec);
        if (ec) break;
        if (!watched.fresh) {
            const auto written = std::filesystem::last_write_time(path, ec);
            watched.fresh = !ec && (!watched.existed || written != watched.written || size != watched.size);
            if (!watched.fresh) break;
        }
        if (size > watched.counted) {
            std::ifstream in(path, std::ios::binary);
            in.seekg(static_cast<std::streamoff>(watched.counted));
            char buffer[8192];
            while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
                watched.lines += std::count(buffer, buffer + in.gcount(), '\n');
                watched.counted += static_cast<uintmax_t>(in.gcount());
            }
        }
        ++progress.flights;
        // The header takes the first line break; every sample row begins with one.
        progress.samples += std::max<int64_t>(watched.lines - 1, 0);
    }
    return progress;
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

bool readConfig(const FltportApi& api, const std::string& port, AltimeterSettings& settings,
                const ProgressFn& progress) {
    if (!openPort(api, port)) {
        report(progress, 0);
        return false;
    }
    report(progress, 10);
    settings.stageDetect = decodeChoice(readValue(api, 'g'), kStageLaunch, kStageBurnout);
    report(progress, 20);
    settings.version = readValue(api, 'v');
    report(progress, 35);
    settings.stageDelay = readValue(api, 't');
    report(progress, 50);
    settings.mainAltitude = readValue(api, 'm');
    report(progress, 65);
    settings.output = decodeChoice(readValue(api, 'z'), kOutputLed, kOutputBuzzer);
    report(progress, 80);
    api.CloseComport();
    report(progress, 100);
    report(progress, 0);
    return true;
}

bool writeConfig(const FltportApi& api, const std::string& port, AltimeterSettings& settings,
                 const WriteSelection& selection, const ProgressFn& progress) {
    if (!openPort(api, port)) {
        report(progress, 0);
        return false;
    }
    // The acknowledgements are not judged: the read-back shows what the flight computer holds.
    if (selection.stageDetect) {
        report(progress, 10);
        writeValue(api, 'g', encodeChoice(settings.stageDetect, kStageLaunch));
        report(progress, 20);
        settings.stageDetect = decodeChoice(readValue(api, 'g'), kStageLaunch, kStageBurnout);
    }
    if (selection.stageDelay) {
        report(progress, 30);
        writeValue(api, 't', settings.stageDelay);
        report(progress, 40);
        settings.stageDelay = readValue(api, 't');
    }
    if (selection.mainAltitude) {
        report(progress, 50);
        writeValue(api, 'm', settings.mainAltitude);
        report(progress, 60);
        settings.mainAltitude = readValue(api, 'm');
    }
    if (selection.output) {
        report(progress, 70);
        writeValue(api, 'z', encodeChoice(settings.output, kOutputLed));
        report(progress, 80);
        settings.output = decodeChoice(readValue(api, 'z'), kOutputLed, kOutputBuzzer);
    }
    report(progress, 90);
    api.CloseComport();
    report(progress, 100);
    report(progress, 0);
    return true;
}

std::optional<double> parseNumber(std::string_view text) {
    auto isSpace = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    double value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<std::string> checkRange(std::string_view text, const NumberRange& range) {
    auto value = parseNumber(text);
    bool accepted = value && *value >= range.low && *value <= range.high && text.size() <= kMaxValueChars;
    if (accepted) return std::nullopt;
    return std::string(range.firstLine) + std::string(text) + "\r\n" + std::string(range.rangeLine);
}

char pollIndex(Sensor sensor) { return sensor == Sensor::Acceleration ? 'a' : 'b'; }

std::string_view pollHeading(Sensor sensor) {
    return sensor == Sensor::Acceleration ? "Real-Time Acceleration Values:" : "Real-Time Barometric Values:";
}

FireOutcome fireOutput(const FltportApi& api, const std::string& port, int output) {
    if (!openPort(api, port)) return FireOutcome::PortFailed;
    std::string ack = writeEmpty(api, static_cast<char>('0' + output));
    api.CloseComport();
    return contains(ack, "+") ? FireOutcome::Acknowledged : FireOutcome::NotAcknowledged;
}

bool readContinuity(const FltportApi& api, const std::string& port, std::array<bool, 3>& closed,
                    const ProgressFn& progress) {
    closed = {false, false, false};
    if (!openPort(api, port)) {
        report(progress, 0);
        return false;
    }
    static constexpr std::array<int, 3> kSteps = {25, 50, 75};
    for (int i = 0; i < 3; ++i) {
        report(progress, kSteps[i]);
        closed[i] = contains(readValue(api, static_cast<char>('1' + i)), "1");
    }
    report(progress, 90);
    api.CloseComport();
    report(progress, 100);
    report(progress, 0);
    return true;
}

}  // namespace tarvel::device
