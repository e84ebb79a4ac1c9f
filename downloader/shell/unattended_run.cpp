#include "unattended_run.h"

#include <QCoreApplication>

#include "download_procedures.h"
#include "qm10_port_control.h"
#include "qt_serial_line.h"
#include "reporter.h"
#include "startup.h"
#include "vxoem_settings.h"

namespace vxoem {
namespace {

// Nobody watches: no dialog, no status window, no progress bar.
class NoWindow final : public DownloaderUi {
public:
    void showMessage(const std::string&, const std::string&, MessageIcon) override {}
    std::string chooseDownloadFile(const std::string&) override { return {}; }
    void setChipWindowText(const std::string&) override {}
    void appendChipWindowText(const std::string&) override {}
    void setProgressRange(int, int) override {}
    void setProgressValue(int) override {}
};

}  // namespace

int runUnattended(const std::vector<std::string>& args) {
    VxoemSettings settings;
    NoWindow ui;
    Reporter reporter(ui);
    reporter.setQuiet(true);
    vx::QtSerialLine line;
    vx::ChipLinkHooks hooks;
    hooks.pump = [] { QCoreApplication::processEvents(); };
    vx::ChipLink VX(
        line, [&settings](int port) { return settings.deviceForPort(port); }, std::move(hooks));
    Qm10PortControl qm10(nullptr, qm10PortHooks(settings, reporter, ui));
    DownloadProcedures procedures(VX, reporter, ui, nullptr, &qm10);
    applyStartupChoices(settings, procedures, VX);
    procedures.openStoredParallelPort();
    return runBatch(procedures, reporter, args).exitStatus;
}

}  // namespace vxoem
