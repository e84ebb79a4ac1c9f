// The exchanges against the simulated flight computer over pseudo-terminals,
// through the serial-link library bound as the program binds it.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "device_operations.h"
#include "flight_analysis.h"
#include "pty_peer.h"
#include "test_support.h"

namespace tarvel::device {
namespace {

using testing::PtyPeer;
using testing::smallFlight;

class DeviceExchange : public ::testing::Test {
protected:
    testing::ScratchDirectory scratch;
    const FltportApi& api = testing::boundApi();
    std::vector<int> progress;
    ProgressFn record = [this](int value) { progress.push_back(value); };
};

int samplesIn(const std::string& file) {
    auto analysis = std::make_unique<FlightAnalysis>();
    bool opened = false;  // a flight this short opens, with a note that it has no figures
    const Status status = analysis->openRecordFile(file, &opened);
    EXPECT_TRUE(opened) << file << ": " << status.message;
    return analysis->samples.SampleCount;
}

TEST_F(DeviceExchange, DownloadsEveryFlightAndASecondDownloadOverwritesFromZero) {
    {
        PtyPeer peer({smallFlight(5, 1), smallFlight(8, 2), smallFlight(12, 3)});
        DownloadOutcome outcome = downloadFlights(api, peer.path());
        EXPECT_TRUE(outcome.portOpened);
        EXPECT_EQ(outcome.count, 3);
        int expected[] = {5, 8, 12};
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(samplesIn("tmprecord" + std::to_string(i) + ".rcd"), expected[i]);
    }
    PtyPeer peer({smallFlight(7, 4)});
    {
        // Without the user's agreement nothing is replaced: the flight stays aside, and says where.
        DownloadOutcome outcome = downloadFlights(api, peer.path());
        EXPECT_EQ(outcome.count, 1);
        EXPECT_FALSE(outcome.complete());
        EXPECT_TRUE(outcome.written.empty());
        EXPECT_EQ(samplesIn("tmprecord0.rcd"), 5);
        ASSERT_EQ(outcome.keptAside.size(), 1u);
        const std::string kept = outcome.keptAside[0];
        EXPECT_EQ(kept.find("tmprecord0.rcd exists and was not replaced: this download's file is kept as "),
                  0u)
            << kept;
        EXPECT_EQ(samplesIn(kept.substr(kept.rfind(' ') + 1)), 7);
    }
    {
        DownloadOutcome outcome = downloadFlights(api, peer.path(), {"tmprecord", true});
        EXPECT_TRUE(outcome.complete());
        EXPECT_EQ(outcome.written, std::vector<std::string>{"tmprecord0.rcd"});
        EXPECT_EQ(samplesIn("tmprecord0.rcd"), 7);
        // Files of the earlier, longer download stay, and are named as older.
        EXPECT_EQ(outcome.olderFiles, (std::vector<std::string>{"tmprecord1.rcd", "tmprecord2.rcd"}));
        EXPECT_EQ(samplesIn("tmprecord1.rcd"), 8);
        EXPECT_EQ(samplesIn("tmprecord2.rcd"), 12);
    }
}

TEST_F(DeviceExchange, EvenAnAgreedReplaceNeverTakesTheNameOfALink) {
    std::ofstream("elsewhere.txt") << "not a flight";
    std::filesystem::create_symlink("elsewhere.txt", "tmprecord0.rcd");
    PtyPeer peer({smallFlight(5, 1)});
    DownloadOutcome outcome = downloadFlights(api, peer.path(), {"tmprecord", true});
    EXPECT_FALSE(outcome.complete());
    EXPECT_TRUE(outcome.written.empty());
    ASSERT_EQ(outcome.keptAside.size(), 1u);
    EXPECT_EQ(outcome.keptAside[0].find("tmprecord0.rcd is not a regular file"), 0u) << outcome.keptAside[0];
    EXPECT_TRUE(std::filesystem::is_symlink("tmprecord0.rcd"));
    std::ifstream target("elsewhere.txt");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(target), {}), "not a flight");
}

TEST_F(DeviceExchange, NoFlightsStoredWritesNoFile) {
    PtyPeer peer;
    DownloadOutcome outcome = downloadFlights(api, peer.path());
    EXPECT_TRUE(outcome.portOpened);
    EXPECT_EQ(outcome.count, 0);
    EXPECT_TRUE(std::filesystem::is_empty(scratch.path()));
}

TEST_F(DeviceExchange, APortThatDoesNotExistFailsEveryOperation) {
    AltimeterSettings settings, initial;
    std::array<bool, 3> closed{true, true, true};
    EXPECT_FALSE(downloadFlights(api, testing::kMissingPort).portOpened);
    EXPECT_FALSE(readConfig(api, testing::kMissingPort, settings, record));
    EXPECT_FALSE(writeConfig(api, testing::kMissingPort, settings, {}, record));
    EXPECT_EQ(fireOutput(api, testing::kMissingPort, 1).status, DeviceStatus::PortFailed);
    EXPECT_FALSE(readContinuity(api, testing::kMissingPort, closed, record));
    EXPECT_EQ(progress, (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(settings.stageDelay, initial.stageDelay);
    EXPECT_EQ(closed, (std::array<bool, 3>{false, false, false}));
    EXPECT_TRUE(std::filesystem::is_empty(scratch.path()));
}

TEST_F(DeviceExchange, ReadAndWriteConfigInTheirOrder) {
    PtyPeer peer;
    peer.setSetting('g', "1");
    peer.setSetting('t', "2.5");
    peer.setSetting('m', "750");
    peer.setSetting('z', "0");

    AltimeterSettings settings;
    ASSERT_TRUE(readConfig(api, peer.path(), settings, record));
    EXPECT_EQ(peer.takeReceived(), "rg\rrv\rrt\rrm\rrz\r");
    EXPECT_EQ(progress, (std::vector<int>{10, 20, 35, 50, 65, 80, 100, 0}));
    EXPECT_EQ(settings.stageDetect, "Motor Burnout");
    EXPECT_EQ(settings.version, fcsim::FlightComputer::kVersion);
    EXPECT_EQ(settings.stageDelay, "2.5");
    EXPECT_EQ(settings.mainAltitude, "750");
    EXPECT_EQ(settings.output, "LED");

    progress.clear();
    settings.stageDetect = "Launch";
    settings.stageDelay = "1.50";  // travels as typed
    settings.mainAltitude = "3000";
    settings.output = "Buzzer";
    ASSERT_TRUE(writeConfig(api, peer.path(), settings, {}, record));
    EXPECT_EQ(peer.takeReceived(), "wg0\rrg\rwt1.50\rrt\rwm3000\rrm\rwz1\rrz\r");
    EXPECT_EQ(progress, (std::vector<int>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 0}));
    EXPECT_EQ(peer.setting('t'), "1.50");
    EXPECT_EQ(settings.stageDetect, "Launch");
    EXPECT_EQ(settings.stageDelay, "1.50");
    EXPECT_EQ(settings.mainAltitude, "3000");
    EXPECT_EQ(settings.output, "Buzzer");
}

TEST_F(DeviceExchange, FireAndContinuity) {
    PtyPeer peer;
    peer.setContinuity({true, false, true});
    EXPECT_TRUE(fireOutput(api, peer.path(), 2));
    EXPECT_EQ(peer.takeReceived(), "w2\r");
    EXPECT_EQ(peer.fireCounts(), (std::array<int, 3>{0, 1, 0}));

    std::array<bool, 3> closed{};
    ASSERT_TRUE(readContinuity(api, peer.path(), closed, record));
    EXPECT_EQ(peer.takeReceived(), "r1\rr2\rr3\r");
    EXPECT_EQ(closed, (std::array<bool, 3>{true, false, true}));
    EXPECT_EQ(progress, (std::vector<int>{25, 50, 75, 90, 100, 0}));
}

TEST_F(DeviceExchange, ASilentFlightComputerIsNotAnsweringNeverDefaultsOrOpenOutputs) {
    fcsim::FaultModes silent;
    silent.silent = true;
    PtyPeer peer({}, silent);
    const std::string notAnswering = "The flight computer on " + peer.path() + " is not answering.";

    AltimeterSettings settings, shown;
    settings.stageDelay = shown.stageDelay = "7.5";  // what the window shows before
    DeviceOutcome read = readConfig(api, peer.path(), settings, record);
    EXPECT_EQ(read.status, DeviceStatus::NotAnswering);
    EXPECT_EQ(read.message, notAnswering);
    EXPECT_EQ(peer.takeReceived(), "rg\r");  // given up at the first silence
    EXPECT_EQ(progress, (std::vector<int>{10, 0}));
    EXPECT_EQ(settings.stageDetect, shown.stageDetect);
    EXPECT_EQ(settings.stageDelay, "7.5");

    EXPECT_EQ(writeConfig(api, peer.path(), settings).status, DeviceStatus::NotAnswering);
    EXPECT_EQ(fireOutput(api, peer.path(), 1).status, DeviceStatus::NotAnswering);
    std::array<bool, 3> closed{};
    EXPECT_EQ(readContinuity(api, peer.path(), closed).message, notAnswering);

    DownloadOutcome download = downloadFlights(api, peer.path());
    EXPECT_EQ(download.count, 0);
    EXPECT_FALSE(download.complete());
    EXPECT_TRUE(download.partialFile.empty());
    EXPECT_NE(
        uploadedFilesMessage(download).find("The flight computer on " + peer.path() + " did not answer."),
        std::string::npos);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), {}), 0);  // nothing left behind
}

TEST_F(DeviceExchange, AWriteNotTakenIsRefusedAndShowsWhatTheDeviceHolds) {
    struct Case {
        const char* name;
        fcsim::FaultModes faults;
        std::string message;
    };
    fcsim::FaultModes refuse, forget;
    refuse.refuseWrites = true;
    forget.forgetWrites = true;
    const Case cases[] = {
        {"refused", refuse, "The flight computer refused the setting Stage Delay: 12.5"},
        {"acknowledged, not kept", forget,
         "The flight computer did not keep the setting Stage Delay: 12.5\r\nIt reads back: 0.0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PtyPeer peer({}, c.faults);
        AltimeterSettings settings;
        settings.stageDelay = "12.5";
        progress.clear();
        DeviceOutcome written = writeConfig(api, peer.path(), settings, {false, true, true, false}, record);
        EXPECT_EQ(written.status, DeviceStatus::Refused);
        EXPECT_EQ(written.message, c.message);
        EXPECT_EQ(settings.stageDelay, "0.0");           // the read-back, not the text sent
        EXPECT_EQ(peer.takeReceived(), "wt12.5\rrt\r");  // nothing after the first refusal
        EXPECT_EQ(progress, (std::vector<int>{30, 40, 0}));
    }

    // Numbers are held by value: 600.0 read back as 600 was kept.
    PtyPeer holding600({}, forget);
    AltimeterSettings settings;
    settings.mainAltitude = "600.0";
    EXPECT_TRUE(writeConfig(api, holding600.path(), settings, {false, false, true, false}));
    EXPECT_EQ(settings.mainAltitude, "600");

    PtyPeer refusing({}, refuse);
    DeviceOutcome fired = fireOutput(api, refusing.path(), 3);
    EXPECT_EQ(fired.status, DeviceStatus::Refused);
    EXPECT_EQ(fired.message, "Output 3: the flight computer did not acknowledge the fire command");
    EXPECT_EQ(refusing.fireCounts(), (std::array<int, 3>{0, 0, 0}));
}

}  // namespace
}  // namespace tarvel::device
