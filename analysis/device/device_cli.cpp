#include "device_cli.h"

#include <signal.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <csignal>
#include <map>
#include <optional>
#include <ostream>

#include "device_operations.h"
#include "json_text.h"

namespace tarvel::device {

namespace {

// Options "--name value" anywhere; everything else positional.
struct ParsedArgs {
    std::map<std::string, std::string> options;
    std::vector<std::string> positional;
    std::string error;
};

// `flags` are options without a value; a given flag maps to "".
ParsedArgs parse(const VerbArgs& args, std::initializer_list<std::string_view> known,
                 std::initializer_list<std::string_view> flags = {}) {
    ParsedArgs parsed;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.rfind("--", 0) != 0) {
            parsed.positional.push_back(arg);
            continue;
        }
        std::string name = arg.substr(2);
        if (std::find(flags.begin(), flags.end(), name) != flags.end()) {
            parsed.options[name];
            continue;
        }
        if (std::find(known.begin(), known.end(), name) == known.end()) {
            parsed.error = "unknown option " + arg;
            return parsed;
        }
        if (i + 1 >= args.size()) {
            parsed.error = "option " + arg + " needs a value";
            return parsed;
        }
        parsed.options[name] = args[++i];
    }
    if (!parsed.options.count("port")) parsed.error = "--port NAME is required";
    return parsed;
}

int usage(std::ostream& err, std::string_view verb, const std::string& problem) {
    err << "tarvel " << verb << ": " << problem << "\n";
    for (const DeviceVerb& v : deviceVerbs())
        if (v.name == verb) err << "usage: " << v.usage << "\n";
    return 2;
}

// Message-box texts use CR LF between lines; a terminal wants plain line ends.
std::string plainLines(std::string text) {
    for (size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
    return text;
}

void printJson(std::ostream& out, const std::vector<std::pair<std::string_view, std::string>>& fields) {
    out << "{";
    for (size_t i = 0; i < fields.size(); ++i)
        out << (i ? "," : "") << "\n  " << jsonString(fields[i].first) << ": "
            << jsonString(fields[i].second);
    out << "\n}\n";
}

// Binds the entries or reports why not.
const FltportApi* bindOrReport(Declares& library, std::initializer_list<FltportEntry> entries,
                               std::ostream& err) {
    BindResult bound = library.bind(entries);
    if (!bound) err << bound.error << "\n";
    return bound.api;
}

// A whole number above 0, or 0 when the text is not one.
int parsePositive(const std::string& text) {
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && value > 0 ? value : 0;
}

// Sends SIGINT and SIGTERM to a download's stop while it lives; the earlier
// handlers come back afterwards.
class StopOnSignals {
public:
    explicit StopOnSignals(DeviceControl& control) {
        s_control = &control;
#ifdef _WIN32
        // The C runtime has no sigaction; it raises SIGINT on Ctrl+C.
        for (size_t i = 0; i < std::size(kSignals); ++i)
            m_previous[i] = std::signal(kSignals[i], stopRunning);
#else
        // Without SA_RESTART, so that a read the signal interrupts returns.
        struct sigaction action {};
        action.sa_handler = stopRunning;
        sigemptyset(&action.sa_mask);
        for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &action, &m_previous[i]);
#endif
    }
    ~StopOnSignals() {
#ifdef _WIN32
        for (size_t i = 0; i < std::size(kSignals); ++i) std::signal(kSignals[i], m_previous[i]);
#else
        for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &m_previous[i], nullptr);
#endif
        s_control = nullptr;
    }
    StopOnSignals(const StopOnSignals&) = delete;
    StopOnSignals& operator=(const StopOnSignals&) = delete;

private:
    static void stopRunning(int) {
        if (DeviceControl* running = s_control) running->stop();
    }
    static constexpr int kSignals[] = {SIGINT, SIGTERM};
    static inline std::atomic<DeviceControl*> s_control{nullptr};
#ifdef _WIN32
    void (*m_previous[std::size(kSignals)])(int){};
#else
    struct sigaction m_previous[std::size(kSignals)]{};
#endif
};

}  // namespace

int downloadVerb(Declares& library, const VerbArgs& args, std::ostream& out, std::ostream& err) {
    ParsedArgs parsed = parse(args, {"port", "prefix"}, {"overwrite"});
    if (parsed.error.empty() && !parsed.positional.empty())
        parsed.error = "unexpected " + parsed.positional[0];
    if (!parsed.error.empty()) return usage(err, "download", parsed.error);
    std::string prefix =
        parsed.options.count("prefix") ? parsed.options["prefix"] : std::string(kRecordPrefix);
    if (prefix.empty() || prefix.size() > 50)
        return usage(err, "download", "the prefix takes 1 to 50 characters");
    // The download writes over files of its names without asking; the user decides first.
    if (const std::vector<std::string> existing = existingDownloadFiles(prefix);
        !existing.empty() && !parsed.options.count("overwrite")) {
        err << "tarvel download: the download may replace";
        for (const std::string& name : existing) err << " " << name;
        err << "; nothing was downloaded. Give --overwrite to replace them, or another --prefix.\n";
        return 1;
    }

    const FltportApi* api = bindOrReport(library, kDownloadEntries, err);
    if (!api) return 1;
    const std::string& port = parsed.options["port"];
    DeviceControl control(*api);
    DownloadOutcome outcome;
    {
        // Ctrl+C or SIGTERM stops the transfer: the flights written whole are kept.
        StopOnSignals stopOnSignals(control);
        outcome = downloadFlights(*api, port, {prefix, parsed.options.count("overwrite") > 0}, &control);
    }
    if (!outcome.portOpened) {
        err << (outcome.folderError.empty() ? portFailureMessage(port) : outcome.folderError) << "\n";
        return 1;
    }
    out << "Uploaded files: " << outcome.written.size() << "\n";
    for (const std::string& name : outcome.written) out << name << "\n";
    if (!outcome.olderFiles.empty()) {
        err << "tarvel download: older files, not from this download:";
        for (const std::string& name : outcome.olderFiles) err << " " << name;
        err << "\n";
    }
    if (!outcome.complete()) err << plainLines(incompleteDownloadText(outcome)) << "\n";
    if (!outcome.unreadableFiles.empty()) err << plainLines(unreadableFilesText(outcome)) << "\n";
    return outcome.complete() && outcome.unreadableFiles.empty() ? 0 : 1;
}

namespace {

void printSettings(std::ostream& out, const AltimeterSettings& s, const WriteSelection* written) {
    std::vector<std::pair<std::string_view, std::string>> fields;
    if (!written || written->stageDetect) fields.emplace_back("stage-detect", s.stageDetect);
    if (!written) fields.emplace_back("version", s.version);
    if (!written || written->stageDelay) fields.emplace_back("stage-delay", s.stageDelay);
    if (!written || written->mainAltitude) fields.emplace_back("main-altitude", s.mainAltitude);
    if (!written || written->output) fields.emplace_back("output", s.output);
    printJson(out, fields);
}

// key=value settings of "config write"; empty string on success, else the problem.
std::string parseSettings(const std::vector<std::string>& items, AltimeterSettings& settings,
                          WriteSelection& selection, std::string& rangeMessage) {
    selection = {false, false, false, false};
    for (const std::string& item : items) {
        size_t eq = item.find('=');
        if (eq == std::string::npos) return "expected KEY=VALUE, got " + item;
        std::string key = item.substr(0, eq), value = item.substr(eq + 1);
        if (key == "stage-detect" && (value == "launch" || value == "burnout")) {
            settings.stageDetect = std::string(value == "launch" ? kStageLaunch : kStageBurnout);
            selection.stageDetect = true;
        } else if (key == "output" && (value == "led" || value == "buzzer")) {
            settings.output = std::string(value == "led" ? kOutputLed : kOutputBuzzer);
            selection.output = true;
        } else if (key == "stage-delay" || key == "main-altitude") {
            bool delay = key == "stage-delay";
            if (auto refusal = checkRange(value, delay ? kStageDelayRange : kMainAltitudeRange)) {
                rangeMessage = *refusal;
                return {};
            }
            (delay ? settings.stageDelay : settings.mainAltitude) = value;
            (delay ? selection.stageDelay : selection.mainAltitude) = true;
        } else {
            return "unknown setting " + item;
        }
    }
    if (!selection.stageDetect && !selection.stageDelay && !selection.mainAltitude && !selection.output)
        return "name at least one setting to write";
    return {};
}

}  // namespace

int configVerb(Declares& library, const VerbArgs& args, std::ostream& out, std::ostream& err) {
    ParsedArgs parsed = parse(args, {"port"});
    if (parsed.error.empty() &&
        (parsed.positional.empty() || (parsed.positional[0] != "read" && parsed.positional[0] != "write")))
        parsed.error = "say read or write";
    if (parsed.error.empty() && parsed.positional[0] == "read" && parsed.positional.size() > 1)
        parsed.error = "read takes no settings";
    if (!parsed.error.empty()) return usage(err, "config", parsed.error);

    AltimeterSettings settings;
    WriteSelection selection;
    bool write = parsed.positional[0] == "write";
    if (write) {
        std::string rangeMessage;
        std::string problem = parseSettings({parsed.positional.begin() + 1, parsed.positional.end()},
                                            settings, selection, rangeMessage);
        if (!rangeMessage.empty()) {
            err << plainLines(rangeMessage) << "\n";
            return 1;
        }
        if (!problem.empty()) return usage(err, "config", problem);
    }

    const FltportApi* api = bindOrReport(library, kConfigEntries, err);
    if (!api) return 1;
    const std::string& port = parsed.options["port"];
    DeviceOutcome outcome =
        write ? writeConfig(*api, port, settings, selection) : readConfig(*api, port, settings);
    if (!outcome) {
        err << plainLines(outcome.message) << "\n";
        return 1;
    }
    printSettings(out, settings, write ? &selection : nullptr);
    return 0;
}

int pollVerb(Declares& library, const VerbArgs& args, std::ostream& out, std::ostream& err) {
    ParsedArgs parsed = parse(args, {"port", "sensor", "count"});
    if (parsed.error.empty() && !parsed.positional.empty())
        parsed.error = "unexpected " + parsed.positional[0];
    int count = parsed.options.count("count") ? parsePositive(parsed.options["count"]) : 10;
    std::string sensorName = parsed.options.count("sensor") ? parsed.options["sensor"] : "accel";
    if (parsed.error.empty() && count < 1) parsed.error = "--count takes a whole number above 0";
    if (parsed.error.empty() && sensorName != "accel" && sensorName != "baro")
        parsed.error = "--sensor accel|baro";
    if (!parsed.error.empty()) return usage(err, "poll", parsed.error);

    const FltportApi* api = bindOrReport(
        library, {FltportEntry::InitComport, FltportEntry::ReadConfigCommand, FltportEntry::CloseComport},
        err);
    if (!api) return 1;
    const std::string& port = parsed.options["port"];
    const Sensor sensor = sensorName == "accel" ? Sensor::Acceleration : Sensor::Barometric;
    DeviceControl control(*api);
    // No reply is no reading, not a blank one; noise is none either, and stays off the terminal.
    const DeviceOutcome polled = pollSensor(
        *api, port, sensor, count, control,
        [&out](const std::string& reading) { out << reading << "\n"
                                                 << std::flush; },
        [&out, sensor] { out << pollHeading(sensor) << "\n"; });
    if (!polled) {
        err << polled.message << "\n";
        return 1;
    }
    return 0;
}

int fireVerb(Declares& library, const VerbArgs& args, std::ostream& out, std::ostream& err) {
    ParsedArgs parsed = parse(args, {"port", "output"});
    int output = parsed.options.count("output") ? parsePositive(parsed.options["output"]) : 0;
    if (parsed.error.empty() && !parsed.positional.empty())
        parsed.error = "unexpected " + parsed.positional[0];
    if (parsed.error.empty() && (output < 1 || output > 3)) parsed.error = "--output 1|2|3";
    if (!parsed.error.empty()) return usage(err, "fire", parsed.error);

    const FltportApi* api = bindOrReport(
        library, {FltportEntry::InitComport, FltportEntry::WriteConfigCommand, FltportEntry::CloseComport},
        err);
    if (!api) return 1;
    const std::string& port = parsed.options["port"];
    DeviceOutcome fired = fireOutput(*api, port, output);
    if (!fired) {
        err << plainLines(fired.message) << "\n";
        return 1;
    }
    out << "Output " << output << " fired\n";
    return 0;
}

int continuityVerb(Declares& library, const VerbArgs& args, std::ostream& out, std::ostream& err) {
    ParsedArgs parsed = parse(args, {"port"});
    if (parsed.error.empty() && !parsed.positional.empty())
        parsed.error = "unexpected " + parsed.positional[0];
    if (!parsed.error.empty()) return usage(err, "continuity", parsed.error);

    const FltportApi* api = bindOrReport(
        library, {FltportEntry::InitComport, FltportEntry::ReadConfigCommand, FltportEntry::CloseComport},
        err);
    if (!api) return 1;
    const std::string& port = parsed.options["port"];
    std::array<bool, 3> closed{};
    DeviceOutcome tested = readContinuity(*api, port, closed);
    if (!tested) {
        err << plainLines(tested.message) << "\n";
        return 1;
    }
    printJson(out, {{"output1", closed[0] ? "closed" : "open"},
                    {"output2", closed[1] ? "closed" : "open"},
                    {"output3", closed[2] ? "closed" : "open"}});
    return 0;
}

const std::vector<DeviceVerb>& deviceVerbs() {
    static const std::vector<DeviceVerb> verbs = {
        {"download", "tarvel download --port NAME [--prefix tmprecord] [--overwrite]", downloadVerb},
        {"config",
         "tarvel config --port NAME read | write [stage-detect=launch|burnout] [stage-delay=TEXT] "
         "[main-altitude=TEXT] [output=led|buzzer]",
         configVerb},
        {"poll", "tarvel poll --port NAME --sensor accel|baro --count N", pollVerb},
        {"fire", "tarvel fire --port NAME --output 1|2|3", fireVerb},
        {"continuity", "tarvel continuity --port NAME", continuityVerb},
    };
    return verbs;
}

}  // namespace tarvel::device
