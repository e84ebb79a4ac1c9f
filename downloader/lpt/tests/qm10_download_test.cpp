// Whole downloads and chip commands against the simulated QM-10.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "simulated_rig.h"

using vx::lpt::ChipState;
using vx::lpt::HeaderBlock;
using vx::lpt::SimulatedFaults;

namespace {

std::string program(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131 + i / 256) & 0xFF);
    return bytes;
}

std::string eepromText(SimulatedRig& rig, size_t from, size_t count) {
    const auto& eeprom = rig.chip().eeprom();
    return {eeprom.begin() + static_cast<ptrdiff_t>(from),
            eeprom.begin() + static_cast<ptrdiff_t>(from + count)};
}

bool internalErased(SimulatedRig& rig) {
    const auto& memory = rig.chip().internalMemory();
    return std::all_of(memory.begin(), memory.end(), [](uint8_t b) { return b == 0xFF; });
}

// Every byte different, so each configuration address shows which one it took.
HeaderBlock numberedHeader() {
    HeaderBlock header{};
    for (size_t i = 0; i < header.size(); ++i) header[i] = static_cast<uint8_t>(i * 8 + 1);
    return header;
}

}  // namespace

TEST(Qm10Download, ThirtyThreeBytesWriteTwoPagesThePaddedOneEndingInSpaces) {
    SimulatedRig rig;
    const std::string file = program(33);
    HeaderBlock header{};
    const auto result = rig.programmer.Download(file, header);

    EXPECT_TRUE(result.verified);
    EXPECT_EQ(rig.chip().committedPages(), 2);
    EXPECT_EQ(eepromText(rig, 0, 33), file);
    EXPECT_EQ(eepromText(rig, 33, 31), std::string(31, ' '));
    EXPECT_EQ(rig.chip().eeprom()[64], 0xFF);
    EXPECT_EQ(rig.progress, (std::vector<int>{1, 33, 0}));
    EXPECT_EQ(rig.status, "Locked, Status: 0C\r\n\r\nFinished Downloading");
    EXPECT_TRUE(rig.messages.empty());
    EXPECT_EQ(rig.chip().chipState(), ChipState::Reset);
}

TEST(Qm10Download, SeveralKilobytesLandLockedWithTheConfigurationBlock) {
    SimulatedRig rig;
    const std::string file = program(5000);
    HeaderBlock header = numberedHeader();
    const auto result = rig.programmer.Download(file, header);

    EXPECT_TRUE(result.verified && result.locked && result.setupOk);
    EXPECT_EQ(eepromText(rig, 0, file.size()), file);
    EXPECT_EQ(rig.chip().eepromStatus(), 0x0C);
    EXPECT_EQ(header[6], 0x35);  // H6 keeps the bit the chip gets

    const auto& internal = rig.chip().internalMemory();
    // H7, H6 | 4, 0, H5, H4, 0, H3, H2, 0, H1, H0, H9, H10, H11, H14, then zeros
    const std::vector<uint8_t> expected = {0x39, 0x35, 0,    0x29, 0x21, 0, 0x19, 0x11, 0, 0x09,
                                           0x01, 0x49, 0x51, 0x59, 0x71, 0, 0,    0,    0};
    EXPECT_EQ(std::vector<uint8_t>(internal.begin(), internal.begin() + 19), expected);
    EXPECT_TRUE(std::all_of(internal.begin() + 19, internal.begin() + 31, [](uint8_t b) {
        return b == 0xFF;
    })) << "addresses 19 to 30 are not written";
    EXPECT_EQ(internal[31], 0xFF);
    EXPECT_EQ(rig.chip().chipState(), ChipState::Reset);

    // A locked array keeps its program against a second download.
    SimulatedRig& again = rig;
    again.messages.clear();
    const std::string other(64, 'x');
    EXPECT_TRUE(again.programmer.Download(other, header).verified) << "the download unlocks first";
    EXPECT_EQ(eepromText(again, 0, 64), other);
}

TEST(Qm10Download, EachFaultIsToldOnceAndTheLockAndSetupRunOn) {
    struct Case {
        const char* name;
        SimulatedFaults faults;
        std::vector<std::string> messages;
        bool configured;
        size_t committedPages;
    };
    SimulatedFaults badPage;
    badPage.badPage = 32;
    SimulatedFaults badSetup;
    badSetup.badSetup = true;
    SimulatedFaults busy;
    busy.eepromStaysBusy = true;
    const Case cases[] = {
        {"bad page", badPage, {"Bad verify at 32"}, true, 2},
        {"bad setup", badSetup, {"Setup returned invalid data: 255"}, false, 4},
        // The unlock's busy wait times out, and so does the lock's: one fault, one box.
        {"busy", busy, {"SPI EEPROM not ready"}, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimulatedRig rig(c.faults);
        HeaderBlock header = numberedHeader();
        const auto result = rig.programmer.Download(program(128), header);
        std::vector<std::string> texts;
        for (const auto& message : rig.messages) texts.push_back(message.text);
        EXPECT_EQ(texts, c.messages);
        EXPECT_EQ(rig.chip().committedPages(), static_cast<int>(c.committedPages));
        EXPECT_EQ(!internalErased(rig), c.configured);
        // The caller ends the chip status window with the failure.
        EXPECT_EQ(result.failure, c.messages[0]);
        EXPECT_EQ(rig.status.find("Finished Downloading"), std::string::npos);
        EXPECT_EQ(rig.progress.back(), 0);
    }
}

TEST(Qm10Download, BusyEepromTimesOutAfterOneSecondWithTheEepromErrorBox) {
    SimulatedFaults busy;
    busy.eepromStaysBusy = true;
    SimulatedRig rig(busy);
    vx::lpt::PortSession session(*rig.port);
    ASSERT_TRUE(session.open());
    const int64_t start = rig.nowMs;
    EXPECT_FALSE(rig.programmer.EepromUnlock());
    EXPECT_NEAR(static_cast<double>(rig.nowMs - start), 1000, 2);
    ASSERT_EQ(rig.messages.size(), 1u);
    EXPECT_EQ(rig.messages[0].text, "SPI EEPROM not ready");
    EXPECT_EQ(rig.messages[0].title, "EEPROM ERROR");
    EXPECT_TRUE(rig.messages[0].exclamation);
}

TEST(Qm10Download, RefusesWhatItCannotDoWithoutTouchingTheChip) {
    {
        SCOPED_TRACE("longer than the 16-bit address space");
        SimulatedRig rig;
        HeaderBlock header{};
        EXPECT_FALSE(rig.programmer.Download(std::string(65537, 'a'), header).started);
        EXPECT_EQ(rig.chip().committedPages(), 0);
        ASSERT_EQ(rig.messages.size(), 1u);
        EXPECT_EQ(rig.messages[0].title, "File ERROR!");
    }
    {
        SCOPED_TRACE("no port address stored");
        SimulatedRig rig;
        rig.port->OpenLPTfile("LPT1:", "0", 0);
        HeaderBlock header{};
        EXPECT_FALSE(rig.programmer.Download("abc", header).started);
        EXPECT_FALSE(rig.programmer.RunChip());
        EXPECT_EQ(rig.messages.size(), 2u);
        EXPECT_EQ(rig.chip().readData(), 0x00) << "nothing written";
    }
    {
        SCOPED_TRACE("a command started while another holds the port");
        SimulatedRig rig;
        vx::lpt::PortSession outer(*rig.port);
        EXPECT_FALSE(rig.programmer.StopChip());
        ASSERT_EQ(rig.messages.size(), 1u);
        EXPECT_EQ(rig.messages[0].text, "The parallel port is busy with another command.");
    }
}

TEST(Qm10ChipCommands, WriteTheWholePortStates) {
    struct Case {
        bool (vx::lpt::Qm10Programmer::*command)();
        ChipState state;
        uint8_t data;
        uint8_t control;
    };
    const Case cases[] = {{&vx::lpt::Qm10Programmer::StopChip, ChipState::Stop, 0x00, 0x0B},
                          {&vx::lpt::Qm10Programmer::RunChip, ChipState::Run, 0x9F, 0x04},
                          {&vx::lpt::Qm10Programmer::ResetChip, ChipState::Reset, 0x8F, 0x04}};
    SimulatedRig rig;
    for (const Case& c : cases) {
        EXPECT_TRUE((rig.programmer.*c.command)());
        EXPECT_EQ(rig.chip().chipState(), c.state);
        EXPECT_EQ(rig.chip().readData(), c.data);
        EXPECT_EQ(rig.chip().readControl(), c.control);
        EXPECT_EQ(rig.port->shadow(), c.data);
    }
    EXPECT_TRUE(rig.messages.empty());
}
