#pragma once
// The main window's QM-10 side: the parallel port and its reservation, the
// port dialog behind the LPT1 to LPT4 menu items, the EEPROM time-out timer,
// and the download and chip commands. The window supplies the settings, the
// message reporter and its status and progress displays.

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>

#include "parallel_port.h"
#include "qm10_programmer.h"

class FrmLpt;
class QWidget;

// The stored parallel-port keys (Port_Number, Port_Address, Port_Reserve).
struct LptStoredSettings {
    QString portNumber;
    QString portAddress;
    QString portReserve;
};

struct Qm10PortHooks {
    std::function<LptStoredSettings()> readSettings;
    std::function<void(const LptStoredSettings&)> writeSettings;
    vx::lpt::ProgrammerHooks programmer;  // pump, chip status window, progress bar, messages
};

class Qm10PortControl : public QObject {
    Q_OBJECT

public:
    // `backend` null: the one the environment (VXOEM_LPT ...) names.
    Qm10PortControl(QWidget* window, Qm10PortHooks hooks, std::unique_ptr<vx::lpt::PortBackend> backend = {});
    ~Qm10PortControl() override;

    // Start-up: opens the stored port, as the dialog's Ok would, without storing.
    void openStoredPort();
    // The LPT1 to LPT4 menu items (n = 1..4): the dialog, modal over the window.
    void LPT_Click(int n);
    void OpenLPTfile(const QString& Caption, const QString& Port, int Reserve);

    vx::lpt::DownloadResult Download(std::string_view program, vx::lpt::HeaderBlock& header);
    bool StopChip() { return m_programmer.StopChip(); }
    bool ResetChip() { return m_programmer.ResetChip(); }
    bool RunChip() { return m_programmer.RunChip(); }

    FrmLpt* frmLPT() const { return m_frmLPT; }
    QTimer* tmrEEPROMtimeout() { return &m_tmrEEPROMtimeout; }
    vx::lpt::ParallelPort& port() { return m_port; }
    int checkedPort() const { return m_checkedPort; }

signals:
    // The LPTn menu item to check (the other three unchecked); 0 checks none.
    void portChecked(int n);

private:
    class TimerTimeout;
    void tmrEEPROMtimeout_Timer();
    void cmdOkLPT_Click();

    Qm10PortHooks m_hooks;
    vx::lpt::ParallelPort m_port;
    QTimer m_tmrEEPROMtimeout;
    std::unique_ptr<TimerTimeout> m_timeout;
    vx::lpt::Qm10Programmer m_programmer;
    FrmLpt* m_frmLPT;
    int m_checkedPort = 0;
};
