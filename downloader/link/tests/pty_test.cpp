// The chip link over a real serial line: QSerialPort on the pseudo-terminal
// of the qm40sim program, checked against the memories it dumps on exit.

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <fstream>
#include <iterator>

#include "chip_control.h"
#include "qt_serial_line.h"
#include "sim_process.h"

using vx::Bytes;

namespace {

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

Bytes image(size_t size) {
    Bytes bytes(size);
    uint32_t state = 12345;
    for (auto& byte : bytes) {
        state = state * 1103515245 + 12345;
        byte = static_cast<uint8_t>(state >> 16);
    }
    return bytes;
}

// qm40sim with its memories dumped into a temporary folder when it ends.
struct SimRig {
    explicit SimRig(std::vector<std::string> options = {}) {
        options.insert(options.end(), {"--dump", dumps.path().toStdString()});
        sim = std::make_unique<simline::SimProcess>(QM40SIM_PROGRAM, options);
        vx::ChipDisplay hooks;
        hooks.statusText = [this](const std::string& text) { texts.push_back(text); };
        link.setDisplay(hooks);
        link.setCommPort(1);
        int32_t status = 0;
        link.OpenPort(true, status);
        EXPECT_EQ(status, vx::kStatusOk) << sim->path();
    }
    Bytes dumped(const std::string& name) {
        int32_t status = 0;
        link.OpenPort(false, status);
        EXPECT_EQ(sim->stop(), 0);
        return readFile(dumps.path().toStdString() + "/" + name);
    }

    QTemporaryDir dumps;
    std::unique_ptr<simline::SimProcess> sim;
    vx::QtSerialLine line;
    std::vector<std::string> texts;
    vx::ChipControl link{line, [this](int) { return sim->path(); }};
};

TEST(ChipOverPty, DownloadsAProgramThatLandsInTheChip) {
    SimRig rig;
    ASSERT_TRUE(rig.link.PortOpen());
    int32_t status = 0;
    rig.link.HaltVelmix(status);
    ASSERT_EQ(status, vx::kStatusOk);

    Bytes header(32, 0);
    header[0] = 0x02;
    header[31] = 0xFF;
    rig.link.WriteInternalEEprom(0, 32, header, status);
    EXPECT_EQ(status, vx::kStatusOk);
    Bytes readBack(32, 0xAA);
    rig.link.ReadInternalEEprom(0, 32, readBack);
    EXPECT_EQ(readBack, header);

    // Not a multiple of 128, so the verify ends with a partial frame.
    const Bytes program = image(20000 + 77);
    rig.link.WriteExternalEEprom(0, static_cast<int32_t>(program.size()), program, status);
    EXPECT_EQ(status, vx::kStatusOk) << rig.texts.back();

    Bytes readExternal(program.size(), 0);
    rig.link.ReadExternalEEprom(0, 1024, readExternal);  // a multiple of 128
    EXPECT_EQ(rig.texts.back(), "EEprom Read Complete");
    EXPECT_TRUE(std::equal(readExternal.begin(), readExternal.begin() + 1024, program.begin()));

    rig.link.HaltVelmix(status);  // the read let the chip run on
    EXPECT_EQ(status, vx::kStatusOk);
    rig.link.ResetVelmix(status);
    EXPECT_EQ(status, vx::kStatusOk);

    const Bytes spi = rig.dumped("spi_eeprom.bin");
    ASSERT_EQ(spi.size(), 0x10000u);
    EXPECT_TRUE(std::equal(program.begin(), program.end(), spi.begin()));
    EXPECT_EQ(spi[program.size()], 0xFF);
    EXPECT_TRUE(std::equal(header.begin(), header.end(),
                           readFile(rig.dumps.path().toStdString() + "/eeprom.bin").begin()));
    const Bytes state = readFile(rig.dumps.path().toStdString() + "/state.txt");
    EXPECT_EQ(std::string(state.begin(), state.end()).substr(0, 22), "running 1\nrestarts 1\ns");
}

TEST(ChipOverPty, PageThatDoesNotStickFailsTheVerify) {
    SimRig rig({"--fault", "stuck-page=4100"});
    int32_t status = 0;
    rig.link.HaltVelmix(status);
    ASSERT_EQ(status, vx::kStatusOk);
    const Bytes program = image(8192);
    rig.link.WriteExternalEEprom(0, 8192, program, status);
    EXPECT_EQ(status, vx::kStatusVerifyFailed);
    EXPECT_EQ(rig.texts.back(), "Verify Error");
    const Bytes spi = rig.dumped("spi_eeprom.bin");
    EXPECT_EQ(spi[4096], 0xFF);
    EXPECT_EQ(spi[4160], program[4160]);
}

TEST(ChipOverPty, UnansweredHaltGivesNoCommunication) {
    SimRig rig({"--fault", "no-halt"});
    int32_t status = 0;
    rig.link.HaltVelmix(status);
    EXPECT_EQ(status, vx::kStatusNoCommunication);
    EXPECT_EQ(rig.texts.back(), "No Communications");
}

}  // namespace
