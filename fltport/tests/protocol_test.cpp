// The protocol over an in-memory line, against the simulator's device model
// or scripted replies: byte-exact exchanges without any waiting.

#include <gtest/gtest.h>

#include "codec/number_form.h"
#include "codec/raw_flight.h"
#include "codec/sample_codec.h"
#include "flight_computer.h"
#include "link/config_commands.h"
#include "link/flight_download.h"
#include "link/serial_port.h"
#include "memory_link.h"
#include "test_files.h"

using namespace fltport;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes bytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

// A peer that answers each carriage return with the next scripted reply.
MemoryLink::Peer scripted(std::vector<Bytes> replies) {
    auto queue = std::make_shared<std::deque<Bytes>>(replies.begin(), replies.end());
    return [queue](uint8_t byte) -> Bytes {
        if ((byte != kCarriageReturn && byte != kLineFeed) || queue->empty()) return {};
        Bytes reply = queue->front();
        queue->pop_front();
        return reply;
    };
}

MemoryLink::Peer device(fcsim::FlightComputer& fc) {
    return [&fc](uint8_t byte) { return fc.receive(byte); };
}

RawFlight sampleFlight(int samples, int accelBase = 8) {
    RawFlight flight;
    for (int i = 0; i < samples; ++i)
        appendSample(flight, 1000, static_cast<uint16_t>(512 + i), accelBase + 3 * i);
    return flight;
}

struct Download {
    UploadResult result;
    std::vector<std::string> files;  // contents of tmprecord0.rcd ...
    std::string partial;             // of the broken-off flight's file, if there is one
    Bytes sent;
    int timeouts = 0;
};

Download download(MemoryLink& link, const TempDir& dir, UploadLimits limits = {}) {
    Download d;
    FlightDownload run(link, dir.prefix(), limits);
    d.result = run.run();
    for (int i = 0; std::filesystem::exists(run.fileName(i)); ++i)
        d.files.push_back(readFile(run.fileName(i)));
    d.partial = readFile(run.partialFileName(d.result.flights));
    d.sent = link.sent();
    d.timeouts = link.timeouts;
    return d;
}

Download downloadFrom(std::vector<RawFlight> flights, fcsim::FaultModes faults = {}) {
    TempDir dir;
    fcsim::FlightComputer fc(std::move(flights), faults);
    MemoryLink link(device(fc));
    return download(link, dir);
}

}  // namespace

TEST(ConfigCommands, ExchangesByteForByte) {
    struct Case {
        const char* name;
        std::function<std::string(Transport&)> call;
        Bytes reply;
        std::vector<Bytes> expectedWrites;
        std::string expectedResult;
    } cases[] = {
        {"read drops the line end",
         [](Transport& t) { return readConfig(t, 'm'); },
         bytes("600\r\n"),
         {{'r', 'm', '\r'}},
         "600"},
        {"20-byte reply gives 18 characters",
         [](Transport& t) { return readConfig(t, 'v'); },
         bytes("ABCDEFGHIJKLMNOPQRST"),
         {{'r', 'v', '\r'}},
         "ABCDEFGHIJKLMNOPQR"},
        {"one-byte reply gives nothing",
         [](Transport& t) { return readConfig(t, 'g'); },
         bytes("0"),
         {{'r', 'g', '\r'}},
         ""},
        {"silence gives nothing",
         [](Transport& t) { return readConfig(t, 'g'); },
         {},
         {{'r', 'g', '\r'}},
         ""},
        {"write sends command, then value and CR",
         [](Transport& t) { return writeConfig(t, 't', "1.5"); },
         bytes("+\r\n"),
         {{'w', 't'}, {'1', '.', '5', '\r'}},
         "+\r\n"},
        {"empty value fires",
         [](Transport& t) { return writeConfig(t, '2', ""); },
         bytes("+\r\n"),
         {{'w', '2'}, {'\r'}},
         "+\r\n"},
        {"18 characters still go",
         [](Transport& t) { return writeConfig(t, 't', std::string(18, '1')); },
         bytes("-\r\n"),
         {{'w', 't'}, bytes(std::string(18, '1') + "\r")},
         "-\r\n"},
        {"19 characters are refused unsent",
         [](Transport& t) { return writeConfig(t, 't', std::string(19, '1')); },
         bytes("+\r\n"),
         {},
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto reply = c.reply;
        MemoryLink link([reply, done = false](uint8_t byte) mutable -> Bytes {
            if (byte != '\r' || done) return {};
            done = true;
            return reply;
        });
        EXPECT_EQ(c.call(link), c.expectedResult);
        EXPECT_EQ(link.writes, c.expectedWrites);
    }
}

TEST(ConfigCommands, SimulatorKeepsAndChecksSettings) {
    fcsim::FlightComputer fc({});
    fc.setContinuity({true, false, true});
    MemoryLink link(device(fc));
    EXPECT_EQ(readConfig(link, 'v'), fcsim::FlightComputer::kVersion);
    EXPECT_EQ(writeConfig(link, 'm', "1200"), "+\r\n");
    EXPECT_EQ(readConfig(link, 'm'), "1200");
    EXPECT_EQ(writeConfig(link, 'm', "3001"), "-\r\n");  // out of range: kept as it was
    EXPECT_EQ(writeConfig(link, 't', "1.50"), "+\r\n");
    EXPECT_EQ(readConfig(link, 't'), "1.50");  // the text as sent, not reformatted
    EXPECT_EQ(readConfig(link, '1') + readConfig(link, '2') + readConfig(link, '3'), "101");
    EXPECT_EQ(writeConfig(link, '3', ""), "+\r\n");
    EXPECT_EQ(readConfig(link, '3'), "0");  // a fired charge no longer conducts
    EXPECT_EQ(fc.fireCounts()[2], 1);
    for (int i = 0; i < 20; ++i) {
        const double pressure = leadingNumber(readConfig(link, 'b'));
        EXPECT_GT(pressure, 790);
        EXPECT_LT(pressure, 830);
    }
}

TEST(ConfigCommands, SimulatorStateFileOutlivesARestart) {
    TempDir dir;
    const std::string state = dir.file("fc.state");
    {
        fcsim::FlightComputer fc({});
        fc.keepSettingsIn(state);
        MemoryLink link(device(fc));
        writeConfig(link, 'm', "900");
        writeConfig(link, 'g', "1");
    }
    fcsim::FlightComputer restarted({});
    restarted.keepSettingsIn(state);
    EXPECT_EQ(restarted.setting('m'), "900");
    EXPECT_EQ(restarted.setting('g'), "1");
    EXPECT_EQ(restarted.setting('t'), "0.0");
    EXPECT_EQ(restarted.setting('v'), fcsim::FlightComputer::kVersion);  // never taken from the file
}

TEST(FlightDownload, WorkedExampleByteForByte) {
    RawFlight flight;
    appendSample(flight, 1000, 512, 8);
    const Download d = downloadFrom({flight});
    EXPECT_EQ(d.result.status, UploadStatus::Complete);
    EXPECT_EQ(d.result.flights, 1);
    Bytes expectedSent{kLineFeed};
    expectedSent.insert(expectedSent.end(), 10, kCarriageReturn);
    EXPECT_EQ(d.sent, expectedSent);
    ASSERT_EQ(d.files.size(), 1u);
    EXPECT_EQ(d.files[0], kRecordHead + "\r\n0.01000,9.438482,1.0274,0.2253985,3.305845e-003, ");
}

TEST(FlightDownload, FlightsAndRecordTypes) {
    const std::string row1 = "\r\n0.01000,9.438482,1.0274,0.2253985,3.305845e-003, ";
    struct Case {
        const char* name;
        std::vector<RawFlight> flights;
        std::vector<std::string> files;
    } cases[] = {
        {"no flights", {}, {}},
        {"flight ending at once", {{}}, {kRecordHead}},
        {"second flight starts from rest", {{}, {}}, {kRecordHead, kRecordHead}},
        {"velocity and altitude restart per flight",
         {sampleFlight(1), sampleFlight(1)},
         {kRecordHead + row1, kRecordHead + row1}},
        {"time step carries into the next flight",
         {{{kTimeRecord, 500}}, {{kAccelRecord, 8}}},
         {kRecordHead + "\r\n0.00500,", kRecordHead + "1.0274,0.1126992,8.264608e-004, "}},
        {"acceleration before any time step integrates nothing",
         {{{kAccelRecord, 8}, {kTimeRecord, 1000}}},
         {kRecordHead + "1.0274,0.,0., \r\n0.01000,"}},
        {"type 4 repeats the last acceleration",
         {{{kTimeRecord, 1000}, {kAccelRecord, 8}, {kPressureRecord, 512}, {kAccelRepeatRecord}}},
         {kRecordHead +
          "\r\n0.01000,1.0274,0.2253985,3.305845e-003, 9.438482,1.0274,0.450797,9.917534e-003, "}},
        {"type 4 first in a flight is 0 G",
         {{{kTimeRecord, 1000}, {kAccelRepeatRecord}}},
         {kRecordHead + "\r\n0.01000,0.,0.,0., "}},
        {"unknown record and its burst are dropped",
         {{{kTimeRecord, 1000}, {0x42, 0, {5, 1, 0xFE, 0xFF}}, {kPressureRecord, 512}, {kAccelRecord, 8}}},
         {kRecordHead + row1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Download d = downloadFrom(c.flights);
        EXPECT_EQ(d.result.status, UploadStatus::Complete);
        EXPECT_EQ(d.result.flights, static_cast<int>(c.files.size()));
        EXPECT_EQ(d.files, c.files);
    }
}

TEST(FlightDownload, SimulatorFaults) {
    const std::vector<RawFlight> two = {sampleFlight(4), sampleFlight(6, -20)};
    const Download clean = downloadFrom(two);
    ASSERT_EQ(clean.files.size(), 2u);

    fcsim::FaultModes unknown;
    unknown.unknownRecord = true;
    const Download junk = downloadFrom(two, unknown);
    EXPECT_EQ(junk.result.status, UploadStatus::Complete);
    EXPECT_EQ(junk.files, clean.files);

    for (const bool valueCut : {false, true}) {
        SCOPED_TRACE(valueCut ? "value cut short" : "no type byte");
        fcsim::FaultModes stall;
        (valueCut ? stall.stallValue : stall.stallType) = true;
        const Download d = downloadFrom(two, stall);
        EXPECT_EQ(d.result.status, UploadStatus::Interrupted);
        EXPECT_EQ(d.result.flights, 1);  // the cut-short flight is not counted, but keeps its partial file
        ASSERT_EQ(d.files.size(), 1u);
        EXPECT_EQ(d.files[0], clean.files[0]);
        EXPECT_GT(d.partial.size(), kRecordHead.size());
        EXPECT_LT(d.partial.size(), clean.files[1].size());
        EXPECT_EQ(clean.files[1].compare(0, d.partial.size(), d.partial), 0);
        EXPECT_LE(d.timeouts, 2);  // the drain, then the one silent read
    }

    fcsim::FaultModes silent;
    silent.silent = true;
    fcsim::FaultModes badGreeting;
    badGreeting.badGreeting = true;
    for (const auto& faults : {silent, badGreeting}) {
        const Download d = downloadFrom(two, faults);
        EXPECT_EQ(d.result.status, UploadStatus::NoAnswer);
        EXPECT_EQ(d.result.flights, 0);
        EXPECT_TRUE(d.files.empty());
        EXPECT_EQ(d.sent, Bytes{kLineFeed});
    }
}

TEST(FlightDownload, ScriptedStreams) {
    TempDir dir;
    {
        SCOPED_TRACE("quiet between flights ends normally");
        MemoryLink link(scripted({bytes("OK"), {kFlightMarker}, {kEndOfFlight}}));
        const Download d = download(link, dir);
        EXPECT_EQ(d.result.status, UploadStatus::Complete);
        EXPECT_EQ(d.result.flights, 1);
        EXPECT_EQ(d.sent, (Bytes{kLineFeed, '\r', '\r', '\r', '\r'}));
    }
    {
        SCOPED_TRACE("stray bytes between flights are skipped");
        MemoryLink link(
            scripted({bytes("OK"), {7}, {0}, {kFlightMarker}, {kEndOfFlight}, {9}, {kEndOfDownload}}));
        const Download d = download(link, dir);
        EXPECT_EQ(d.result.flights, 1);
        EXPECT_EQ(d.result.status, UploadStatus::Complete);
    }
    {
        SCOPED_TRACE("a device that never stops sending stray bytes is given up on");
        MemoryLink link([](uint8_t byte) { return byte == kLineFeed ? bytes("OK") : Bytes{7}; });
        UploadLimits limits;
        limits.skippedMarkers = 50;
        const Download d = download(link, dir, limits);
        EXPECT_EQ(d.result.status, UploadStatus::Interrupted);
        EXPECT_EQ(d.sent.size(), 51u);
    }
    {
        SCOPED_TRACE("a flight without end is cut at the record limit");
        MemoryLink link([](uint8_t byte) { return byte == kLineFeed ? bytes("OK") : Bytes{kFlightMarker}; });
        UploadLimits limits;
        limits.recordsPerFlight = 100;
        const Download d = download(link, dir, limits);
        EXPECT_EQ(d.result.status, UploadStatus::Interrupted);
        EXPECT_EQ(d.result.flights, 0);
    }
    {
        SCOPED_TRACE("endless chatter before the download");
        MemoryLink link([](uint8_t) { return Bytes{}; });
        link.preload({1, 2, 3}, true);
        UploadLimits limits;
        limits.drainBytes = 300;
        const Download d = download(link, dir, limits);
        EXPECT_EQ(d.result.status, UploadStatus::NoAnswer);
        EXPECT_TRUE(d.sent.empty());  // the noise could hold an "OK": no line feed goes out
    }
    {
        SCOPED_TRACE("an unknown record whose burst never ends");
        MemoryLink link(scripted({bytes("OK"), {kFlightMarker}, Bytes(21, 0x42)}));
        UploadLimits limits;
        limits.drainBytes = 10;
        const Download d = download(link, dir, limits);
        EXPECT_EQ(d.result.status, UploadStatus::Interrupted);
        EXPECT_EQ(d.result.flights, 0);
    }
}

TEST(FlightDownload, FileErrorsKeepEarlierFlights) {
    TempDir dir;
    std::filesystem::create_directory(dir.prefix() + "1.rcd");  // flight 1 cannot be created
    writeFile(dir.prefix() + "0.rcd", "old contents, longer than the new file will be............");
    fcsim::FlightComputer fc({sampleFlight(1), sampleFlight(1), sampleFlight(1)});
    MemoryLink link(device(fc));
    const Download d = download(link, dir);
    EXPECT_EQ(d.result.status, UploadStatus::FileError);
    EXPECT_EQ(d.result.flights, 1);
    EXPECT_EQ(readFile(dir.prefix() + "0.rcd"),
              kRecordHead + "\r\n0.01000,9.438482,1.0274,0.2253985,3.305845e-003, ");  // replaced whole
}

TEST(FlightDownload, ARecordFileThatCannotBeWrittenWholeFailsTheDownload) {
    TempDir dir;
    // The second flight's file is the full device: it opens, but nothing written reaches it.
    std::filesystem::create_symlink("/dev/full", dir.prefix() + "1.rcd");
    fcsim::FlightComputer fc({sampleFlight(1), sampleFlight(1), sampleFlight(1)});
    MemoryLink link(device(fc));
    FlightDownload run(link, dir.prefix());
    const UploadResult r = run.run();
    EXPECT_EQ(r.status, UploadStatus::FileError);
    EXPECT_EQ(r.flights, 1);  // only the flight written whole
}

TEST(FlightDownload, HangUpAndCancelAreFailuresThatKeepEarlierFiles) {
    const std::string complete = kRecordHead + "\r\n0.01000,9.438482,1.0274,0.2253985,3.305845e-003, ";
    struct Case {
        const char* name;
        size_t afterUnits;  // units the device sends before it hangs up or the user cancels (8 a flight)
        bool cancel;
        UploadStatus status;
        int flights;
        bool partial;
    } cases[] = {
        {"hang-up after the opening exchange", 0, false, UploadStatus::HungUp, 0, false},
        {"hang-up between flights", 8, false, UploadStatus::HungUp, 1, false},
        {"hang-up inside a flight", 10, false, UploadStatus::HungUp, 1, true},
        {"cancel inside a flight", 10, true, UploadStatus::Cancelled, 1, true},
        {"cancel between flights", 8, true, UploadStatus::Cancelled, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        // An earlier complete download: its files must not end up holding part of a flight.
        writeFile(dir.prefix() + "0.rcd", "earlier flight 0");
        writeFile(dir.prefix() + "1.rcd", "earlier flight 1");
        fcsim::FlightComputer fc({sampleFlight(1), sampleFlight(1), sampleFlight(1)});
        size_t units = 0;
        MemoryLink* line = nullptr;
        MemoryLink link([&](uint8_t byte) -> Bytes {
            Bytes reply = fc.receive(byte);
            if (byte != kCarriageReturn || ++units <= c.afterUnits) return reply;
            if (c.cancel)
                cancelRequest() = true;
            else
                line->hangUp();
            return c.cancel ? reply : Bytes{};
        });
        line = &link;
        const Download d = download(link, dir);
        cancelRequest() = false;
        EXPECT_EQ(d.result.status, c.status);
        EXPECT_EQ(d.result.flights, c.flights);
        EXPECT_EQ(readFile(dir.prefix() + "0.rcd"), c.flights > 0 ? complete : "earlier flight 0");
        EXPECT_EQ(readFile(dir.prefix() + "1.rcd"), "earlier flight 1");
        EXPECT_EQ(std::filesystem::exists(dir.prefix() + "1-partial.rcd"), c.partial);
    }
}

TEST(FlightDownload, APartialFileLeftByAnEarlierDownloadIsReplacedNotFollowed) {
    TempDir dir;
    const std::string target = dir.file("precious.txt");
    writeFile(target, "not a flight");
    std::filesystem::create_symlink(target, dir.prefix() + "0-partial.rcd");
    fcsim::FlightComputer fc({sampleFlight(1)});
    MemoryLink link(device(fc));
    const Download d = download(link, dir);
    EXPECT_EQ(d.result.status, UploadStatus::Complete);
    EXPECT_EQ(readFile(target), "not a flight");
    EXPECT_FALSE(std::filesystem::exists(dir.prefix() + "0-partial.rcd"));
    ASSERT_EQ(d.files.size(), 1u);
}

TEST(SerialPort, PortNamesOnLinux) {
    using Paths = std::vector<std::string>;
    EXPECT_EQ(candidatePaths("COM1"), Paths{"/dev/ttyS0"});
    EXPECT_EQ(candidatePaths("COM12"), Paths{"/dev/ttyS11"});
    EXPECT_EQ(candidatePaths("/dev/pts/3"), Paths{"/dev/pts/3"});
    EXPECT_EQ(candidatePaths("ttyUSB0"), (Paths{"/dev/ttyUSB0", "ttyUSB0"}));  // a terminal in /dev first
    EXPECT_EQ(candidatePaths("COM0"), (Paths{"/dev/COM0", "COM0"}));  // no such COM port: just a name
}
