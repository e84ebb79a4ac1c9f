#pragma once
// The downloader's procedures set up as the program sets them up for the
// QM-40, with the chip model on an in-memory line and a work folder of their
// own: the surroundings of the program-image and command-line targets.

#include <memory>
#include <string>

#include "chip_control.h"
#include "download_procedures.h"
#include "downloader_ui.h"
#include "memory_serial_line.h"
#include "qm40.h"
#include "reporter.h"
#include "scratch_dir.h"
#include "waiting_clock.h"

namespace fuzzing {

// A window nobody looks at; it counts the boxes it was asked to show.
class CountingUi final : public vxoem::DownloaderUi {
public:
    void showMessage(const std::string&, const std::string&, vxoem::MessageIcon) override { ++messages; }
    std::string chooseDownloadFile(const std::string&) override { return {}; }
    void setChipWindowText(const std::string&) override {}
    void appendChipWindowText(const std::string&) override {}
    void setProgressRange(int, int) override {}
    void setProgressValue(int) override {}

    int messages = 0;
};

struct DownloaderBench {
    DownloaderBench() {
        procedures.setChip(vxoem::Chip::QM40);
        procedures.setWorkDirectory(scratchDir().string());
    }
    std::string path(const std::string& name) const { return (scratchDir() / name).string(); }

    qm40sim::Qm40 chip;
    vx::MemorySerialLine line{[this](uint8_t byte) { return chip.receive(byte); }};
    CountingUi ui;
    vxoem::Reporter reporter{ui};
    vx::ChipControl link{
        line, [](int) { return std::string("memory"); }, {}, std::make_shared<WaitingClock>()};
    vxoem::DownloadProcedures procedures{link, reporter, ui};
};

}  // namespace fuzzing
