// Faults of the QM-40 against the chip link over a real serial line
// (QSerialPort on the qm40sim program's pseudo-terminal), each within a bound:
// the halt answer lost, wrong block checksums, a page that does not stick, a
// lost reply byte, silence and the chip vanishing in the middle of a
// download. After each, the same link and line must reach a healthy chip
// served on the same port name.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>

#include "bounded_run.h"
#include "chip_control.h"
#include "qt_serial_line.h"
#include "sim_process.h"

namespace faults {
namespace {

using vx::Bytes;

Bytes program(size_t size) {
    Bytes bytes(size);
    uint32_t state = 777;
    for (auto& byte : bytes) {
        state = state * 1103515245 + 12345;
        byte = static_cast<uint8_t>(state >> 16);
    }
    return bytes;
}

enum class ChipAction { Halt, ReadInternal, WriteInternal, WriteExternal };

struct ChipRow {
    const char* name;
    std::vector<std::string> fault;  // qm40sim options
    ChipAction action;
    double bound;          // seconds
    int32_t status;        // expected status, for the actions that give one
    const char* lastText;  // the status line at the end
};

void PrintTo(const ChipRow& row, std::ostream* os) { *os << row.name; }

constexpr size_t kProgramBytes = 4096;

const ChipRow kRows[] = {
    {"lost halt answer",
     {"--fault", "no-halt"},
     ChipAction::Halt,
     12,
     vx::kStatusNoCommunication,
     "No Communications"},
    {"wrong checksum on a block read",
     {"--fault", "bad-checksum"},
     ChipAction::ReadInternal,
     3,
     0,
     "Bad Read"},
    {"wrong checksum on a block write",
     {"--fault", "bad-checksum"},
     ChipAction::WriteInternal,
     3,
     vx::kStatusBadChecksum,
     "RAM Write Chksum Bad"},
    {"page does not stick",
     {"--fault", "stuck-page=1024"},
     ChipAction::WriteExternal,
     8,
     vx::kStatusVerifyFailed,
     "Verify Error"},
    {"lost byte in the verify",
     {"--fault", "lost-byte=6000"},
     ChipAction::WriteExternal,
     8,
     vx::kStatusVerifyFailed,
     "Verify Error"},
    // Unanswered pages are only found out by the verify.
    {"silent mid-download",
     {"--fault", "silent=3000"},
     ChipAction::WriteExternal,
     8,
     vx::kStatusVerifyFailed,
     "Verify Error"},
    {"chip vanishes mid-download",
     {"--fault", "vanish=3000"},
     ChipAction::WriteExternal,
     8,
     vx::kStatusWriteFailed,
     "No Communications"},
};

class ChipFaults : public ::testing::TestWithParam<ChipRow> {
protected:
    ChipFaults() {
        char pattern[] = "/tmp/qm40-faults-XXXXXX";
        m_folder = mkdtemp(pattern);
        m_linkPath = m_folder + "/qm40";
        vx::ChipDisplay hooks;
        hooks.statusText = [this](const std::string& text) { m_texts.push_back(text); };
        m_link.setDisplay(hooks);
    }
    ~ChipFaults() override {
        m_sim.reset();
        std::error_code ec;
        std::filesystem::remove_all(m_folder, ec);
    }

    void serve(std::vector<std::string> options) {
        m_sim.reset();
        options.insert(options.end(), {"--link", m_linkPath});
        m_sim = std::make_unique<simline::SimProcess>(QM40SIM_PROGRAM, options);
        ASSERT_TRUE(m_sim->started());
        int32_t status = 0;
        m_link.OpenPort(true, status);
        ASSERT_EQ(status, vx::kStatusOk);
    }

    // Runs the action; its status (0 for the actions without one).
    int32_t act(ChipAction action) {
        int32_t status = 0;
        switch (action) {
            case ChipAction::Halt:
                m_link.HaltVelmix(status);
                return status;
            case ChipAction::ReadInternal: {
                m_link.HaltVelmix(status);
                if (status != vx::kStatusOk) return status;
                Bytes block(64, 0xAA);
                m_link.ReadInternalEEprom(0, 64, block);
                return 0;
            }
            case ChipAction::WriteInternal: {
                m_link.HaltVelmix(status);
                if (status != vx::kStatusOk) return status;
                const Bytes header = program(32);
                m_link.WriteInternalEEprom(0, 32, header, status);
                return status;
            }
            case ChipAction::WriteExternal: {
                m_link.HaltVelmix(status);
                if (status != vx::kStatusOk) return status;
                const Bytes image = program(kProgramBytes);
                m_link.WriteExternalEEprom(0, static_cast<int32_t>(image.size()), image, status);
                return status;
            }
        }
        return status;
    }

    std::string m_folder, m_linkPath;
    std::unique_ptr<simline::SimProcess> m_sim;
    vx::QtSerialLine m_line;
    std::vector<std::string> m_texts;
    vx::ChipControl m_link{m_line, [this](int) { return m_linkPath; }};
};

TEST_P(ChipFaults, EndsInTimeTellsTheUserAndTheLinkWorksAfterwards) {
    const ChipRow& row = GetParam();
    serve(row.fault);
    const auto start = std::chrono::steady_clock::now();
    const int32_t status = act(row.action);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LE(seconds, row.bound);
    EXPECT_EQ(status, row.status);
    ASSERT_FALSE(m_texts.empty());
    EXPECT_EQ(m_texts.back(), row.lastText);
    std::printf("[ outcome  ] %s: %.2f s, status %d, \"%s\"\n", row.name, seconds, status,
                m_texts.back().c_str());

    // The same link and line, closed and opened again on a healthy chip on the same port name.
    int32_t closed = 0;
    m_link.OpenPort(false, closed);
    EXPECT_EQ(closed, vx::kStatusOk);
    serve({});
    const Bytes image = program(kProgramBytes);
    int32_t again = 0;
    m_link.HaltVelmix(again);
    ASSERT_EQ(again, vx::kStatusOk);
    m_link.WriteExternalEEprom(0, static_cast<int32_t>(image.size()), image, again);
    EXPECT_EQ(again, vx::kStatusOk) << m_texts.back();
    Bytes readBack(image.size(), 0);
    m_link.ReadExternalEEprom(0, static_cast<int32_t>(image.size()), readBack);
    EXPECT_EQ(readBack, image);
}

INSTANTIATE_TEST_SUITE_P(Table, ChipFaults, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return testName(info.param.name); });

// The downloader program's batch mode, "VXOEM PROJECT /d /q", on a faulty chip:
// it must end in time with status 1 and say why in its error file and on
// standard error; the same command then downloads into a healthy chip.
struct BatchRow {
    const char* name;
    std::vector<std::string> fault;
    double bound;
    const char* message;  // expected on standard error
};

void PrintTo(const BatchRow& row, std::ostream* os) { *os << row.name; }

const BatchRow kBatchRows[] = {
    {"wrong block checksums", {"--fault", "bad-checksum"}, 10, "RAM write error"},
    {"page does not stick", {"--fault", "stuck-page=1024"}, 10, "Verify error, external EEPROM"},
    {"lost byte in the verify", {"--fault", "lost-byte=6000"}, 10, "Verify error, external EEPROM"},
    // The failed download is told once, and the program is not started.
    {"chip vanishes mid-download",
     {"--fault", "vanish=3000"},
     15,
     "Error downloading to external EEPROM\nNot started: the download of "},
};

class BatchFaults : public ::testing::TestWithParam<BatchRow> {
protected:
    BatchFaults() {
        char pattern[] = "/tmp/vxoem-faults-XXXXXX";
        m_folder = mkdtemp(pattern);
        std::filesystem::create_directories(m_folder + "/config/Velmix");
        std::ofstream(m_folder + "/config/Velmix/Velmix.conf")
            << "[Config]\nChip_Type=QM40\nQM40port_number=3\n"
            << "Work_Dir=" << m_folder << "\nDevice_COM3=" << m_folder << "/qm40\n";
        std::ofstream(m_folder + "/blink.vxp");
        std::ofstream(m_folder + "/blink.prf");
        const Bytes image = program(kProgramBytes);
        std::ofstream(m_folder + "/blink.vxb", std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    }
    ~BatchFaults() override {
        std::error_code ec;
        std::filesystem::remove_all(m_folder, ec);
    }

    BoundedRun download(double bound) {
        RunLimits limits{bound, -1, {{"XDG_CONFIG_HOME", m_folder + "/config"}}};
        return runBounded({VXOEM_PROGRAM, "blink", "/d", "/q"}, "/tmp", limits);
    }

    std::string m_folder;
};

TEST_P(BatchFaults, EndsInTimeSaysWhyAndTheNextRunDownloads) {
    const BatchRow& row = GetParam();
    auto sim = std::make_unique<simline::SimProcess>(
        QM40SIM_PROGRAM, std::vector<std::string>{row.fault[0], row.fault[1], "--link", m_folder + "/qm40"});
    ASSERT_TRUE(sim->started());
    const BoundedRun run = download(row.bound);
    EXPECT_FALSE(run.timedOut) << "no end within " << row.bound << " s";
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find(row.message), std::string::npos) << run.output;
    std::printf("[ outcome  ] %s: %.2f s, status %d: %s", row.name, run.seconds, run.status,
                run.output.c_str());

    sim.reset();  // first, or its leaving would take the new link with it
    sim = std::make_unique<simline::SimProcess>(QM40SIM_PROGRAM,
                                                std::vector<std::string>{"--link", m_folder + "/qm40"});
    ASSERT_TRUE(sim->started());
    const BoundedRun clean = download(20);
    EXPECT_EQ(clean.status, 0) << clean.output;
}

INSTANTIATE_TEST_SUITE_P(Table, BatchFaults, ::testing::ValuesIn(kBatchRows),
                         [](const auto& info) { return testName(info.param.name); });

}  // namespace
}  // namespace faults
