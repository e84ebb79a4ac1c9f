#pragma once
// The downloader's window: chip and port menus, the toolbar, the chip status
// window (which doubles as a serial terminal), the progress bar and the chip
// control VX. The work itself happens in DownloadProcedures on the device
// worker's thread; this class turns clicks into requests, shows what they
// report and answers their questions. While a request runs the window is busy:
// the actions that start an operation are off.

#include <QMainWindow>
#include <QSerialPort>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device_worker.h"
#include "download_procedures.h"
#include "downloader_ui.h"
#include "qm10_port_control.h"
#include "startup.h"
#include "vxoem_settings.h"

class QAction;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QToolBar;
class VelmixControl;

namespace vxoem {
class AboutWindow;

class frmSpiDownloader : public QMainWindow, private Dialogs, private TerminalPort {
    Q_OBJECT

public:
    // `dialogs` null: message boxes and the file dialog over this window;
    // window tests pass their own, so that nothing waits for a click.
    // `programDirectory` empty: the folder of the running program, where
    // "ud.ini" is looked for.
    explicit frmSpiDownloader(Dialogs* dialogs = nullptr, QString programDirectory = {},
                              QWidget* parent = nullptr);
    ~frmSpiDownloader() override;

    // Restores the settings and texts, then runs the command line `args` (on
    // this thread, before the window is shown); the result says whether the
    // program ends without being shown. `workDirectory` absent: the one the
    // settings name.
    BatchResult Form_Load(const std::vector<std::string>& args = {},
                          std::optional<std::string> workDirectory = {});

    // The toolbar's keys: "Open", "Stop", "Run", "Reset", "Download", "Exit".
    void Toolbar1_ButtonClick(const QString& key);

    DownloadProcedures& procedures() { return m_worker->procedures(); }
    // A request runs on the device worker.
    bool busy() const { return m_busy; }
    VelmixControl* VX() const { return m_VX; }
    QPlainTextEdit* txtDebugWindow() const { return m_txtDebugWindow; }
    QProgressBar* ProgressBar1() const { return m_progressBar1; }
    QSerialPort& MSComm1() { return m_MSComm1; }
    QToolBar* Toolbar1() const { return m_toolbar1; }
    QAction* toolbarAction(const QString& key) const;
    QAction* qm40() const { return m_qm40; }
    QAction* qm10() const { return m_qm10; }
    QAction* qm40res() const { return m_qm40res; }
    // Download Port menu: connects the chip status window as a terminal to
    // the selected serial port, or disconnects it (checked while it is open).
    QAction* Terminal() const { return m_terminalAction; }
    // The status bar: the chip, its port and state; the terminal's port.
    QLabel* lblChipState() const { return m_lblChipState; }
    QLabel* lblTerminal() const { return m_lblTerminal; }
    const std::array<QAction*, 4>& LPT() const { return m_LPT; }
    const std::array<QAction*, 4>& QM40com() const { return m_QM40com; }
    AboutWindow* aboutWindow() const { return m_about; }

    // The text arriving on the terminal port, shown by the terminal rules.
    void AppendTerminalText(const QString& text);

    Qm10PortControl& qm10Port() { return *m_qm10Port; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Dialogs, with the window's caption for an empty title
    void showMessage(const std::string& text, const std::string& title, MessageIcon icon) override;
    bool confirm(const std::string& question) override;
    std::string chooseDownloadFile(const std::string& initialDirectory) override;
    // What the worker shows.
    void setChipWindowText(const QString& text);
    void appendChipWindowText(const QString& text);
    void setProgressText(const QString& format);

    // TerminalPort: MSComm1 on the device of VX's port, while the user wants
    // the terminal; a failure to open it is told.
    bool isTerminalOpen() const override;
    void closeTerminal() override;
    bool openTerminal() override;

    // The chip status window, the progress bar, VX and the status bar.
    void buildCentral();
    void buildMenus();
    void buildToolbar();
    void connectWorker();
    void connectQm10Port();
    void LoadCustomTexts();
    void applyChipVisibility();
    // Runs `request` on the device worker unless one still runs.
    void request(std::function<void()> request);
    // Runs `action` here unless a request still runs.
    void whenIdle(const std::function<void()>& action);
    // Why an action was turned away.
    void refused(const QString& notice);
    void setBusy(bool busy);

    void ExitRoutine_Click();
    void qm40_Click() { chooseChip(Chip::QM40); }
    void qm10_Click() { chooseChip(Chip::QM10); }
    void chooseChip(Chip chip);
    void QM40com_Click(int n);
    void LPT_Click(int n);
    void showCheckedLpt(int n);
    void About_Click();
    void Terminal_Click();
    void terminalLost(QSerialPort::SerialPortError error);
    // "COMn (PC)", with the device it stands for where that is another name.
    QString serialPortText(int port) const;
    void showState();
    void tmrSerialInputPoller_Timer();
    // Whether the typed text goes on into the box.
    bool txtDebugWindow_KeyPress(const QString& typed);

    std::unique_ptr<Dialogs> m_ownDialogs;
    Dialogs* m_dialogs;
    QString m_programDirectory;
    VxoemSettings m_settings;

    QPlainTextEdit* m_txtDebugWindow = nullptr;
    QProgressBar* m_progressBar1 = nullptr;
    VelmixControl* m_VX = nullptr;
    QToolBar* m_toolbar1 = nullptr;
    QSerialPort m_MSComm1;
    QTimer m_tmrSerialInputPoller;
    std::unique_ptr<DeviceWorker> m_worker;
    std::unique_ptr<Qm10PortControl> m_qm10Port;

    QAction* m_openFile = nullptr;
    QAction* m_exitRoutine = nullptr;
    QAction* m_qm40 = nullptr;
    QAction* m_qm10 = nullptr;
    std::array<QAction*, 4> m_LPT{};
    std::array<QAction*, 4> m_QM40com{};
    QAction* m_qm40res = nullptr;
    QAction* m_terminalAction = nullptr;
    QAction* m_aboutAction = nullptr;
    // Actions that start a chip operation or change what it works on.
    std::vector<QAction*> m_operationActions;

    QLabel* m_lblChipState = nullptr;
    QLabel* m_lblTerminal = nullptr;
    bool m_terminalWanted = false;
    int m_terminalPort = 0;  // the port MSComm1 was opened on
    int m_qm40Port = 1;      // the port of VX, as last asked of the worker
    vx::ChipState m_qm10State = vx::ChipState::Unknown;
    int m_checkedLpt = 0;  // the parallel port the QM-10 side opened last
    bool m_busy = false;

    AboutWindow* m_about = nullptr;
    QString m_aboutLine1 = "Velmix OEM Downloader Ver 1.1";
    QString m_aboutLine2;
    bool m_closeWhenIdle = false;
};

}  // namespace vxoem
