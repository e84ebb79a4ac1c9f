// The chip link in memory: against the QM-40 model and against scripted
// replies for the failures the model does not make on its own.

#include <gtest/gtest.h>

#include <numeric>

#include "link_test_support.h"
#include "qm40.h"
#include "qm40_protocol.h"

using vx::Bytes;
using vxtest::LinkRig;

namespace {

// A rig whose peer is the chip model.
struct ChipRig : LinkRig {
    explicit ChipRig(qm40sim::Faults faults = {}) : chip(faults) {
        line.setPeer([this](uint8_t byte) { return chip.receive(byte); });
        open();
    }
    void halt() {
        int32_t status = 0;
        link.HaltVelmix(status);
        ASSERT_EQ(status, vx::kStatusOk);
        line.sent.clear();
        texts.clear();
    }
    qm40sim::Qm40 chip;
};

Bytes pattern(size_t size, uint8_t seed) {
    Bytes bytes(size);
    for (size_t k = 0; k < size; ++k) bytes[k] = static_cast<uint8_t>(seed + k * 7 + (k >> 8));
    return bytes;
}

// --- halt and run control ---

TEST(Halt, AcceptsOnlyTheSingleAcknowledgeByte) {
    struct Case {
        const char* name;
        Bytes answer;  // to the second attention byte of every try
        int32_t status;
    };
    const Case cases[] = {
        {"exact", {0x6C}, vx::kStatusOk},
        {"doubled", {0x6C, 0x6C}, vx::kStatusNoCommunication},
        {"other byte", {0x6B}, vx::kStatusNoCommunication},
        {"nothing", {}, vx::kStatusNoCommunication},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int attention = 0;
        LinkRig rig([&](uint8_t byte) {
            // The first attention byte of a try may be answered; it is cleared.
            if (byte != 0x01) return Bytes{};
            return ++attention % 2 == 0 ? c.answer : Bytes{0x6C};
        });
        rig.open();
        int32_t status = 0;
        rig.link.HaltVelmix(status);
        EXPECT_EQ(status, c.status);
        EXPECT_TRUE(rig.link.Halted());
        if (c.status == vx::kStatusOk) {
            EXPECT_EQ(attention, 2);
            EXPECT_EQ(rig.texts.back(), "ACK Received0");
            EXPECT_EQ(rig.link.AckCount(), 1);
            EXPECT_EQ(rig.line.dtrPulses, 3);
        } else {
            EXPECT_EQ(attention, 8);  // four tries of two
            EXPECT_EQ(rig.line.dtrPulses, 12);
            EXPECT_TRUE(rig.saw("Retry 4"));
            EXPECT_EQ(rig.texts.back(), "No Communications");
            EXPECT_EQ(rig.link.LastErrorCode(), vx::kErrorNoCommunications);
        }
    }
}

TEST(Halt, FourthTrySucceedsAndLinkModeSkipsDtr) {
    int attention = 0;
    LinkRig rig([&](uint8_t byte) {
        if (byte != 0x01) return Bytes{};
        ++attention;
        return attention == 8 ? Bytes{0x6C} : Bytes{};
    });
    rig.open();
    rig.link.PCLink(true);
    int32_t status = 0;
    rig.link.HaltVelmix(status);
    EXPECT_EQ(status, vx::kStatusOk);
    EXPECT_TRUE(rig.saw("Retry 3"));
    EXPECT_FALSE(rig.saw("Retry 4"));
    EXPECT_EQ(rig.line.dtrPulses, 0);
}

TEST(RunControl, RefusesBeforeHaltThenRestartsAndRunsOn) {
    ChipRig rig;
    int32_t status = 0;
    rig.link.ResetVelmix(status);
    EXPECT_EQ(status, vx::kStatusNotHalted);
    rig.link.ContinueVelmix(status);
    EXPECT_EQ(status, vx::kStatusNotHalted);
    EXPECT_TRUE(rig.line.sent.empty());

    rig.halt();
    EXPECT_FALSE(rig.chip.running());
    rig.link.ResetVelmix(status);
    EXPECT_EQ(status, vx::kStatusOk);
    EXPECT_EQ(rig.line.sent, (Bytes{0x10, 0xD6, 0x00}));
    EXPECT_TRUE(rig.chip.running());
    EXPECT_EQ(rig.chip.restarts(), 1);
    EXPECT_FALSE(rig.link.Halted());

    rig.halt();
    rig.link.ContinueVelmix(status);
    EXPECT_EQ(status, vx::kStatusOk);
    EXPECT_EQ(rig.line.sent, (Bytes{0x10, 0x00}));
    EXPECT_TRUE(rig.chip.running());
    EXPECT_EQ(rig.chip.restarts(), 1);
}

TEST(RunControl, ChipStateFollowsWhatTheChipConfirmed) {
    bool answering = true;
    LinkRig rig([&](uint8_t byte) { return answering && byte == 0x01 ? Bytes{0x6C} : Bytes{}; });
    rig.open();
    int32_t status = 0;
    EXPECT_EQ(rig.link.chipState(), vx::ChipState::Unknown);
    rig.link.HaltVelmix(status);
    EXPECT_EQ(rig.link.chipState(), vx::ChipState::Halted);
    rig.link.ResetVelmix(status);
    EXPECT_EQ(rig.link.chipState(), vx::ChipState::Running);

    // The chip stops answering: in a halt, and in a transfer after a halt.
    answering = false;
    rig.link.HaltVelmix(status);
    EXPECT_EQ(status, vx::kStatusNoCommunication);
    EXPECT_TRUE(rig.link.Halted());  // the link's belief, unlike what is known
    EXPECT_EQ(rig.link.chipState(), vx::ChipState::Unknown);
    answering = true;
    rig.link.HaltVelmix(status);
    answering = false;
    const Bytes header(32, 0x11);
    rig.link.WriteInternalEEprom(0, 32, header, status);
    EXPECT_EQ(status, vx::kStatusNoCommunication);
    EXPECT_EQ(rig.link.chipState(), vx::ChipState::Unknown);
}

TEST(RunControl, RescueTogglesDtrForTenSecondsAndTellsTheUser) {
    LinkRig rig;
    rig.open();
    int32_t status = 0;
    rig.link.Rescue(status);
    EXPECT_EQ(status, vx::kStatusOk);
    EXPECT_EQ(rig.chipWindow,
              (std::vector<std::string>{"Press & release hardware reset button then wait 10 seconds",
                                        "**Download Program Now**"}));
    EXPECT_EQ(rig.line.dtrPulses, 1250);  // 8 ms a pulse
    EXPECT_GE(rig.clock->now, 10000);
}

TEST(Port, StatusOfOpenAndCloseAndOperationsOnAClosedPort) {
    LinkRig rig;
    int32_t status = 0;
    rig.link.setCommPort(3);
    rig.line.failOpen = true;
    rig.link.OpenPort(true, status);
    EXPECT_EQ(status, vx::kStatusOpenFailed);
    rig.line.failOpen = false;

    rig.link.HaltVelmix(status);
    EXPECT_EQ(status, vx::kStatusNoCommunication);
    rig.link.Rescue(status);
    EXPECT_EQ(status, vx::kStatusNoCommunication);

    rig.link.OpenPort(true, status);
    EXPECT_EQ(status, vx::kStatusOk);
    EXPECT_EQ(rig.line.openedDevice, "mem3");
    EXPECT_TRUE(rig.link.PortOpen());
    rig.line.failClose = true;
    rig.link.OpenPort(false, status);
    EXPECT_EQ(status, vx::kStatusCloseFailed);
    rig.line.failClose = false;
    rig.link.OpenPort(false, status);
    EXPECT_EQ(status, vx::kStatusOk);
    EXPECT_FALSE(rig.link.PortOpen());

    EXPECT_EQ(vx::defaultPortDevice(0), "");
#ifndef _WIN32
    EXPECT_EQ(vx::defaultPortDevice(1), "/dev/ttyS0");
    EXPECT_EQ(vx::defaultPortDevice(4), "/dev/ttyS3");
#endif
}

// --- checked blocks ---

TEST(CheckedBlocks, RamAndInternalEepromRoundTrip) {
    ChipRig rig;
    rig.halt();
    const Bytes data = pattern(300, 5);
    Bytes block(1000, 0);
    std::copy(data.begin(), data.end(), block.begin() + 600);

    rig.link.WriteRam(600, 300, block);
    int32_t status = 0;
    rig.link.WriteInternalEEprom(600, 300, block, status);
    EXPECT_EQ(status, vx::kStatusOk);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), rig.chip.ram().begin() + 600));
    EXPECT_TRUE(std::equal(data.begin(), data.end(), rig.chip.internalEeprom().begin() + 600));

    Bytes fromRam(1000, 0xAA), fromEeprom(1000, 0xAA);
    rig.line.sent.clear();
    rig.link.ReadRam(600, 300, fromRam);
    EXPECT_EQ(rig.line.sent, (Bytes{0x20, 300 & 0xFF, 300 >> 8, 600 & 0xFF, 600 >> 8}));
    rig.link.ReadInternalEEprom(600, 300, fromEeprom);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), fromRam.begin() + 600));
    EXPECT_TRUE(std::equal(data.begin(), data.end(), fromEeprom.begin() + 600));
    EXPECT_EQ(fromRam[599], 0xAA);
    EXPECT_EQ(fromEeprom[900 - 1], data.back());
    EXPECT_TRUE(rig.texts.empty());
}

TEST(CheckedBlocks, ReadGivesUpAfterFourFailuresAndLeavesTheArray) {
    // Each try of a 4-byte read is answered per the script: G good, C bad
    // checksum, T nothing (time-out).
    struct Case {
        const char* script;
        bool read;
    };
    const Case cases[] = {{"CCCC", false}, {"TTTT", false}, {"CTCT", false}, {"CCCG", true}, {"TG", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        const Bytes data{1, 2, 3, 4};
        int headerBytes = 0, tries = 0;
        LinkRig rig([&](uint8_t) {
            if (++headerBytes % 5 != 0) return Bytes{};
            const char kind = c.script[tries++];
            if (kind == 'T') return Bytes{};
            Bytes reply = data;
            reply.push_back(static_cast<uint8_t>(vx::qm40::checksumOf(data) + (kind == 'C')));
            return reply;
        });
        rig.open();
        Bytes block(10, 0xAA);
        rig.link.ReadRam(3, 4, block);
        EXPECT_EQ(tries, static_cast<int>(std::string(c.script).size()));
        if (c.read) {
            EXPECT_EQ(block, (Bytes{0xAA, 0xAA, 0xAA, 1, 2, 3, 4, 0xAA, 0xAA, 0xAA}));
            EXPECT_FALSE(rig.link.Halted());
        } else {
            EXPECT_EQ(block, Bytes(10, 0xAA));
            EXPECT_EQ(rig.texts.back(), "Bad Read");
            EXPECT_TRUE(rig.link.Halted());
            EXPECT_EQ(rig.saw("Checksum Bad"), std::string(c.script).find('C') != std::string::npos);
            EXPECT_EQ(rig.saw("String Mismatch"), std::string(c.script).find('T') != std::string::npos);
        }
    }
}

TEST(CheckedBlocks, ZeroLengthReadWaitsForOneZeroByte) {
    for (const uint8_t answer : {0x00, 0x01}) {
        SCOPED_TRACE(answer);
        int received = 0;
        LinkRig rig([&](uint8_t) { return ++received % 5 == 0 ? Bytes{answer} : Bytes{}; });
        rig.open();
        Bytes block(4, 0xAA);
        rig.link.ReadInternalEEprom(0, 0, block);
        EXPECT_EQ(block, Bytes(4, 0xAA));
        EXPECT_EQ(rig.line.sent.size(), answer == 0 ? 5u : 20u);
        EXPECT_EQ(rig.saw("Bad Read"), answer != 0);
    }
}

TEST(CheckedBlocks, WriteFailuresGiveTheirStatusAndRamWritesThrow) {
    struct Case {
        const char* name;
        qm40sim::Faults faults;
        int32_t status;
        const char* lastText;
    };
    qm40sim::Faults badSum, silent;
    badSum.badChecksum = true;
    silent.silentAfter = 2;  // answers the halt, then nothing
    const Case cases[] = {{"wrong checksum", badSum, vx::kStatusBadChecksum, "RAM Write Chksum Bad"},
                          {"silent", silent, vx::kStatusNoCommunication, "No Communications"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ChipRig rig(c.faults);
        rig.halt();
        const Bytes data = pattern(32, 1);
        int32_t status = 0;
        rig.link.WriteInternalEEprom(0, 32, data, status);
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(rig.texts.back(), c.lastText);
        EXPECT_TRUE(rig.link.Halted());
        try {
            rig.link.WriteRam(0, 32, data);
            ADD_FAILURE() << "no error raised";
        } catch (const vx::LinkError& error) {
            const int32_t code = c.status == vx::kStatusBadChecksum ? 4302 : 4301;
            EXPECT_EQ(error.code(), code);
            EXPECT_EQ(error.number(), 0x80040000u + code);
        }
    }
}

TEST(CheckedBlocks, EepromWriteWaitsForTheChecksumAfterTheLastAnswer) {
    // The checksum trails the answer to the last data byte on a real line.
    qm40sim::Qm40 chip;
    chip.receive(0x01);  // halted
    Bytes late;
    LinkRig rig;
    rig.line.setPeer([&](uint8_t byte) {
        Bytes reply = chip.receive(byte);
        if (reply.size() == 2) {
            late.assign(reply.begin() + 1, reply.end());
            reply.resize(1);
        }
        return reply;
    });
    rig.onWait = [&] {
        rig.line.inject(late);
        late.clear();
    };
    rig.open();
    const Bytes data = pattern(32, 9);
    int32_t status = 0;
    rig.link.WriteInternalEEprom(0, 32, data, status);
    EXPECT_EQ(status, vx::kStatusOk);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), chip.internalEeprom().begin()));
}

TEST(CheckedBlocks, RangesOutsideTheArrayAreRefusedUntouched) {
    ChipRig rig;
    rig.halt();
    Bytes block(16, 0xAA);
    int32_t status = 0;
    rig.link.ReadRam(10, 7, block);
    rig.link.ReadInternalEEprom(-1, 2, block);
    rig.link.WriteInternalEEprom(0, 17, block, status);
    EXPECT_EQ(status, vx::kStatusWriteFailed);
    EXPECT_THROW(rig.link.WriteRam(12, 5, block), std::out_of_range);
    rig.link.ReadExternalEEprom(0, 17, block);
    rig.link.WriteExternalEEprom(15, 2, block, status);
    EXPECT_EQ(status, vx::kStatusWriteFailed);
    Bytes big(0x10002, 0);
    rig.link.WriteExternalEEprom(2, 0x10000, big, status);
    EXPECT_EQ(status, vx::kStatusWriteFailed);
    EXPECT_TRUE(rig.line.sent.empty());
    EXPECT_EQ(block, Bytes(16, 0xAA));
}

// --- external SPI EEPROM ---

TEST(ExternalEeprom, WritesPagesFramedOnPageBoundariesAndVerifies) {
    struct Page {
        int address, count;
    };
    struct Case {
        int start, length;
        std::vector<Page> pages;
    };
    const Case cases[] = {
        {100, 30, {{100, 28}, {128, 2}}},
        {0, 128, {{0, 64}, {64, 64}}},
        {202, 54, {{202, 54}}},
        {60, 200, {{60, 4}, {64, 64}, {128, 64}, {192, 64}, {256, 4}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.start);
        ChipRig rig;
        rig.halt();
        const Bytes image = pattern(600, static_cast<uint8_t>(c.start));
        int32_t status = 0;
        rig.link.WriteExternalEEprom(c.start, c.length, image, status);
        EXPECT_EQ(status, vx::kStatusOk);
        EXPECT_EQ(rig.texts.back(), "EEprom Write Successful");
        EXPECT_TRUE(rig.progressShown);

        std::vector<Page> pages;
        for (const auto& frame : vxtest::spiFrames(rig.line.sent)) {
            if (frame.empty() || frame[0] != 0x02) continue;
            pages.push_back({frame[1] << 8 | frame[2], static_cast<int>(frame.size()) - 3});
        }
        ASSERT_EQ(pages.size(), c.pages.size());
        for (size_t k = 0; k < pages.size(); ++k) {
            EXPECT_EQ(pages[k].address, c.pages[k].address);
            EXPECT_EQ(pages[k].count, c.pages[k].count);
        }
        const auto& eeprom = rig.chip.spiEeprom();
        EXPECT_TRUE(std::equal(image.begin() + c.start, image.begin() + c.start + c.length,
                               eeprom.begin() + c.start));
        EXPECT_EQ(eeprom[c.start + c.length], 0xFF);
        if (c.start > 0) {
            EXPECT_EQ(eeprom[c.start - 1], 0xFF);
        }
        EXPECT_EQ(rig.chip.spiStatus() & 0x0C, 0x0C);  // protected again
    }
}

TEST(ExternalEeprom, WriteFailures) {
    struct Case {
        const char* name;
        qm40sim::Faults faults;
        bool halt;
        int32_t status;
    };
    qm40sim::Faults stuck, lost, silent;
    stuck.stuckPage = 128;
    lost.loseReplyByte = 1500;  // in the verify read-back
    silent.silentAfter = 3000;  // in the middle of the pages
    const Case cases[] = {{"not halted", {}, false, vx::kStatusNotHalted},
                          {"page does not stick", stuck, true, vx::kStatusVerifyFailed},
                          {"lost byte", lost, true, vx::kStatusVerifyFailed},
                          {"silent", silent, true, vx::kStatusVerifyFailed}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ChipRig rig(c.faults);
        if (c.halt) rig.halt();
        const Bytes image = pattern(1000, 3);
        int32_t status = 0;
        rig.link.WriteExternalEEprom(0, 1000, image, status);
        EXPECT_EQ(status, c.status);
        if (!c.halt) {
            EXPECT_TRUE(rig.line.sent.empty());
            continue;
        }
        EXPECT_EQ(rig.texts.back(), "Verify Error");
        EXPECT_TRUE(rig.link.Halted());
    }
}

TEST(ExternalEeprom, ReadsAnyLengthAndLetsTheChipRunOn) {
    for (const int length : {300, 256, 1}) {
        SCOPED_TRACE(length);
        ChipRig rig;
        rig.halt();
        const Bytes content = pattern(qm40sim::Qm40::kMemoryBytes, 11);
        rig.chip.spiEeprom() = content;
        Bytes block(1000, 0xAA);
        rig.link.ReadExternalEEprom(100, length, block);
        EXPECT_EQ(rig.texts.back(), "EEprom Read Complete");
        EXPECT_TRUE(std::equal(block.begin() + 100, block.begin() + 100 + length, content.begin() + 100));
        EXPECT_EQ(block[99], 0xAA);
        EXPECT_EQ(block[100 + length], 0xAA);
        const Bytes tail(rig.line.sent.end() - 2, rig.line.sent.end());
        EXPECT_EQ(tail, (Bytes{0x10, 0x00}));
        EXPECT_TRUE(rig.chip.running());
        EXPECT_TRUE(rig.link.Halted());  // the link's belief is left as it was
    }
}

TEST(ExternalEeprom, TheWholeAddressSpaceIsWrittenAndReadInOneTransfer) {
    ChipRig rig;
    rig.halt();
    const Bytes content = pattern(0x10000, 5);
    int32_t status = 0;
    rig.link.WriteExternalEEprom(0, 0x10000, content, status);
    EXPECT_EQ(status, vx::kStatusOk);
    EXPECT_TRUE(rig.chip.spiEeprom() == content);
    Bytes block(0x10000, 0xAA);
    rig.link.ReadExternalEEprom(0, 0x10000, block);
    EXPECT_EQ(rig.texts.back(), "EEprom Read Complete");
    EXPECT_TRUE(block == content);
}

TEST(ExternalEeprom, WholeChunkReadsLeaveTheEepromReadyForTheNextWrite) {
    // Lengths of whole 128-byte chunks: the read must still end its instruction.
    ChipRig rig;
    for (const uint8_t seed : {3, 9}) {
        SCOPED_TRACE(seed);
        rig.halt();
        const Bytes image = pattern(256, seed);
        int32_t status = 0;
        rig.link.WriteExternalEEprom(0, 256, image, status);
        EXPECT_EQ(status, vx::kStatusOk);
        Bytes readBack(256, 0);
        rig.link.ReadExternalEEprom(0, 256, readBack);
        EXPECT_EQ(readBack, image);
    }
}

TEST(ExternalEeprom, ShortReadLeavesTheArray) {
    qm40sim::Faults silent;
    silent.silentAfter = 100;
    ChipRig rig(silent);
    rig.halt();
    Bytes block(600, 0xAA);
    rig.link.ReadExternalEEprom(0, 600, block);
    EXPECT_EQ(rig.texts.back(), "Read Short");
    EXPECT_EQ(block, Bytes(600, 0xAA));
}

}  // namespace
