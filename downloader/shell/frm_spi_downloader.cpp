#include "frm_spi_downloader.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
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
constexpr int kTerminalBufferBytes = 16384;
constexpr int kPollIntervalMs = 50;
constexpr const char* kCaption = "Velmix OEM Downloader";

void defaultMessage(QWidget* parent, const QString& text, const QString& title, MessageIcon icon) {
    QMessageBox box(icon == MessageIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon, title,
                    text, QMessageBox::Ok, parent);
    box.exec();
}

bool defaultQuestion(QWidget* parent, const QString& text, const QString& title) {
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
           QMessageBox::Yes;
}

QString defaultChooseFile(QWidget* parent, const QString& initialDirectory) {
    return QFileDialog::getOpenFileName(parent, "Open", initialDirectory,
                                        "Velmix Express Binary Files (*.vxb)");
}

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

frmSpiDownloader::frmSpiDownloader(DownloaderDialogs dialogs, QString programDirectory, QWidget* parent)
    : QMainWindow(parent),
      m_dialogs(std::move(dialogs)),
      m_programDirectory(programDirectory.isEmpty() ? QCoreApplication::applicationDirPath()
                                                    : programDirectory),
      m_reporter(*this),
      m_VX(new VelmixControl(nullptr, {}, [this](int port) { return m_settings.deviceForPort(port); })),
      m_procedures(m_VX->link(), m_reporter, *this, this) {
    if (!m_dialogs.message) m_dialogs.message = defaultMessage;
    if (!m_dialogs.chooseFile) m_dialogs.chooseFile = defaultChooseFile;
    if (!m_dialogs.question) m_dialogs.question = defaultQuestion;
    setObjectName("frmSpiDownloader");
    setWindowTitle(kCaption);

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
    statusBar();

    buildMenus();
    buildToolbar();
    resize(640, 420);

    m_MSComm1.setObjectName("MSComm1");
    m_MSComm1.setReadBufferSize(kTerminalBufferBytes);

    m_tmrSerialInputPoller.setObjectName("tmrSerialInputPoller");
    m_tmrSerialInputPoller.setInterval(kPollIntervalMs);
    connect(&m_tmrSerialInputPoller, &QTimer::timeout, this, &frmSpiDownloader::tmrSerialInputPoller_Timer);
    m_tmrSerialInputPoller.start();
    // The parallel-port programmer's EEPROM time-out; the programmer sets its interval.
    m_tmrEEPROMtimeout.setObjectName("tmrEEPROMtimeout");

    m_qm10Port = std::make_unique<Qm10PortControl>(this, qm10PortHooks(m_settings, m_reporter, *this),
                                                   &m_tmrEEPROMtimeout);
    m_procedures.setQm10Programmer(m_qm10Port.get());
    connect(m_qm10Port.get(), &Qm10PortControl::portChecked, this, &frmSpiDownloader::showCheckedLpt);
}

frmSpiDownloader::~frmSpiDownloader() = default;

void frmSpiDownloader::buildMenus() {
    QMenu* fileStuff = menuBar()->addMenu("File");
    fileStuff->setObjectName("FileStuff");
    m_openFile = fileStuff->addAction("Open Download");
    m_openFile->setObjectName("OpenFile");
    connect(m_openFile, &QAction::triggered, this,
            [this] { runExclusive([this] { m_procedures.OpenFile_Click(); }); });
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
            [this] { runExclusive([this] { m_procedures.qm40res_Click(); }); });

    m_aboutAction = menuBar()->addAction("About");
    m_aboutAction->setObjectName("About");
    connect(m_aboutAction, &QAction::triggered, this, &frmSpiDownloader::About_Click);

    m_operationActions = {m_openFile, m_qm40, m_qm10, m_qm40res};
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
    const std::map<QString, void (DownloadProcedures::*)()> procedures{
        {"Open", &DownloadProcedures::OpenFile_Click},        {"Stop", &DownloadProcedures::StopChip},
        {"Run", &DownloadProcedures::cmdExecute_Click},       {"Reset", &DownloadProcedures::ResetChip},
        {"Download", &DownloadProcedures::cmdDownload_Click},
    };
    const auto found = procedures.find(key);
    if (found == procedures.end()) return;
    runExclusive([this, procedure = found->second] { (m_procedures.*procedure)(); });
}

void frmSpiDownloader::runExclusive(const std::function<void()>& action) { m_procedures.exclusive(action); }

BatchResult frmSpiDownloader::Form_Load(const std::vector<std::string>& args) {
    LoadCustomTexts();
    m_VX->setText("Chip Status Window");
    const StartupChoices choices = applyStartupChoices(m_settings, m_procedures, m_VX->link());
    m_procedures.openStoredParallelPort();
    if (choices.qm40Port) {
        for (int n = 1; n <= 4; ++n) m_QM40com[n - 1]->setChecked(n == *choices.qm40Port);
    }
    chooseChip(choices.chip);
    return runBatch(m_procedures, m_reporter, args);
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
    QCoreApplication::processEvents();
}

void frmSpiDownloader::applyChipVisibility() {
    const bool qm40 = m_procedures.chip() == Chip::QM40;
    m_progressBar1->setVisible(!qm40);
    for (QAction* item : m_QM40com) item->setVisible(qm40);
    m_qm40res->setVisible(qm40);
    for (QAction* item : m_LPT) item->setVisible(!qm40);
}

void frmSpiDownloader::chooseChip(Chip chip) {
    if (m_procedures.chip() != chip) {
        runExclusive([this, chip] {
            m_procedures.setChip(chip);
            m_settings.setChipType(chip == Chip::QM40 ? "QM40" : "QM10");
        });
    }
    // The menu flips a checkable item on every click; the chip decides.
    m_qm40->setChecked(m_procedures.chip() == Chip::QM40);
    m_qm10->setChecked(m_procedures.chip() == Chip::QM10);
    applyChipVisibility();
}

void frmSpiDownloader::QM40com_Click(int n) {
    // The menu has already flipped item n: checked now means it was not before.
    if (m_QM40com[n - 1]->isChecked()) {
        for (int other = 1; other <= 4; ++other) m_QM40com[other - 1]->setChecked(other == n);
    }
    runExclusive([this, n] {
        m_settings.setQm40PortNumber(std::to_string(n));
        m_procedures.SetDownloadPort(n);
    });
}

void frmSpiDownloader::LPT_Click(int n) {
    runExclusive([this, n] {
        if (Qm10Programmer* qm10 = m_procedures.qm10Programmer()) qm10->choosePort(n);
    });
    // The menu flips a checkable item on every click; the port the programmer opened decides.
    showCheckedLpt(m_qm10Port->checkedPort());
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
    if (m_procedures.busy()) {
        m_closeWhenIdle = true;
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
        const QString typed = static_cast<QKeyEvent*>(event)->text();
        if (!typed.isEmpty()) txtDebugWindow_KeyPress(typed);
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmSpiDownloader::txtDebugWindow_KeyPress(const QString& typed) {
    if (m_MSComm1.isOpen()) {
        m_MSComm1.write(typed.toLatin1());
        return;
    }
    m_dialogs.message(this, "COM port must be open", "Port ERROR", MessageIcon::Exclamation);
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

void frmSpiDownloader::closeTerminal() { m_MSComm1.close(); }

bool frmSpiDownloader::openTerminal() {
    m_MSComm1.setPortName(QString::fromStdString(m_settings.deviceForPort(m_VX->CommPort())));
    if (!m_MSComm1.open(QIODevice::ReadWrite)) return false;
    m_MSComm1.setBaudRate(kTerminalBaud);
    m_MSComm1.setDataBits(QSerialPort::Data8);
    m_MSComm1.setParity(QSerialPort::NoParity);
    m_MSComm1.setStopBits(QSerialPort::OneStop);
    return true;
}

// --- what the procedures ask of the window

void frmSpiDownloader::showMessage(const std::string& text, const std::string& title, MessageIcon icon) {
    m_dialogs.message(this, QString::fromStdString(text),
                      title.empty() ? windowTitle() : QString::fromStdString(title), icon);
}

bool frmSpiDownloader::confirm(const std::string& question) {
    return m_dialogs.question(this, QString::fromStdString(question), windowTitle());
}

std::string frmSpiDownloader::chooseDownloadFile(const std::string& initialDirectory) {
    return m_dialogs.chooseFile(this, QString::fromStdString(initialDirectory)).toStdString();
}

void frmSpiDownloader::setChipWindowText(const std::string& text) {
    m_txtDebugWindow->setPlainText(QString::fromStdString(text));
}

void frmSpiDownloader::appendChipWindowText(const std::string& text) {
    QTextCursor cursor = m_txtDebugWindow->textCursor();
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QString::fromStdString(text));
    m_txtDebugWindow->setTextCursor(cursor);
}

void frmSpiDownloader::setProgressRange(int minimum, int maximum) {
    m_progressBar1->setRange(minimum, maximum);
}

void frmSpiDownloader::setProgressValue(int value) { m_progressBar1->setValue(value); }

void frmSpiDownloader::busyChanged(bool busy) {
    for (QAction* action : m_operationActions) action->setEnabled(!busy);
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

void frmSpiDownloader::refused(const std::string& notice) {
    statusBar()->showMessage(QString::fromStdString(notice), 5000);
}

}  // namespace vxoem
