#include "unattended_run.h"

#include "device_worker.h"
#include "qm10_port_control.h"
#include "startup.h"
#include "vxoem_settings.h"

namespace vxoem {
namespace {

// Nobody answers: no box, no file dialog. Nothing is connected to what the
// worker shows.
class NoWindow final : public QObject, public Dialogs {
public:
    void showMessage(const std::string&, const std::string&, MessageIcon) override {}
    std::string chooseDownloadFile(const std::string&) override { return {}; }
};

}  // namespace

int runUnattended(const std::vector<std::string>& args, const std::string& workDirectory) {
    VxoemSettings settings;
    NoWindow window;
    // The window's device worker, run on this thread: nothing else waits.
    DeviceWorker worker(window, window, nullptr,
                        [&settings](int port) { return settings.deviceForPort(port); });
    Reporter& reporter = worker.reporter();
    reporter.setQuiet(true);
    Qm10PortControl qm10(nullptr, qm10PortHooks(settings, reporter, worker.ui()));
    DownloadProcedures& procedures = worker.procedures();
    procedures.setQm10Programmer(&qm10);
    applyStartupChoices(settings, procedures, worker.VX(), workDirectory);
    procedures.openStoredParallelPort();
    return runBatch(procedures, reporter, args).exitStatus;
}

}  // namespace vxoem
