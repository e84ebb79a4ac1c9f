#pragma once
// The downloader's QM-10 side: the parallel port and its reservation, the
// port dialog behind the LPT1 to LPT4 menu items, and the download and chip
// commands the procedures call. Without a window (the unattended run) there
// is no dialog; the rest works. The port dialog runs on the window's thread
// while no operation runs; opening the port it chose, the downloads and the
// chip commands run on the device worker's, which is why the EEPROM time-out
// is read off the clock and the states leave as signals.

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "chip_state.h"
#include "download_procedures.h"
#include "parallel_port.h"
#include "qm10_programmer.h"

class FrmLpt;
class QWidget;

namespace vxoem {
class DownloaderUi;
class Reporter;
class VxoemSettings;
}  // namespace vxoem

// The stored parallel-port keys (Port_Number, Port_Address, Port_Reserve).
struct LptStoredSettings {
    QString portNumber;
    QString portAddress;
    QString portReserve;
};

struct Qm10PortHooks {
    std::function<LptStoredSettings()> readSettings;
    std::function<void(const LptStoredSettings&)> writeSettings;
    vx::lpt::ProgrammerHooks programmer;  // chip status window, progress bar, messages
    // The progress bar's text, as DownloaderUi::setProgressText.
    std::function<void(const std::string& format)> progressText;
    // Runs the opening of the port the dialog's Ok chose (the window hands it
    // to its device worker); empty: at once.
    std::function<void(std::function<void()> open)> run;
};

// The hooks over the program's settings, reporter and window; the chip status
// window gets its own line breaks.
Qm10PortHooks qm10PortHooks(vxoem::VxoemSettings& settings, vxoem::Reporter& reporter,
                            vxoem::DownloaderUi& ui);

class Qm10PortControl : public QObject, public vxoem::Qm10Programmer {
    Q_OBJECT

public:
    // `window` null: no dialog. `backend` null: the one the environment
    // (VXOEM_LPT ...) names.
    Qm10PortControl(QWidget* window, Qm10PortHooks hooks, std::unique_ptr<vx::lpt::PortBackend> backend = {});
    ~Qm10PortControl() override;

    // Start-up: opens the stored port, as the dialog's Ok would, without
    // storing; why the port could not be had is returned, not shown.
    std::string openStoredPort() override;
    // The LPT1 to LPT4 menu items (n = 1..4): the dialog, modal over the window.
    void LPT_Click(int n);
    void choosePort(int n) override { LPT_Click(n); }
    void OpenLPTfile(const QString& Caption, const QString& Port, int Reserve);

    // vxoem::Qm10Programmer
    vxoem::ChipDownload download(const std::string& program, vxoem::HeaderBlock& header) override;
    void stopChip() override;
    void resetChip() override;
    void runChip() override;
    // What the last chip state written was; Unknown before, and after a change of port.
    vx::ChipState chipState() const { return m_chipState; }

    vx::lpt::DownloadResult lastDownload() const { return m_lastDownload; }
    FrmLpt* frmLPT() const { return m_frmLPT; }
    vx::lpt::ParallelPort& port() { return m_port; }
    int checkedPort() const { return m_checkedPort; }

signals:
    // The LPTn menu item to check (the other three unchecked); 0 checks none.
    void portChecked(int n);
    // `state` is a vx::ChipState; emitted on the thread that wrote it.
    void chipStateChanged(int state);

private:
    void cmdOkLPT_Click();
    // OpenLPTfile without the box: what went wrong, empty when nothing did.
    std::string openPort(const QString& Caption, const QString& Port, int Reserve);
    // The progress hook with the page text added.
    static Qm10PortHooks withPageText(Qm10PortHooks hooks, const size_t& programSize);
    void setChipState(bool written, vx::ChipState state);

    size_t m_programSize = 0;  // of the download that runs
    Qm10PortHooks m_hooks;
    vx::lpt::ParallelPort m_port;
    vx::lpt::ClockTimeout m_timeout;
    vx::lpt::Qm10Programmer m_programmer;
    FrmLpt* m_frmLPT = nullptr;
    int m_checkedPort = 0;
    vx::lpt::DownloadResult m_lastDownload;
    vx::ChipState m_chipState = vx::ChipState::Unknown;
};
