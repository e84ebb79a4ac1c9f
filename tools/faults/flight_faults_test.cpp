// Faults of the flight computer against the `tarvel` program's device verbs,
// each run as a user runs them, within a bound: the download broken off at
// every kind of place, junk, a lost byte, the device gone, a full disk; the
// configuration and live readings with silence, short and garbage replies.
// After each fault the flights already downloaded must read back whole, the
// user must be told, and a clean operation on the same port must succeed.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>

#include "bounded_run.h"
#include "codec/raw_flight.h"
#include "fcsim_process.h"
#include "flight_analysis.h"
#include "record_reader.h"

namespace faults {
namespace {

namespace fs = std::filesystem;

// The stream after "OK": per flight a marker, 9 bytes a sample (three records
// of a type byte and a 2-byte value), the end of flight; then the end of download.
constexpr int kSamples[] = {4, 6, 5};
constexpr int kSecondMarker = 1 + 9 * kSamples[0] + 1 + 1;  // byte 39
constexpr int kFirstOfSecond = kSecondMarker + 1;           // its first sample starts here
constexpr int kLongSamples[] = {4, 300, 5};                 // for the full disk

fltport::RawFlight flightOf(int samples, int seed) {
    fltport::RawFlight flight;
    for (int i = 0; i < samples; ++i)
        fltport::appendSample(flight, 1000, static_cast<uint16_t>(700 + 3 * seed + i),
                              (seed * 17 + 5 * i) % 120 - 40);
    return flight;
}

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class Scratch {
public:
    Scratch() {
        char pattern[] = "/tmp/tarvel-faults-XXXXXX";
        m_path = mkdtemp(pattern);
    }
    ~Scratch() {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    fs::path folder(const std::string& name) const {
        fs::create_directories(m_path / name);
        return m_path / name;
    }
    const fs::path& path() const { return m_path; }

private:
    fs::path m_path;
};

enum class Action { Download, ConfigRead, ConfigWrite, Poll, Continuity, Fire };

std::vector<std::string> verbArguments(Action action, const std::string& port) {
    switch (action) {
        case Action::Download:
            return {"download", "--port", port};
        case Action::ConfigRead:
            return {"config", "--port", port, "read"};
        case Action::ConfigWrite:
            return {"config", "--port", port, "write", "main-altitude=900", "stage-delay=2.5"};
        case Action::Poll:
            return {"poll", "--port", port, "--sensor", "baro", "--count", "3"};
        case Action::Continuity:
            return {"continuity", "--port", port};
        case Action::Fire:
            return {"fire", "--port", port, "--output", "2"};
    }
    return {};
}

struct FaultRow {
    const char* name;
    std::vector<std::string> fault;  // simulator options
    Action action;
    double bound;              // seconds
    int status;                // expected exit status
    const char* message;       // expected in the output
    int uploaded = 0;          // downloads: flights counted whole
    bool partialFile = false;  // downloads: the next flight's partial file holds part of it
    bool longFlights = false;  // the second flight is long (full disk)
    long fileSizeBytes = -1;
    bool sameSimulator = true;  // the fault strikes once: try again on the same simulator
    int damaged = -1;           // downloads: the flight counted but not read back whole
};

void PrintTo(const FaultRow& row, std::ostream* os) { *os << row.name; }

std::string fragment(int flights) { return "Uploaded files: " + std::to_string(flights) + "\n"; }

const std::string kPartial = "tmprecord1-partial.rcd holds only part of a flight";
const std::string kSilent = "is not answering";
const std::string kDamaged = "Damaged in the download, tmprecord1.rcd: reading stops at line";

std::string at(const char* fault, int byte) { return std::string(fault) + "=" + std::to_string(byte); }

// A download broken off in the second flight by `fault`: the first flight
// whole, what arrived of the second in its partial file.
FaultRow brokenOff(const char* name, const std::string& fault, bool sameSimulator = true) {
    FaultRow row{name, {"--fault", fault}, Action::Download, 3, 1, kPartial.c_str()};
    row.uploaded = 1;
    row.partialFile = true;
    row.sameSimulator = sameSimulator;
    return row;
}

// Noise after byte `byte` of the stream that can pass for records: the three
// flights are counted, and the one it lands in is caught by reading it back.
FaultRow junkAfter(const char* name, int byte) {
    FaultRow row{name, {"--fault", at("junk", byte)}, Action::Download, 5, 1, kDamaged.c_str()};
    row.uploaded = 3;
    row.damaged = 1;
    return row;
}

const FaultRow kRows[] = {
    brokenOff("silent after the marker", at("silent-after", kSecondMarker)),
    brokenOff("silent inside a record", at("silent-after", kFirstOfSecond + 1)),
    brokenOff("silent between samples", at("silent-after", kFirstOfSecond + 8)),
    // A quiet line where a flight could start is the end of the download, as it always was.
    {"silent between flights",
     {"--fault", at("silent-after", kSecondMarker - 1)},
     Action::Download,
     3,
     0,
     "Uploaded files: 1\n",
     1,
     false},
    brokenOff("lost type byte", at("lost-byte", kFirstOfSecond + 3)),
    brokenOff("lost value byte", at("lost-byte", kFirstOfSecond + 4)),
    junkAfter("junk after the marker", kSecondMarker),
    junkAfter("junk between samples", kFirstOfSecond + 8),
    junkAfter("junk between flights", kSecondMarker - 1),
    brokenOff("device vanishes mid-flight", at("vanish", kFirstOfSecond + 20), false),
    // A line that hangs up where a flight could start is no end of the flights.
    {"device hangs up between flights",
     {"--fault", "hang-up-after-flights=1"},
     Action::Download,
     3,
     1,
     "stopped answering, or its line was closed, before the end of its flights",
     1,
     false,
     false,
     -1,
     false},
    {"device hangs up after the opening exchange",
     {"--fault", "hang-up-after-flights=0"},
     Action::Download,
     3,
     1,
     "Uploaded files: 0\n",
     0,
     false,
     false,
     -1,
     false},
    {"full disk", {}, Action::Download, 5, 1, kPartial.c_str(), 1, true, true, 4096},
    {"config read, silent", {"--fault", "silent"}, Action::ConfigRead, 3, 1, kSilent.c_str()},
    {"config read, short replies", {"--fault", "short-replies"}, Action::ConfigRead, 3, 1, kSilent.c_str()},
    {"config read, garbage replies",
     {"--fault", "garbage-replies"},
     Action::ConfigRead,
     5,
     1,
     "sent an unreadable reply"},
    {"config write, silent", {"--fault", "silent"}, Action::ConfigWrite, 3, 1, kSilent.c_str()},
    {"config write, short replies", {"--fault", "short-replies"}, Action::ConfigWrite, 3, 1, kSilent.c_str()},
    {"config write, garbage replies",
     {"--fault", "garbage-replies"},
     Action::ConfigWrite,
     5,
     1,
     "sent an unreadable reply"},
    {"poll, silent", {"--fault", "silent"}, Action::Poll, 3, 1, kSilent.c_str()},
    {"poll, short replies", {"--fault", "short-replies"}, Action::Poll, 3, 1, kSilent.c_str()},
    {"poll, garbage replies", {"--fault", "garbage-replies"}, Action::Poll, 3, 1, "sent an unreadable reply"},
    {"continuity, garbage replies",
     {"--fault", "garbage-replies"},
     Action::Continuity,
     3,
     1,
     "sent an unreadable reply"},
    // "+" alone is still the acknowledgement.
    {"fire, short replies", {"--fault", "short-replies"}, Action::Fire, 3, 0, "Output 2 fired"},
    {"fire, garbage replies", {"--fault", "garbage-replies"}, Action::Fire, 3, 1, "sent an unreadable reply"},
};

class FlightFaults : public ::testing::TestWithParam<FaultRow> {
protected:
    void SetUp() override {
        const FaultRow& row = GetParam();
        const int* samples = row.longFlights ? kLongSamples : kSamples;
        std::vector<fltport::RawFlight> flights;
        for (int i = 0; i < 3; ++i) {
            flights.push_back(flightOf(samples[i], i + 1));
            m_samples.push_back(samples[i]);
        }
        m_script = (m_scratch.path() / "flights.txt").string();
        std::ofstream(m_script) << fltport::formatRawFlights(flights);
        m_link = (m_scratch.path() / "fc").string();
    }

    std::unique_ptr<fcsim::FcsimProcess> startSimulator(std::vector<std::string> options) {
        options.insert(options.end(), {"--link", m_link, m_script});
        auto sim = std::make_unique<fcsim::FcsimProcess>(options);
        EXPECT_TRUE(sim->started());
        return sim;
    }

    BoundedRun tarvel(Action action, const fs::path& folder, RunLimits limits) {
        std::vector<std::string> argv{TARVEL_PROGRAM};
        for (auto& a : verbArguments(action, m_link)) argv.push_back(a);
        return runBounded(argv, folder.string(), limits);
    }

    // Checks the files of a download: `whole` flights read back with all their
    // samples, except the `damaged` one, which opens but not whole.
    void expectFiles(const fs::path& folder, int whole, bool partial, int damaged = -1) {
        for (int i = 0; i < whole; ++i) {
            const std::string path = (folder / ("tmprecord" + std::to_string(i) + ".rcd")).string();
            auto fa = std::make_unique<tarvel::FlightAnalysis>();
            tarvel::RecordReadReport report;
            const tarvel::Status status = tarvel::loadRecordFile(path, *fa, &report);
            EXPECT_TRUE(status.ok) << path << ": " << status.message;
            EXPECT_EQ(report.complete, i != damaged) << path << " stopped at " << report.stoppedAt;
            if (i != damaged) {
                EXPECT_EQ(fa->samples.SampleCount, m_samples[static_cast<size_t>(i)]) << path;
            }
        }
        // The broken-off flight never takes a flight's name.
        EXPECT_FALSE(fs::exists(folder / ("tmprecord" + std::to_string(whole) + ".rcd")));
        const fs::path next = folder / ("tmprecord" + std::to_string(whole) + "-partial.rcd");
        EXPECT_EQ(fs::exists(next), partial) << next;
        if (partial) {
            // What arrived of the broken-off flight opens too, with no more samples than it had.
            auto fa = std::make_unique<tarvel::FlightAnalysis>();
            EXPECT_TRUE(tarvel::loadRecordFile(next.string(), *fa).ok) << next;
            EXPECT_LE(fa->samples.SampleCount, m_samples[static_cast<size_t>(whole)]);
        }
        EXPECT_FALSE(fs::exists(folder / ("tmprecord" + std::to_string(whole + 1) + ".rcd")));
    }

    Scratch m_scratch;
    std::string m_script, m_link;
    std::vector<int> m_samples;
};

TEST_P(FlightFaults, EndsInTimeTellsTheUserAndLeavesThePortUsable) {
    const FaultRow& row = GetParam();
    auto sim = startSimulator(row.fault);
    const fs::path first = m_scratch.folder("first");
    const BoundedRun run = tarvel(row.action, first, {row.bound, row.fileSizeBytes});
    EXPECT_FALSE(run.timedOut) << "no end within " << row.bound << " s";
    EXPECT_EQ(run.status, row.status) << run.output;
    EXPECT_NE(run.output.find(row.message), std::string::npos) << run.output;
    if (row.action == Action::Download) {
        EXPECT_NE(run.output.find(fragment(row.uploaded)), std::string::npos) << run.output;
        expectFiles(first, row.uploaded, row.partialFile, row.damaged);
    }
    RecordProperty("seconds", std::to_string(run.seconds));
    std::printf("[ outcome  ] %s: %.2f s, status %d: %s", row.name, run.seconds, run.status,
                run.output.c_str());

    // The same operation again, clean: on the same simulator when the fault
    // struck once, else on a healthy one served on the same port name.
    if (!row.sameSimulator || row.action != Action::Download) {
        sim->stop();
        sim = startSimulator({});
    }
    const fs::path again = m_scratch.folder("again");
    const BoundedRun clean = tarvel(row.action, again, {10, -1});
    EXPECT_EQ(clean.status, 0) << clean.output;
    if (row.action == Action::Download) {
        EXPECT_NE(clean.output.find(fragment(3)), std::string::npos) << clean.output;
        expectFiles(again, 3, false);
        // The flights the fault left whole are the very files a clean download gives.
        for (int i = 0; i < row.uploaded; ++i) {
            const std::string name = "tmprecord" + std::to_string(i) + ".rcd";
            if (i != row.damaged) {
                EXPECT_EQ(readAll(first / name), readAll(again / name)) << name;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Table, FlightFaults, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return testName(info.param.name); });

}  // namespace
}  // namespace faults
