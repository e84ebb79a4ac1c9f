// The library against the simulator over real pseudo-terminals.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>

#include "codec/raw_flight.h"
#include "fcsim_process.h"
#include "fltport.h"
#include "link/serial_port.h"
#include "test_files.h"

using namespace std::chrono;
using fltport::RawFlight;

namespace {

struct Field {
    char text[32];
    explicit Field(const char* initial = "") {
        std::memset(text, ' ', sizeof text);
        std::memcpy(text, initial, std::strlen(initial));
    }
};

std::string readConfig(char index) {
    Field reply;
    ReadConfigCommand(index, reply.text);
    return reply.text;
}

std::string writeConfig(char index, const char* value, int32_t length) {
    Field field(value);
    WriteConfigCommand(index, field.text, length);
    return field.text;
}

RawFlight flight(int samples, int seed) {
    RawFlight f;
    for (int i = 0; i < samples; ++i)
        fltport::appendSample(f, static_cast<uint16_t>(1000 + seed), static_cast<uint16_t>(800 - i % 300),
                              (i * 37 + seed) % 900 - 300);
    return f;
}

std::string script(const TempDir& dir, const std::vector<RawFlight>& flights) {
    const std::string path = dir.file("flights.txt");
    writeFile(path, fltport::formatRawFlights(flights));
    return path;
}

struct Result {
    int32_t status = -1;
    int32_t count = -1;
    std::vector<std::string> files;
    std::string partial;  // the broken-off flight's file
    milliseconds took{};
};

// Opens the simulator's port, downloads into `dir` and closes the port again.
Result downloadFrom(const fcsim::FcsimProcess& sim, const TempDir& dir) {
    Result r;
    EXPECT_EQ(InitComport(sim.path().c_str()), 1);
    const auto start = steady_clock::now();
    r.status = StartUpload(dir.prefix().c_str(), &r.count);
    r.took = duration_cast<milliseconds>(steady_clock::now() - start);
    CloseComport();
    for (int i = 0; std::filesystem::exists(dir.prefix() + std::to_string(i) + ".rcd"); ++i)
        r.files.push_back(readFile(dir.prefix() + std::to_string(i) + ".rcd"));
    r.partial = readFile(dir.prefix() + std::to_string(r.count) + "-partial.rcd");
    return r;
}

}  // namespace

TEST(PtyLink, ConfigurationAndWorkedExampleByteForByte) {
    TempDir dir;
    RawFlight example;
    fltport::appendSample(example, 1000, 512, 8);
    fcsim::FcsimProcess sim({"--log", dir.file("host.bin"), "--continuity", "101", script(dir, {example})});
    ASSERT_TRUE(sim.started());

    ASSERT_EQ(InitComport(sim.path().c_str()), 1);
    std::string settings;
    for (const char index : {'g', 'v', 't', 'm', 'z'}) settings += readConfig(index) + "|";
    EXPECT_EQ(settings, "0|fcsim 1.0|0.0|600|0|");
    EXPECT_EQ(writeConfig('t', "1.5", 3), "+\r\n");  // the spaces after the text stay home
    EXPECT_EQ(readConfig('t'), "1.5");
    EXPECT_EQ(writeConfig('m', "3001", 4), "-\r\n");
    std::string continuity;
    for (const char index : {'1', '2', '3'}) continuity += readConfig(index);
    EXPECT_EQ(continuity, "101");
    char fire[21] = {};  // the Fire buttons pass a field of zero bytes with length 1
    WriteConfigCommand('2', fire, 1);
    EXPECT_STREQ(fire, "+\r\n");
    int32_t count = -1;
    EXPECT_EQ(StartUpload(dir.prefix().c_str(), &count), 1);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(CloseComport(), 1);
    sim.stop();

    EXPECT_EQ(readFile(dir.prefix() + "0.rcd"),
              kRecordHead + "\r\n0.01000,9.438482,1.0274,0.2253985,3.305845e-003, ");
    const std::string expectedHost = std::string("rg\rrv\rrt\rrm\rrz\r") + "wt1.5\r" + "rt\r" + "wm3001\r" +
                                     "r1\rr2\rr3\r" + "w2\r" + "\n" + std::string(10, '\r');
    EXPECT_EQ(readFile(dir.file("host.bin")), expectedHost);
}

TEST(PtyLink, RecordFilesRoundTripThroughTheSimulator) {
    TempDir first, second;
    fcsim::FcsimProcess sim({script(first, {flight(120, 1), flight(80, 2), flight(0, 3)})});
    ASSERT_TRUE(sim.started());
    const Result a = downloadFrom(sim, first);
    EXPECT_EQ(a.status, 1);
    ASSERT_EQ(a.count, 3);
    ASSERT_EQ(a.files.size(), 3u);
    sim.stop();

    // Serve the downloaded files again: their values turn back into the same counts.
    fcsim::FcsimProcess again({first.prefix() + "0.rcd", first.prefix() + "1.rcd", first.prefix() + "2.rcd"});
    ASSERT_TRUE(again.started());
    const Result b = downloadFrom(again, second);
    EXPECT_EQ(b.count, 3);
    EXPECT_EQ(b.files, a.files);
}

TEST(PtyLink, ProgressCountsFlightsBegunAndRowsUntilRemoved) {
    TempDir dir;
    fcsim::FcsimProcess sim({script(dir, {flight(30, 1), flight(0, 2), flight(20, 3)})});
    ASSERT_TRUE(sim.started());
    std::vector<std::pair<int32_t, int32_t>> seen;
    const auto record = [](void* context, int32_t flights, int32_t samples) {
        static_cast<std::vector<std::pair<int32_t, int32_t>>*>(context)->emplace_back(flights, samples);
    };
    EXPECT_EQ(SetUploadProgress(record, &seen), 1);
    const Result first = downloadFrom(sim, dir);
    ASSERT_EQ(first.count, 3);
    // Each flight once as it begins, then each of its rows; the empty flight only begins.
    ASSERT_EQ(seen.size(), 3u + 50u);
    EXPECT_EQ(seen.front(), std::make_pair(1, 0));
    EXPECT_EQ(seen[31], std::make_pair(2, 30));
    EXPECT_EQ(seen[32], std::make_pair(3, 30));
    EXPECT_EQ(seen.back(), std::make_pair(3, 50));
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));

    // Removed, it is called no more; the files are the same either way.
    sim.stop();
    TempDir again;
    fcsim::FcsimProcess second({script(again, {flight(30, 1), flight(0, 2), flight(20, 3)})});
    ASSERT_TRUE(second.started());
    SetUploadProgress(nullptr, nullptr);
    seen.clear();
    EXPECT_EQ(downloadFrom(second, again).files, first.files);
    EXPECT_TRUE(seen.empty());
}

TEST(PtyLink, PortIsExclusiveAndReopens) {
    fcsim::FcsimProcess sim({});
    ASSERT_TRUE(sim.started());
    ASSERT_EQ(InitComport(sim.path().c_str()), 1);
    EXPECT_EQ(fltport::SerialPort::open(sim.path()), nullptr);
    EXPECT_EQ(InitComport(sim.path().c_str()), 1);  // our own earlier handle is closed first
    EXPECT_EQ(readConfig('m'), "600");
    EXPECT_EQ(CloseComport(), 1);
    EXPECT_NE(fltport::SerialPort::open(sim.path()), nullptr);
}

TEST(PtyLink, OnlyATerminalIsTakenForAPort) {
    TempDir dir;
    fcsim::FcsimProcess sim({});
    ASSERT_TRUE(sim.started());
    const std::string notes = dir.file("notes.txt");
    writeFile(notes, "flight notes\n");
    const std::string fifo = dir.file("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& name :
         {notes, fifo, std::string("/dev/null"), std::string("null"), dir.file("")}) {
        EXPECT_EQ(InitComport(name.c_str()), 0) << name;
        char value[21] = "1.5";
        WriteConfigCommand('t', value, 3);
        CloseComport();
    }
    EXPECT_EQ(readFile(notes), "flight notes\n");

    // A bare name is a terminal in /dev, else the name as it stands, here a link to the simulator.
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.file(""));
    std::filesystem::create_symlink(sim.path(), "fc-link");
    EXPECT_EQ(InitComport("fc-link"), 1);
    EXPECT_EQ(readConfig('m'), "600");
    CloseComport();
    std::filesystem::current_path(previous);
}

TEST(PtyLink, ChatterWhileOpeningIsDrained) {
    fcsim::FcsimProcess sim({"--chatter", "700"});
    ASSERT_TRUE(sim.started());
    const auto start = steady_clock::now();
    ASSERT_EQ(InitComport(sim.path().c_str()), 1);
    EXPECT_GE(steady_clock::now() - start, milliseconds(300));  // at least the quiet that ends the drain
    EXPECT_EQ(readConfig('m'), "600");                          // nothing of the chatter is left over
    CloseComport();

    // A line that never goes quiet is refused: its noise would pass for replies.
    fcsim::FcsimProcess noisy({"--chatter", "60000"});
    ASSERT_TRUE(noisy.started());
    const auto noisyStart = steady_clock::now();
    EXPECT_EQ(InitComport(noisy.path().c_str()), 0);
    EXPECT_LT(steady_clock::now() - noisyStart, milliseconds(4000));
    CloseComport();
}

class PtyFault : public ::testing::TestWithParam<const char*> {};

TEST_P(PtyFault, DownloadEndsSoundly) {
    const std::string fault = GetParam();
    TempDir dir, cleanDir;
    const std::vector<RawFlight> flights{flight(30, 1), flight(40, 2)};
    fcsim::FcsimProcess clean({script(cleanDir, flights)});
    fcsim::FcsimProcess sim({"--fault", fault, script(dir, flights)});
    ASSERT_TRUE(clean.started() && sim.started());
    const Result expected = downloadFrom(clean, cleanDir);
    ASSERT_EQ(expected.count, 2);
    const Result r = downloadFrom(sim, dir);
    EXPECT_LT(r.took, milliseconds(2000));

    if (fault == "silent" || fault == "bad-greeting") {
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.count, 0);
        EXPECT_EQ(dir.fileCount(), 1u);  // the script only
        if (fault == "silent") {
            ASSERT_EQ(InitComport(sim.path().c_str()), 1);
            EXPECT_EQ(readConfig('v'), "");
            CloseComport();
        }
    } else if (fault == "unknown-record") {
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.files, expected.files);
    } else {                     // silence in the middle of the second flight
        EXPECT_EQ(r.status, 0);  // not complete, though the files stay
        EXPECT_EQ(r.count, 1);   // the broken-off flight is not counted
        ASSERT_EQ(r.files.size(), 1u);
        EXPECT_EQ(r.files[0], expected.files[0]);
        EXPECT_LT(r.partial.size(), expected.files[1].size());
        EXPECT_EQ(expected.files[1].compare(0, r.partial.size(), r.partial), 0);
        ASSERT_EQ(InitComport(sim.path().c_str()), 1);  // the device answers commands again
        EXPECT_EQ(readConfig('m'), "600");
        CloseComport();
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, PtyFault,
                         ::testing::Values("silent", "bad-greeting", "unknown-record", "stall-type",
                                           "stall-value"),
                         [](const auto& info) {
                             std::string name = info.param;
                             std::erase(name, '-');
                             return name;
                         });

TEST(PtyLink, PacedDownloadTakesTheWireTime) {
    TempDir dir;
    const RawFlight f = flight(40, 1);
    fcsim::FcsimProcess sim({"--pace", script(dir, {f})});
    ASSERT_TRUE(sim.started());
    const Result r = downloadFrom(sim, dir);
    ASSERT_EQ(r.count, 1);
    // Host: line feed and one CR per unit; device: "OK" and every unit's bytes.
    size_t bytes = 1 + 2;
    for (const auto& unit : fltport::downloadUnits({f})) bytes += 1 + unit.size();
    const double wireMs = bytes * 10 * 1000.0 / 19200;
    const double measuredMs = static_cast<double>(r.took.count()) - 300;  // less the quiet drain
    EXPECT_GT(measuredMs, wireMs * 0.97);
    EXPECT_LT(measuredMs, wireMs * 4 + 1000);  // loose: a shared machine may be busy (see the benchmark)
}
