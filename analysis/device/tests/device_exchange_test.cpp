// The exchanges against the simulated flight computer over pseudo-terminals,
// through the serial-link library bound as the program binds it.

#include <gtest/gtest.h>

#include <filesystem>
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
    Status opened = analysis->openRecordFile(file);
    EXPECT_TRUE(opened.ok) << file << ": " << opened.message;
    return analysis->samples.SampleCount;
}

TEST_F(DeviceExchange, DownloadsEveryFlightAndASecondDownloadOverwritesFromZero) {
    {
        PtyPeer peer({smallFlight(5, 1), smallFlight(8, 2), smallFlight(12, 3)});
        DownloadOutcome outcome = downloadFlights(api, peer.path());
        EXPECT_TRUE(outcome.portOpened);
        EXPECT_EQ(outcome.count, 3);
        int expected[] = {5, 8, 12};
        for (int i = 0; i < 3; ++i) EXPECT_EQ(samplesIn("tmprecord" + std::to_string(i) + ".rcd"), expected[i]);
    }
    {
        PtyPeer peer({smallFlight(7, 4)});
        DownloadOutcome outcome = downloadFlights(api, peer.path());
        EXPECT_EQ(outcome.count, 1);
        EXPECT_EQ(samplesIn("tmprecord0.rcd"), 7);
        // Files of the earlier, longer download stay.
        EXPECT_EQ(samplesIn("tmprecord1.rcd"), 8);
        EXPECT_EQ(samplesIn("tmprecord2.rcd"), 12);
    }
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
    EXPECT_EQ(fireOutput(api, testing::kMissingPort, 1), FireOutcome::PortFailed);
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
    EXPECT_EQ(fireOutput(api, peer.path(), 2), FireOutcome::Acknowledged);
    EXPECT_EQ(peer.takeReceived(), "w2\r");
    EXPECT_EQ(peer.fireCounts(), (std::array<int, 3>{0, 1, 0}));

    std::array<bool, 3> closed{};
    ASSERT_TRUE(readContinuity(api, peer.path(), closed, record));
    EXPECT_EQ(peer.takeReceived(), "r1\rr2\rr3\r");
    EXPECT_EQ(closed, (std::array<bool, 3>{true, false, true}));
    EXPECT_EQ(progress, (std::vector<int>{25, 50, 75, 90, 100, 0}));
}

TEST_F(DeviceExchange, ASilentFlightComputerLeavesNothingAcknowledged) {
    fcsim::FaultModes silent;
    silent.silent = true;
    PtyPeer peer({}, silent);
    EXPECT_EQ(fireOutput(api, peer.path(), 1), FireOutcome::NotAcknowledged);
    std::array<bool, 3> closed{};
    ASSERT_TRUE(readContinuity(api, peer.path(), closed));
    EXPECT_EQ(closed, (std::array<bool, 3>{false, false, false}));
    DownloadOutcome download = downloadFlights(api, peer.path());
    EXPECT_EQ(download.count, 0);
    EXPECT_FALSE(download.complete());
    EXPECT_NE(uploadedFilesMessage(download.count, download.complete()).find(kIncompleteDownload), std::string::npos);
}

}  // namespace
}  // namespace tarvel::device
