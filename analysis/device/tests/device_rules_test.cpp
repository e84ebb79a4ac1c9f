// Input checks, list encodings, message texts and the run-time binding.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "declares.h"
#include "device_operations.h"
#include "test_support.h"

namespace tarvel::device {
namespace {

TEST(DeviceRules, RangeChecksAtTheirBounds) {
    struct Case {
        const char* text;
        const NumberRange* range;
        bool accepted;
    };
    const Case cases[] = {
        {"0.0", &kStageDelayRange, true},
        {"0", &kStageDelayRange, true},
        {"30", &kStageDelayRange, true},
        {"30.0", &kStageDelayRange, true},
        {"1.50", &kStageDelayRange, true},
        {".5", &kStageDelayRange, true},
        {"30.01", &kStageDelayRange, false},
        {"-0.1", &kStageDelayRange, false},
        {"", &kStageDelayRange, false},
        {"abc", &kStageDelayRange, false},
        {"1.5s", &kStageDelayRange, false},
        {"nan", &kStageDelayRange, false},
        {"200", &kMainAltitudeRange, true},
        {"3000", &kMainAltitudeRange, true},
        {"199", &kMainAltitudeRange, false},
        {"3001", &kMainAltitudeRange, false},
        {"inf", &kMainAltitudeRange, false},
        // Only plain decimals travel: what the flight computer would refuse or misread is refused here.
        {" 5 ", &kStageDelayRange, false},
        {"\t5", &kStageDelayRange, false},
        {"+5", &kStageDelayRange, false},
        {"-0", &kStageDelayRange, false},
        {"1e1", &kStageDelayRange, false},
        {"1.2.3", &kStageDelayRange, false},
        {".", &kStageDelayRange, false},
        {"0x10", &kStageDelayRange, false},
        {"2E2", &kMainAltitudeRange, false},
        {"1,5", &kStageDelayRange, false},
        {"5.", &kStageDelayRange, true},
        {"0250", &kMainAltitudeRange, true},
        // In range, but longer than one command carries.
        {"0000000000000000600", &kMainAltitudeRange, false},
        {"000000000000000600", &kMainAltitudeRange, true},
    };
    for (const Case& c : cases) EXPECT_EQ(!checkRange(c.text, *c.range), c.accepted) << '"' << c.text << '"';
}

TEST(DeviceRules, RefusalMessagesNameTheTextAndTheRange) {
    EXPECT_EQ(checkRange("30.01", kStageDelayRange).value(),
              "Invalid Stage Delay: 30.01\r\nRange: 0.0 to 30.0");
    EXPECT_EQ(checkRange("3001", kMainAltitudeRange).value(),
              "Invalid Main Altitude: 3001\r\nRange: 200 to 3000");
}

TEST(DeviceRules, ListsTravelAsDigits) {
    EXPECT_EQ(encodeChoice("Launch", kStageLaunch), "0");
    EXPECT_EQ(encodeChoice("Motor Burnout", kStageLaunch), "1");
    EXPECT_EQ(encodeChoice("LED", kOutputLed), "0");
    EXPECT_EQ(encodeChoice("Buzzer", kOutputLed), "1");
    // Any reply with a "0" means the first item; anything else, silence included, the second.
    for (auto [reply, shown] : {std::pair{"0", "Launch"},
                                {"x0y", "Launch"},
                                {"1", "Motor Burnout"},
                                {"", "Motor Burnout"},
                                {"?", "Motor Burnout"}})
        EXPECT_EQ(decodeChoice(reply, kStageLaunch, kStageBurnout), shown) << reply;
}

TEST(DeviceRules, MessagesAndFileNames) {
    EXPECT_EQ(uploadedFilesMessage(2),
              "Uploaded files: 2\r\nOpen downloaded file(s) by clicking on the File->Open menu.");
    // What a finished download says: exactly the files it wrote, the older ones apart, and what went wrong.
    DownloadOutcome stopped;
    stopped.port = "COM3";
    stopped.portOpened = true;
    stopped.count = 1;
    stopped.stopped = true;
    stopped.written = {"tmprecord0.rcd"};
    stopped.partialFile = "tmprecord1-partial.rcd";
    stopped.olderFiles = {"tmprecord1.rcd", "tmprecord2.rcd"};
    EXPECT_EQ(uploadedFilesMessage(stopped),
              "Uploaded files: 1\r\nOpen downloaded file(s) by clicking on the File->Open menu.\r\n\r\n"
              "Written by this download:\r\n    tmprecord0.rcd\r\n"
              "Older files, not from this download:\r\n    tmprecord1.rcd\r\n    tmprecord2.rcd\r\n\r\n"
              "The download was stopped before its end: the flight computer may hold more flights.\r\n"
              "tmprecord1-partial.rcd holds only part of a flight.");
    DownloadOutcome silent;
    silent.port = "COM3";
    silent.portOpened = true;
    EXPECT_EQ(incompleteDownloadText(silent), "The flight computer on COM3 did not answer.");
    EXPECT_EQ(portFailureMessage("COM3"), "Unable to open communtications port COM3");
}

TEST(DeviceRules, DownloadProgressText) {
    EXPECT_EQ(downloadProgressText({2, 4}),
              "Downloading the flights from the flight computer...\r\nFlights: 2\r\nSamples: 4");
}

TEST(DeclaresBinding, NamesWhatIsMissing) {
    Declares absent("libfltport_absent.so", executableDirectory());
    BindResult none = absent.bind(kDownloadEntries);
    EXPECT_FALSE(none);
    EXPECT_NE(none.error.find("libfltport_absent.so"), std::string::npos) << none.error;

    // A library with only the port functions serves the port but names the entries it lacks.
    Declares partial(TARVEL_PARTIAL_LIBRARY, executableDirectory());
    EXPECT_TRUE(partial.bind({FltportEntry::InitComport, FltportEntry::CloseComport}));
    BindResult lacking = partial.bind(kConfigEntries);
    EXPECT_FALSE(lacking);
    EXPECT_NE(lacking.error.find("ReadConfigCommand, WriteConfigCommand"), std::string::npos)
        << lacking.error;
}

TEST(DeclaresBinding, FindsTheLibraryBesideTheProgram) {
    Declares declares(defaultLibraryFileName(), executableDirectory());
    BindResult all = declares.bind({FltportEntry::InitComport, FltportEntry::CloseComport,
                                    FltportEntry::ReadConfigCommand, FltportEntry::WriteConfigCommand,
                                    FltportEntry::StartUpload, FltportEntry::ConvertAcceltoVel,
                                    FltportEntry::ConvertVeltoDist, FltportEntry::ConvertVelAcceltoHP});
    ASSERT_TRUE(all) << all.error;
    EXPECT_EQ(declares.loadedFrom(), (executableDirectory() / defaultLibraryFileName()).string());
    // A port that does not exist fails to open; closing afterwards still succeeds.
    EXPECT_EQ(all.api->InitComport("/dev/tarvel-no-such-port"), 0);
    EXPECT_EQ(all.api->CloseComport(), 1);
}

}  // namespace
}  // namespace tarvel::device
