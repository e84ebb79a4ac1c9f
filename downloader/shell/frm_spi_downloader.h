#pragma once
// The downloader's window: chip and port menus, the toolbar, the chip status
// window (which doubles as a serial terminal), the progress bar and the chip
// control VX. The work itself happens in DownloadProcedures; this class only
// turns clicks into procedures and procedures' requests into widgets.

#include <QMainWindow>
#include <QSerialPort>
#include <QTimer>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "download_procedures.h"
#include "downloader_ui.h"
#include "qm10_port_control.h"
#include "reporter.h"
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

// The boxes and the file dialog, replaceable so window tests never block.
struct DownloaderDialogs {
    std::function<void(QWidget* parent, const QString& text, const QString& title, MessageIcon icon)> message;
    std::function<QString(QWidget* parent, const QString& initialDirectory)> chooseFile;
    // Yes or No, No by default; true for Yes.
    std::function<bool(QWidget* parent, const QString& text, const QString& title)> question;
};

class frmSpiDownloader : public QMainWindow, private DownloaderUi, private TerminalPort {
    Q_OBJECT

public:
    // `programDirectory` empty: the folder of the running program, where
    // "ud.ini" is looked for.
    explicit frmSpiDownloader(DownloaderDialogs dialogs = {}, QString programDirectory = {},
                              QWidget* parent = nullptr);
    ~frmSpiDownloader() override;

    // Restores the settings and texts, then runs the command line `args`;
    // the result says whether the program ends without being shown.
    BatchResult Form_Load(const std::vector<std::string>& args = {});

    // The toolbar's keys: "Open", "Stop", "Run", "Reset", "Download", "Exit".
    void Toolbar1_ButtonClick(const QString& key);

    DownloadProcedures& procedures() { return m_procedures; }
    VelmixControl* VX() const { return m_VX; }
    QPlainTextEdit* txtDebugWindow() const { return m_txtDebugWindow; }
    QProgressBar* ProgressBar1() const { return m_progressBar1; }
    QSerialPort& MSComm1() { return m_MSComm1; }
    QTimer& tmrEEPROMtimeout() { return m_tmrEEPROMtimeout; }
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
    // DownloaderUi
    void showMessage(const std::string& text, const std::string& title, MessageIcon icon) override;
    bool confirm(const std::string& question) override;
    std::string chooseDownloadFile(const std::string& initialDirectory) override;
    void setChipWindowText(const std::string& text) override;
    void appendChipWindowText(const std::string& text) override;
    void setProgressRange(int minimum, int maximum) override;
    void setProgressValue(int value) override;
    void setProgressText(const std::string& format) override;
    void busyChanged(bool busy) override;
    void refused(const std::string& notice) override;
    // TerminalPort: MSComm1 on the device of VX's port, while the user wants
    // the terminal; a failure to open it is told.
    bool isTerminalOpen() const override;
    void closeTerminal() override;
    bool openTerminal() override;

    void buildMenus();
    void buildToolbar();
    void LoadCustomTexts();
    void applyChipVisibility();
    // Runs a chip action unless another one still runs.
    void runExclusive(const std::function<void()>& action);

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

    DownloaderDialogs m_dialogs;
    QString m_programDirectory;
    VxoemSettings m_settings;
    Reporter m_reporter;

    QPlainTextEdit* m_txtDebugWindow = nullptr;
    QProgressBar* m_progressBar1 = nullptr;
    VelmixControl* m_VX = nullptr;
    QToolBar* m_toolbar1 = nullptr;
    QSerialPort m_MSComm1;
    QTimer m_tmrSerialInputPoller;
    QTimer m_tmrEEPROMtimeout;
    DownloadProcedures m_procedures;
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

    AboutWindow* m_about = nullptr;
    QString m_aboutLine1 = "Velmix OEM Downloader Ver 1.1";
    QString m_aboutLine2;
    bool m_closeWhenIdle = false;
};

}  // namespace vxoem
