#include "frm_spi_downloader.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

#include "about_window.h"
#include "ini_file.h"
#include "terminal_text.h"
#include "velmix_control.h"

namespace vxoem {
namespace {

constexpr int kTerminalBaud = 19200;
constexpr const char* kTerminalSettings = "19200 8N1";  // as shown: baud, data bits, parity, stop bits
constexpr int kTerminalBufferBytes = 16384;
constexpr int kPollIntervalMs = 50;
constexpr const char* kCaption = "Velmix OEM Downloader";
constexpr const char* kPortErrorTitle = "Port ERROR";

QString chipStateText(vx::ChipState state) {
    switch (state) {
        case vx::ChipState::Halted:
            return "halted";
        case vx::ChipState::HeldInReset:
            return "held in reset";
        case vx::ChipState::Running:
            return "running";
        case vx::ChipState::Unknown:
            break;
    }
    return "state unknown";
}

constexpr const char* kBusyNotice = "Busy: wait until the running operation ends.";

// Message boxes and the file dialog over the window.
class BoxDialogs final : public Dialogs {
public:
    explicit BoxDialogs(QWidget& window) : m_window(window) {}
    void showMessage(const std::string& text, const std::string& title, MessageIcon icon) override {
        QMessageBox box(icon == MessageIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
                        QString::fromStdString(title), QString::fromStdString(text), QMessageBox::Ok,
                        &m_window);
        box.exec();
    }
    bool confirm(const std::string& question) override {
        return QMessageBox::question(&m_window, m_window.windowTitle(), QString::fromStdString(question),
                                     QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
    }
    std::string chooseDownloadFile(const std::string& initialDirectory) override {
        return QFileDialog::getOpenFileName(&m_window, "Open", QString::fromStdString(initialDirectory),
                                            "Velmix Express Binary Files (*.vxb)")
            .toStdString();
    }

private:
    QWidget& m_window;
};

struct ToolbarKey {
    const char* key;
    const char* toolTip;
    QStyle::StandardPixmap icon;
};

// In the order the toolbar shows them.
constexpr std::array<ToolbarKey, 6> kToolbarKeys{{
    {"Open", "Open Download File", QStyle::SP_DialogOpenButton},
    {"Stop", "Stop Processor", QStyle::SP_MediaStop},
    {"Run", "Run", QStyle::SP_MediaPlay},
    {"Reset", "Reset Processor", QStyle::SP_BrowserReload},
    {"Download", "Download Program", QStyle::SP_ArrowDown},
    {"Exit", "Exit Program", QStyle::SP_DialogCloseButton},
}};

}  // namespace

frmSpiDownloader::frmSpiDownloader(Dialogs* dialogs, QString programDirectory, QWidget* parent)
    : QMainWindow(parent),
      m_ownDialogs(dialogs ? nullptr : std::make_unique<BoxDialogs>(*this)),
      m_dialogs(dialogs ? dialogs : m_ownDialogs.get()),
      m_programDirectory(programDirectory.isEmpty() ? QCoreApplication::applicationDirPath()
                                                    : programDirectory),
      m_VX(new VelmixControl),
      m_worker(std::make_unique<DeviceWorker>(*this, static_cast<Dialogs&>(*this),
                                              static_cast<TerminalPort*>(this),
                                              // Settings of its own: one QSettings serves one thread.
                                              [settings = std::make_shared<VxoemSettings>()](int port) {
                                                  return settings->deviceForPort(port);
                                              })) {
    m_worker->VX().setDisplay(m_VX->display());
    m_VX->setControl(&m_worker->VX());
    setObjectName("frmSpiDownloader");
    setWindowTitle(kCaption);

    buildCentral();
    connect(m_VX, &VelmixControl::chipStateChanged, this, &frmSpiDownloader::showState);

    connectWorker();
    buildMenus();
    buildToolbar();
    resize(640, 420);

    m_MSComm1.setObjectName("MSComm1");
    m_MSComm1.setReadBufferSize(kTerminalBufferBytes);
    // Queued: the port is closed outside its own signal.
    connect(&m_MSComm1, &QSerialPort::errorOccurred, this, &frmSpiDownloader::terminalLost,
            Qt::QueuedConnection);

    m_tmrSerialInputPoller.setObjectName("tmrSerialInputPoller");
    m_tmrSerialInputPoller.setInterval(kPollIntervalMs);
    connect(&m_tmrSerialInputPoller, &QTimer::timeout, this, &frmSpiDownloader::tmrSerialInputPoller_Timer);
    m_tmrSerialInputPoller.start();

    Qm10PortHooks qm10Hooks = qm10PortHooks(m_settings, m_worker->reporter(), m_worker->ui());
    qm10Hooks.run = [this](std::function<void()> open) { request(std::move(open)); };
    m_qm10Port = std::make_unique<Qm10PortControl>(this, std::move(qm10Hooks));
    procedures().setQm10Programmer(m_qm10Port.get());
    connectQm10Port();
}

void frmSpiDownloader::buildCentral() {
    m_txtDebugWindow = new QPlainTextEdit;
    m_txtDebugWindow->setObjectName("txtDebugWindow");
    QFont courier("Courier New");
    courier.setStyleHint(QFont::Monospace);
    m_txtDebugWindow->setFont(courier);
    m_txtDebugWindow->installEventFilter(this);
    m_progressBar1 = new QProgressBar;
    m_progressBar1->setObjectName("ProgressBar1");
    m_VX->setObjectName("VX");
    m_VX->setMinimumHeight(24);
    m_VX->setChipWindowWriter([this](const QString& text) { m_txtDebugWindow->setPlainText(text); });

    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(m_txtDebugWindow, 1);
    layout->addWidget(m_progressBar1);
    layout->addWidget(m_VX);
    setCentralWidget(central);
    m_lblChipState = new QLabel;
    m_lblChipState->setObjectName("lblChipState");
    m_lblTerminal = new QLabel;
    m_lblTerminal->setObjectName("lblTerminal");
    statusBar()->addPermanentWidget(m_lblChipState);
    statusBar()->addPermanentWidget(m_lblTerminal);
}

void frmSpiDownloader::connectWorker() {
    // What the worker shows, in the order it was shown.
    connect(m_worker.get(), &DeviceWorker::chipWindowTextSet, this, &frmSpiDownloader::setChipWindowText);
    connect(m_worker.get(), &DeviceWorker::chipWindowTextAppended, this,
            &frmSpiDownloader::appendChipWindowText);
    connect(m_worker.get(), &DeviceWorker::progressTextSet, this, &frmSpiDownloader::setProgressText);
    connect(m_worker.get(), &DeviceWorker::progressRangeSet, m_progressBar1, &QProgressBar::setRange);
    connect(m_worker.get(), &DeviceWorker::progressValueSet, m_progressBar1, &QProgressBar::setValue);
    connect(m_worker.get(), &DeviceWorker::requestDone, this, [this] { setBusy(false); });
}

void frmSpiDownloader::connectQm10Port() {
    connect(m_qm10Port.get(), &Qm10PortControl::portChecked, this, [this](int n) {
        m_checkedLpt = n;
        showCheckedLpt(n);
        showState();
    });
    // The worker writes the QM-10's state; the window keeps what it was told.
    connect(m_qm10Port.get(), &Qm10PortControl::chipStateChanged, this, [this](int state) {
        m_qm10State = static_cast<vx::ChipState>(state);
        showState();
    });
}

// The worker ends its request before the port control it may use goes.
frmSpiDownloader::~frmSpiDownloader() { m_worker.reset(); }

void frmSpiDownloader::buildMenus() {
    QMenu* fileStuff = menuBar()->addMenu("File");
    fileStuff->setObjectName("FileStuff");
    m_openFile = fileStuff->addAction("Open Download");
    m_openFile->setObjectName("OpenFile");
    connect(m_openFile, &QAction::triggered, this,
            [this] { whenIdle([this] { procedures().OpenFile_Click(); }); });
    m_exitRoutine = fileStuff->addAction("Exit");
    m_exitRoutine->setObjectName("ExitRoutine");
    connect(m_exitRoutine, &QAction::triggered, this, &frmSpiDownloader::ExitRoutine_Click);

    QMenu* opChip = menuBar()->addMenu("Options");
    opChip->setObjectName("OpChip");
    m_qm40 = opChip->addAction("QM-40");
    m_qm40->setObjectName("qm40");
    m_qm40->setCheckable(true);
    connect(m_qm40, &QAction::triggered, this, &frmSpiDownloader::qm40_Click);
    m_qm10 = opChip->addAction("QM-10");
    m_qm10->setObjectName("qm10");
    m_qm10->setCheckable(true);
    connect(m_qm10, &QAction::triggered, this, &frmSpiDownloader::qm10_Click);

    QMenu* pcPorts = menuBar()->addMenu("Download Port");
    pcPorts->setObjectName("PcPorts");
    for (int n = 1; n <= 4; ++n) {
        QAction* item = pcPorts->addAction(QString("LPT%1").arg(n));
        item->setObjectName(QString("LPT%1").arg(n));
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, n] { LPT_Click(n); });
        m_LPT[n - 1] = item;
    }
    for (int n = 1; n <= 4; ++n) {
        QAction* item = pcPorts->addAction(QString("COM%1 (PC)").arg(n));
        item->setObjectName(QString("QM40com%1").arg(n));
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, n] { QM40com_Click(n); });
        m_QM40com[n - 1] = item;
    }
    m_qm40res = pcPorts->addAction("Rescue");
    m_qm40res->setObjectName("qm40res");
    connect(m_qm40res, &QAction::triggered, this,
            [this] { request([this] { procedures().qm40res_Click(); }); });
    pcPorts->addSeparator();
    m_terminalAction = pcPorts->addAction(QString("Terminal (%1)").arg(kTerminalSettings));
    m_terminalAction->setObjectName("Terminal");
    m_terminalAction->setCheckable(true);
    connect(m_terminalAction, &QAction::triggered, this, &frmSpiDownloader::Terminal_Click);

    m_aboutAction = menuBar()->addAction("About");
    m_aboutAction->setObjectName("About");
    connect(m_aboutAction, &QAction::triggered, this, &frmSpiDownloader::About_Click);

    m_operationActions = {m_openFile, m_qm40, m_qm10, m_qm40res, m_terminalAction};
    m_operationActions.insert(m_operationActions.end(), m_LPT.begin(), m_LPT.end());
    m_operationActions.insert(m_operationActions.end(), m_QM40com.begin(), m_QM40com.end());
}

void frmSpiDownloader::buildToolbar() {
    m_toolbar1 = addToolBar("Toolbar1");
    m_toolbar1->setObjectName("Toolbar1");
    m_toolbar1->setMovable(false);
    m_toolbar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    for (const ToolbarKey& button : kToolbarKeys) {
        QAction* action = m_toolbar1->addAction(style()->standardIcon(button.icon), button.key);
        action->setObjectName(QString("Toolbar1_") + button.key);
        action->setData(QString(button.key));
        action->setToolTip(button.toolTip);
        const QString key = button.key;
        connect(action, &QAction::triggered, this, [this, key] { Toolbar1_ButtonClick(key); });
        if (key != "Exit") m_operationActions.push_back(action);
    }
}

QAction* frmSpiDownloader::toolbarAction(const QString& key) const {
    for (QAction* action : m_toolbar1->actions()) {
        if (action->data().toString() == key) return action;
    }
    return nullptr;
}

void frmSpiDownloader::Toolbar1_ButtonClick(const QString& key) {
    if (key == "Exit") {
        ExitRoutine_Click();
        return;
    }
    if (key == "Open") {
        whenIdle([this] { procedures().OpenFile_Click(); });
        return;
    }
    // The chip operations, on the device worker.
    const std::array<std::pair<const char*, void (DownloadProcedures::*)()>, 4> operations{{
        {"Stop", &DownloadProcedures::StopChip},
        {"Run", &DownloadProcedures::cmdExecute_Click},
        {"Reset", &DownloadProcedures::ResetChip},
        {"Download", &DownloadProcedures::cmdDownload_Click},
    }};
    for (const auto& [name, procedure] : operations) {
        if (key == name) request([this, procedure = procedure] { (procedures().*procedure)(); });
    }
}

void frmSpiDownloader::request(std::function<void()> request) {
    if (m_busy) {
        refused(kBusyNotice);
        return;
    }
    setBusy(true);
    m_worker->post(std::move(request));
}

void frmSpiDownloader::whenIdle(const std::function<void()>& action) {
    if (m_busy) {
        refused(kBusyNotice);
        return;
    }
    action();
}

BatchResult frmSpiDownloader::Form_Load(const std::vector<std::string>& args,
                                        std::optional<std::string> workDirectory) {
    LoadCustomTexts();
    m_VX->setText("Chip Status Window");
    const StartupChoices choices =
        applyStartupChoices(m_settings, procedures(), m_worker->VX(),
                            workDirectory ? *workDirectory : workDirectoryOf(m_settings));
    m_qm40Port = m_worker->VX().CommPort();
    procedures().openStoredParallelPort();
    if (choices.qm40Port) {
        for (int n = 1; n <= 4; ++n) m_QM40com[n - 1]->setChecked(n == *choices.qm40Port);
    }
    chooseChip(choices.chip);
    // The command line runs here, before the window shows; then the device I/O moves to its thread.
    const BatchResult batch = runBatch(procedures(), m_worker->reporter(), args);
    if (!batch.endProgram) m_worker->startThread();
    return batch;
}

void frmSpiDownloader::LoadCustomTexts() {
    const std::string file = QDir(m_programDirectory).filePath("ud.ini").toStdString();
    const auto text = [&file](const char* key) {
        return QString::fromStdString(ReadIniValue("Main", key, file));
    };
    if (const QString caption = text("ApplicationName"); !caption.isEmpty()) setWindowTitle(caption);
    if (const QString debug = text("DebugWindowText"); !debug.isEmpty())
        m_txtDebugWindow->setPlainText(debug);
    if (const QString line = text("aboutWindowTextLine1"); !line.isEmpty()) m_aboutLine1 = line;
    if (const QString line = text("aboutWindowTextLine2"); !line.isEmpty()) m_aboutLine2 = line;
}

void frmSpiDownloader::applyChipVisibility() {
    const bool qm40 = procedures().chip() == Chip::QM40;
    m_progressBar1->setVisible(!qm40);
    for (QAction* item : m_QM40com) item->setVisible(qm40);
    m_qm40res->setVisible(qm40);
    for (QAction* item : m_LPT) item->setVisible(!qm40);
}

void frmSpiDownloader::chooseChip(Chip chip) {
    if (procedures().chip() != chip) {
        whenIdle([this, chip] {
            procedures().setChip(chip);
            m_settings.setChipType(chip == Chip::QM40 ? "QM40" : "QM10");
        });
    }
    // The menu flips a checkable item on every click; the chip decides.
    m_qm40->setChecked(procedures().chip() == Chip::QM40);
    m_qm10->setChecked(procedures().chip() == Chip::QM10);
    applyChipVisibility();
    showState();
}

void frmSpiDownloader::QM40com_Click(int n) {
    // The menu has already flipped item n: checked now means it was not before.
    if (m_QM40com[n - 1]->isChecked()) {
        for (int other = 1; other <= 4; ++other) m_QM40com[other - 1]->setChecked(other == n);
    }
    if (m_busy) {
        refused(kBusyNotice);
        showState();
        return;
    }
    m_settings.setQm40PortNumber(std::to_string(n));
    m_qm40Port = n;
    // The terminal follows the selected port once VX has let go of the old one.
    request([this, n] {
        procedures().SetDownloadPort(n);
        TerminalPort& terminal = m_worker->terminal();
        if (terminal.isTerminalOpen()) {
            terminal.closeTerminal();
            terminal.openTerminal();
        }
    });
}

void frmSpiDownloader::LPT_Click(int n) {
    // The dialog runs here; the device worker opens the port it chose.
    whenIdle([this, n] {
        if (Qm10Programmer* qm10 = procedures().qm10Programmer()) qm10->choosePort(n);
    });
    // The menu flips a checkable item on every click; the port the programmer opened decides.
    showCheckedLpt(m_checkedLpt);
}

void frmSpiDownloader::showCheckedLpt(int n) {
    for (int k = 1; k <= 4; ++k) m_LPT[k - 1]->setChecked(k == n);
}

void frmSpiDownloader::About_Click() {
    if (!m_about) {
        m_about = new AboutWindow(m_aboutLine1, m_aboutLine2, this);
        m_about->setAttribute(Qt::WA_DeleteOnClose, false);
    }
    m_about->show();
    m_about->raise();
}

void frmSpiDownloader::ExitRoutine_Click() { close(); }

void frmSpiDownloader::closeEvent(QCloseEvent* event) {
    // Closing in the middle of a transfer would leave the chip half written:
    // the window goes as soon as the operation ends.
    if (m_busy) {
        m_closeWhenIdle = true;
        m_worker->cancel();  // a Rescue stops waiting; a transfer runs to its end
        refused("Closing when the running operation ends.");
        event->ignore();
        return;
    }
    if (m_about) m_about->close();
    event->accept();
}

// --- the chip status window as a terminal

bool frmSpiDownloader::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_txtDebugWindow && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Copying from the status window needs no port.
        const bool reading = key->matches(QKeySequence::Copy) || key->matches(QKeySequence::SelectAll);
        const QString typed = key->text();
        if (typed.isEmpty() || (reading && !m_MSComm1.isOpen()))
            return QMainWindow::eventFilter(watched, event);
        if (!txtDebugWindow_KeyPress(typed)) return true;  // refused: not inserted either
        // A control character goes to the chip only: as an editing shortcut it
        // would select, cut or paste the status window's text.
        const char16_t first = typed.front().unicode();
        if (typed.size() == 1 && first < 0x20 && first != '\r' && first != '\t' && first != '\b') return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

bool frmSpiDownloader::txtDebugWindow_KeyPress(const QString& typed) {
    if (m_MSComm1.isOpen()) {
        m_MSComm1.write(typed.toLatin1());
        return true;
    }
    m_dialogs->showMessage("COM port must be open", kPortErrorTitle, MessageIcon::Exclamation);
    return false;
}

void frmSpiDownloader::Terminal_Click() {
    // The item shows whether the terminal is open, and the menu has flipped it already.
    const bool connectIt = m_terminalAction->isChecked();
    if (m_busy) {
        refused(kBusyNotice);
        showState();
        return;
    }
    m_terminalWanted = connectIt;
    if (!connectIt) {
        closeTerminal();
        return;
    }
    // A failed QM-40 action leaves the port with VX: the worker takes it back first.
    request([this] {
        procedures().CloseDownloadPort();
        TerminalPort& terminal = m_worker->terminal();
        if (!terminal.isTerminalOpen()) terminal.openTerminal();
    });
}

void frmSpiDownloader::terminalLost(QSerialPort::SerialPortError error) {
    if (error != QSerialPort::ResourceError || !m_MSComm1.isOpen()) return;
    const QString reason = m_MSComm1.errorString();
    m_terminalWanted = false;
    closeTerminal();
    statusBar()->showMessage("Terminal disconnected: " + reason);
}

void frmSpiDownloader::tmrSerialInputPoller_Timer() {
    if (!m_MSComm1.isOpen()) return;
    if (m_MSComm1.bytesAvailable() == 0 && !m_MSComm1.waitForReadyRead(0)) return;
    const QByteArray bytes = m_MSComm1.readAll();
    if (!bytes.isEmpty()) AppendTerminalText(terminalCharacters(bytes));
}

void frmSpiDownloader::AppendTerminalText(const QString& text) {
    const QString before = m_txtDebugWindow->toPlainText();
    const QString after = vxoem::AppendTerminalText(before, text);
    QTextCursor cursor = m_txtDebugWindow->textCursor();
    if (after.startsWith(before)) {
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(after.mid(before.size()));
    } else {
        m_txtDebugWindow->setPlainText(after);
        cursor = m_txtDebugWindow->textCursor();
    }
    cursor.movePosition(QTextCursor::End);
    m_txtDebugWindow->setTextCursor(cursor);
}

bool frmSpiDownloader::isTerminalOpen() const { return m_MSComm1.isOpen(); }

void frmSpiDownloader::closeTerminal() {
    m_MSComm1.close();
    showState();
}

bool frmSpiDownloader::openTerminal() {
    if (!m_terminalWanted) return false;
    const int port = m_qm40Port;
    m_MSComm1.setPortName(QString::fromStdString(m_settings.deviceForPort(port)));
    const bool open =
        m_MSComm1.open(QIODevice::ReadWrite) && m_MSComm1.setBaudRate(kTerminalBaud) &&
        m_MSComm1.setDataBits(QSerialPort::Data8) && m_MSComm1.setParity(QSerialPort::NoParity) &&
        m_MSComm1.setStopBits(QSerialPort::OneStop) && m_MSComm1.setFlowControl(QSerialPort::NoFlowControl);
    if (open) {
        m_terminalPort = port;
        showState();
        return true;
    }
    const QString reason = m_MSComm1.errorString();
    m_MSComm1.close();
    m_terminalWanted = false;
    showState();
    m_dialogs->showMessage(("The terminal cannot use " + serialPortText(port) + ": " + reason).toStdString(),
                           kPortErrorTitle, MessageIcon::Exclamation);
    return false;
}

QString frmSpiDownloader::serialPortText(int port) const {
    const QString name = QString("COM%1 (PC)").arg(port);
    const QString device = QString::fromStdString(m_settings.deviceForPort(port));
    return device == QString("COM%1").arg(port) ? name : name + ", " + device;
}

void frmSpiDownloader::showState() {
    if (procedures().chip() == Chip::QM40) {
        m_lblChipState->setText("QM-40 on " + serialPortText(m_qm40Port) + ": " +
                                chipStateText(m_VX->chipState()));
    } else {
        const int lpt = m_checkedLpt;
        const vx::ChipState state = m_qm10State;
        m_lblChipState->setText("QM-10 on " +
                                (lpt > 0 ? QString("LPT%1").arg(lpt) : QString("no parallel port")) + ": " +
                                chipStateText(state));
    }
    m_terminalAction->setChecked(m_MSComm1.isOpen());
    if (m_MSComm1.isOpen()) {
        m_lblTerminal->setText("Terminal: " + serialPortText(m_terminalPort) + ", " + kTerminalSettings);
    } else {
        m_lblTerminal->setText(m_terminalWanted ? "Terminal: paused while the chip link holds " +
                                                      serialPortText(m_qm40Port)
                                                : QString("Terminal: disconnected"));
    }
}

// --- what the procedures ask of the window

void frmSpiDownloader::showMessage(const std::string& text, const std::string& title, MessageIcon icon) {
    m_dialogs->showMessage(text, title.empty() ? windowTitle().toStdString() : title, icon);
}

bool frmSpiDownloader::confirm(const std::string& question) { return m_dialogs->confirm(question); }

std::string frmSpiDownloader::chooseDownloadFile(const std::string& initialDirectory) {
    return m_dialogs->chooseDownloadFile(initialDirectory);
}

void frmSpiDownloader::setChipWindowText(const QString& text) { m_txtDebugWindow->setPlainText(text); }

void frmSpiDownloader::appendChipWindowText(const QString& text) {
    QTextCursor cursor = m_txtDebugWindow->textCursor();
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
    m_txtDebugWindow->setTextCursor(cursor);
}

void frmSpiDownloader::setProgressText(const QString& format) {
    m_progressBar1->setFormat(format.isEmpty() ? QStringLiteral("%p%") : format);
}

void frmSpiDownloader::setBusy(bool busy) {
    m_busy = busy;
    // The request has ended: the worker's port can be read.
    if (!busy) m_qm40Port = m_worker->VX().CommPort();
    for (QAction* action : m_operationActions) action->setEnabled(!busy);
    showState();
    if (busy) {
        statusBar()->clearMessage();
        setCursor(Qt::BusyCursor);  // the window stays live, so not the plain hourglass
    } else {
        unsetCursor();
    }
    if (!busy && m_closeWhenIdle) {
        QTimer::singleShot(0, this, [this] { close(); });
    }
}

void frmSpiDownloader::refused(const QString& notice) { statusBar()->showMessage(notice, 5000); }

}  // namespace vxoem
