#include "device_operations.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>

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

std::vector<std::string> existingDownloadFiles(const std::string& prefix) {
    namespace fs = std::filesystem;
    const fs::path pattern(prefix);
    const std::string stem = pattern.filename().string();
    const fs::path folder = pattern.parent_path();
    std::vector<std::pair<uint64_t, std::string>> found;
    std::error_code ec;
    for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        constexpr std::string_view kExtension = ".rcd";
        if (name.size() <= stem.size() + kExtension.size() || name.compare(0, stem.size(), stem) != 0 ||
            name.compare(name.size() - kExtension.size(), kExtension.size(), kExtension) != 0)
            continue;
        // The number as the download writes it: decimal digits, no leading zero.
        const std::string_view number(name.data() + stem.size(), name.size() - stem.size() - kExtension.size());
        uint64_t value = 0;
        const auto [rest, error] = std::from_chars(number.data(), number.data() + number.size(), value);
        if (error != std::errc() || rest != number.data() + number.size() || (number.size() > 1 && number[0] == '0'))
            continue;
        found.emplace_back(value, (folder / name).string());
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> names;
    for (auto& [number, name] : found) names.push_back(std::move(name));
    return names;
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
