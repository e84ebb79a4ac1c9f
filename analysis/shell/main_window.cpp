#include "main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QResizeEvent>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <iterator>
#include <string_view>
#include <utility>

#include "about_dialog.h"
#include "compare_window.h"
#include "config_dialog.h"
#include "csv_export.h"
#include "data_table.h"
#include "device_commands.h"
#include "dialogs.h"
#include "export_dialog.h"
#include "flights_window.h"
#include "graph_interaction.h"
#include "graph_widget.h"
#include "ln_graph.h"
#include "logbook_index.h"
#include "model_graph.h"
#include "pointer_guard.h"
#include "qt_text.h"
#include "recent_files_menu.h"
#include "record_reader.h"
#include "report_pdf.h"
#include "rocket_profile_store.h"
#include "units_dialog.h"
#include "window_print.h"

namespace tarvel {

using suite::qs;

namespace {

const QString kTitle = QString::fromLatin1(kAppTitle);
// Title bar and borders that the window system adds around the window.
constexpr QSize kFrameRoom(16, 48);

// The platform's standard keys for a command, and `key` where the platform has
// none of its own, so the command has the same key everywhere.
QList<QKeySequence> standardKeys(QKeySequence::StandardKey standard, const QKeySequence& key) {
    QList<QKeySequence> keys = QKeySequence::keyBindings(standard);
    if (!keys.contains(key)) keys.append(key);
    return keys;
}

// The first local record file among dragged or dropped data; empty when none.
QString droppedRecordFile(const QMimeData* data) {
    if (!data || !data->hasUrls()) return {};
    for (const QUrl& url : data->urls()) {
        const QString path = url.toLocalFile();
        if (!path.isEmpty() && path.endsWith(".rcd", Qt::CaseInsensitive) && QFileInfo(path).isFile())
            return path;
    }
    return {};
}

}  // namespace

MainWindow::MainWindow(Dialogs& dialogs, TarvelSettings settings, QWidget* parent,
                       UserPreferences preferences)
    : QMainWindow(parent),
      m_dialogs(dialogs),
      m_settings(std::move(settings)),
      m_preferences(std::move(preferences)),
      m_logbookIndexPath(logbook::LogbookIndex::defaultPath()) {
#ifdef Q_OS_WIN
    m_firmwareProgram = "TRupgrade.exe";
#else
    m_firmwareProgram = "TRupgrade";
#endif
    setObjectName("frmMain");
    setWindowTitle(kTitle + "[*]");

    m_graph = std::make_unique<graph::LnGraph>();
    m_interaction = std::make_unique<graph::GraphInteraction>(*m_graph);
    buildMenus();
    buildPanels();

    // The port comes from the port dialog's initial text, unless an earlier
    // OK left one in the settings file.
    m_config = std::make_unique<ConfigDialog>(m_analysis, m_settings, m_dialogs, this);
    if (auto saved = m_settings.readPort()) m_config->Comport()->setCurrentText(qs(*saved));
    m_analysis.Comport = m_config->Comport()->currentText().toStdString();

    // The units chosen in an earlier run; the first run keeps the start-up units.
    if (auto units = m_preferences.units()) m_analysis.applyUnits(*units);
    setAcceptDrops(true);

    drawModelGraph(m_analysis, {GraphStep::Init, GraphStep::Axes}, *m_graph);
    refreshFromModel();
    // The design size, but no larger than the screen shows (a small or scaled
    // screen), or the panels under the graph would begin off-screen.
    QSize first(1024, 768);
    if (const QScreen* shownOn = screen())
        first = first.boundedTo(shownOn->availableGeometry().size() - kFrameRoom);
    resize(first.expandedTo(minimumSizeHint()));
}

MainWindow::~MainWindow() = default;

void MainWindow::setNumberLocale(const NumberLocale& locale) {
    m_analysis.numberLocale = locale;
    if (m_compare) m_compare->setUnits(m_analysis.units, locale);
    if (m_flights) m_flights->setUnits(chosenUnits(), locale);
    drawModelGraph(m_analysis, {GraphStep::Axes}, *m_graph);
    refreshFromModel();
}

QAction* MainWindow::addEntry(QMenu* menu, const char* name, const char* caption,
                              void (MainWindow::*handler)(), const QKeySequence& shortcut) {
    auto* action = new QAction(QString::fromLatin1(caption), this);
    action->setObjectName(name);
    if (!shortcut.isEmpty()) action->setShortcut(shortcut);
    connect(action, &QAction::triggered, this, handler);
    if (menu)
        menu->addAction(action);
    else
        menuBar()->addAction(action);
    m_actions[QString::fromLatin1(name)] = action;
    return action;
}

void MainWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu("&File");
    file->setObjectName("mnuFile");
    addEntry(file, "mnuFileOpen", "&Open", &MainWindow::mnuFileOpen_Click, QKeySequence("Ctrl+O"));
    QMenu* recent = file->addMenu("Open &Recent");
    recent->setObjectName("mnuFileRecent");
    m_recent = std::make_unique<RecentFilesMenu>(*recent, m_preferences,
                                                 [this](const QString& path) { openRecentFile(path); });
    addEntry(file, "mnuFileFlights", "&Flights...", &MainWindow::mnuFileFlights_Click);
    addEntry(file, "mnuFileCompare", "Co&mpare Flights...", &MainWindow::mnuFileCompare_Click);
    addEntry(file, "mnuFileSave", "&Save", &MainWindow::mnuFileSave_Click, QKeySequence("Ctrl+S"));
    addEntry(file, "mnuFileSaveAs", "Save &As", &MainWindow::mnuFileSaveAs_Click)
        ->setShortcuts(standardKeys(QKeySequence::SaveAs, QKeySequence("Ctrl+Shift+S")));
    addEntry(file, "mnuFileExport", "Expor&t to .ENG", &MainWindow::mnuFileExport_Click);
    addEntry(file, "mnuFileExportCSV", "Export to .&CSV", &MainWindow::mnuFileExportCSV_Click);
    QMenu* exportMenu = file->addMenu("E&xport");
    exportMenu->setObjectName("mnuFileExportMenu");
    addEntry(exportMenu, "mnuFileExportTable", "&Data Table (CSV)...", &MainWindow::mnuFileExportTable_Click);
    // Needs the figures, as the motor file export does: enabled along with it.
    QAction* exportReport = addEntry(file, "mnuFileExportReport", "Export Report (P&DF)...",
                                     &MainWindow::mnuFileExportReport_Click);
    connect(action("mnuFileExport"), &QAction::enabledChanged, exportReport, &QAction::setEnabled);
    file->addSeparator();
    addEntry(file, "mnuFilePrint", "&Print...", &MainWindow::mnuFilePrint_Click)
        ->setShortcuts(standardKeys(QKeySequence::Print, QKeySequence("Ctrl+P")));
    file->addSeparator();
    addEntry(file, "mnuFileExit", "&Exit", &MainWindow::mnuFileExit_Click)
        ->setShortcuts(standardKeys(QKeySequence::Quit, QKeySequence("Ctrl+Q")));

    QMenu* connectMenu = menuBar()->addMenu("&Connect");
    connectMenu->setObjectName("mnuConnect");
    addEntry(connectMenu, "mnuConnectUploadData", "&Download Data...",
             &MainWindow::mnuConnectUploadData_Click);
    addEntry(connectMenu, "mnuConnectUploadFirmware", "&Upload Firmware...",
             &MainWindow::mnuConnectUploadFirmware_Click);
    // "Check Outputs" has never had a command of its own.
    auto* checkOutputs = new QAction("Chec&k Outputs", this);
    checkOutputs->setObjectName("mnuConnectCheckOutputs");
    connectMenu->addAction(checkOutputs);
    m_actions["mnuConnectCheckOutputs"] = checkOutputs;
    connectMenu->addSeparator();
    addEntry(connectMenu, "mnuConnectPortConfig", "&Port Configuration",
             &MainWindow::mnuConnectPortConfig_Click);

    addEntry(nullptr, "mnuRecalc", "&Recalculate", &MainWindow::mnuRecalc_Click);
    m_recalculateKey = new QAction("Recalculate", this);
    m_recalculateKey->setObjectName("actRecalculateKey");
    m_recalculateKey->setShortcuts(standardKeys(QKeySequence::Refresh, QKeySequence(Qt::Key_F5)));
    m_recalculateKey->setEnabled(false);
    connect(m_recalculateKey, &QAction::triggered, this, &MainWindow::mnuRecalc_Click);
    addAction(m_recalculateKey);

    QMenu* graphMenu = menuBar()->addMenu("&Graph");
    graphMenu->setObjectName("mnuGraph");
    addEntry(graphMenu, "mnuGraphAll", "&All Curves", &MainWindow::mnuGraphAll_Click);
    addEntry(graphMenu, "mnuGraphAccelThrust", "A&ccel\\Thrust", &MainWindow::mnuGraphAccelThrust_Click);
    addEntry(graphMenu, "mnuGraphThrust", "&Thrust", &MainWindow::mnuGraphThrust_Click);
    addEntry(graphMenu, "mnuGraphAltitude", "A&ltitude", &MainWindow::mnuGraphAltitude_Click);
    addEntry(graphMenu, "mnuGraphVelocity", "&Velocity", &MainWindow::mnuGraphVelocity_Click);
    addEntry(graphMenu, "mnuGraphAccel", "Acc&eleration", &MainWindow::mnuGraphAccel_Click);
    for (const char* name : {"mnuGraphAll", "mnuGraphAccelThrust", "mnuGraphThrust", "mnuGraphAltitude",
                             "mnuGraphVelocity", "mnuGraphAccel"})
        action(name)->setCheckable(true);
    buildGraphGestures(graphMenu);

    QMenu* config = menuBar()->addMenu("&Configuration");
    config->setObjectName("mnuConfiguration");
    addEntry(config, "mnuConfigurationUnits", "&Units", &MainWindow::mnuConfigurationUnits_Click);
    addEntry(config, "mnuConfigurationAltimeter", "Configure &Altimeter",
             &MainWindow::mnuConfigurationAltimeter_Click);
    buildProfileMenus(config);

    QMenu* help = menuBar()->addMenu("&Help");
    help->setObjectName("mnuHelp");
    addEntry(help, "mnuHelpAbout", "&About", &MainWindow::mnuHelpAbout_Click, QKeySequence(Qt::Key_F1));

    // Commands that need a record wait for the first Open.
    for (const char* name : {"mnuFileSave", "mnuFileSaveAs", "mnuFileExport", "mnuFileExportCSV",
                             "mnuFileExportTable", "mnuFilePrint", "mnuRecalc"})
        action(name)->setEnabled(false);
    // Entries that the window has never shown; their handlers still work.
    for (const char* name : {"mnuConnectCheckOutputs", "mnuRecalc", "mnuGraphThrust", "mnuGraphAltitude",
                             "mnuGraphVelocity", "mnuGraphAccel"})
        action(name)->setVisible(false);
}

QAction* MainWindow::action(const QString& name) const {
    auto it = m_actions.find(name);
    return it == m_actions.end() ? nullptr : it->second;
}

QLineEdit* MainWindow::detailEdit(DetailField field) const { return m_detailEdits[int(field)]; }

void MainWindow::runCommand(Status (FlightAnalysis::*command)()) {
    // The picture first, then any message about it.
    const FigureTexts before = m_analysis.figures;
    const Status status = (m_analysis.*command)();
    markEditedIf(m_analysis.figures != before);
    refreshFromModel();
    report(status);
}

void MainWindow::markEdited() { markEditedIf(true); }

void MainWindow::markEditedIf(bool changed) {
    // Before a record is loaded there is nothing that could be saved.
    if (changed && m_analysis.bValidFile) setWindowModified(true);
}

bool MainWindow::settleUnsavedEdits() {
    if (!isWindowModified()) return true;
    const QString file =
        m_analysis.CurOpenFileName.empty() ? QString("the flight") : qs(m_analysis.CurOpenFileName);
    switch (m_dialogs.ask(this, "The changes to " + file + " have not been saved.\nSave them first?",
                          {Dialogs::Choice::Save, Dialogs::Choice::Discard, Dialogs::Choice::Cancel})) {
        case Dialogs::Choice::Save:
            if (m_analysis.CurOpenFileName.empty())
                mnuFileSaveAs_Click();
            else
                mnuFileSave_Click();
            return !isWindowModified();  // a failed or cancelled save keeps them
        case Dialogs::Choice::Discard:
            return true;
        default:
            return false;
    }
}

bool MainWindow::confirmReplacingDownloads() {
    m_downloadReplaceAgreed = false;
    const std::vector<std::string> files = m_device->filesADownloadMayReplace();
    if (files.empty()) return true;
    constexpr size_t kListed = 8;
    QString names;
    for (size_t i = 0; i < files.size() && i < kListed; ++i) names += "\n    " + qs(files[i]);
    if (files.size() > kListed) names += QString("\n    and %1 more").arg(files.size() - kListed);
    const QString text = "The download writes one file per flight and replaces files of the same names in " +
                         QDir::currentPath() + ":" + names + "\nReplace them?";
    m_downloadReplaceAgreed =
        m_dialogs.ask(this, text, {Dialogs::Choice::Replace, Dialogs::Choice::Cancel}) ==
        Dialogs::Choice::Replace;
    return m_downloadReplaceAgreed;
}

bool MainWindow::report(const Status& status) {
    if (!status.ok) m_dialogs.message(this, qs(status.message), Dialogs::Icon::Exclamation);
    return status.ok;
}

void MainWindow::setRecordCommandsEnabled(std::initializer_list<const char*> names) {
    for (const char* name : names) {
        action(name)->setEnabled(true);
        if (std::string_view(name) == "mnuRecalc") m_recalculateKey->setEnabled(true);
    }
}

QMenu* MainWindow::recentMenu() const { return m_recent->menu(); }

void MainWindow::openRecentFile(const QString& path) {
    if (openRecordFile(path)) return;
    // A file that is gone is taken off the list; one that failed to read stays.
    if (!QFileInfo::exists(path)) m_recent->forget(path);
}

void MainWindow::openStartupFiles(const QStringList& paths) {
    if (paths.isEmpty()) return;
    m_recent->rememberInOrder(paths.mid(1));  // below the first
    openRecordFile(paths.front());
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedRecordFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QString path = droppedRecordFile(event->mimeData());
    if (path.isEmpty()) return;
    event->acceptProposedAction();
    openRecordFile(path);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // A record file dropped on a text field opens, rather than pasting its name.
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove ||
        event->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!droppedRecordFile(drop->mimeData()).isEmpty()) {
            if (event->type() == QEvent::Drop)
                dropEvent(drop);
            else
                drop->acceptProposedAction();
            return true;
        }
    }
    if (event->type() == QEvent::FocusOut) {
        // Opening a menu or switching to another program is not leaving the field.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) {
            for (int i = 0; i < kDetailFieldCount; ++i)
                if (m_detailEdits[i] == watched) detailLostFocus(DetailField(i));
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::detailLostFocus(DetailField field) {
    if (!m_analysis.isNumericDetail(field)) return;  // name, place, date and notes are only written out
    const std::string text = detailEdit(field)->text().toStdString();
    const FigureTexts before = m_analysis.figures;
    const Status status = m_analysis.commitDetail(field, text);
    markEditedIf(m_analysis.figures != before);
    refreshFromModel();
    report(status);
}

// --- File menu -------------------------------------------------------------

void MainWindow::mnuFileOpen_Click() {
    const auto path = m_dialogs.openFile(this, "Choose a Data File", "Record Files (*.rcd)");
    if (!path) return;
    openRecordFile(*path);
}

bool MainWindow::openRecordFile(const QString& path) {
    if (!settleUnsavedEdits()) return false;
    Status status;
    bool replaced = false;
    {
        PointerGuard busy(this);  // the message below shows the ordinary pointer
        status = m_analysis.openRecordFile(path.toStdString(), &replaced);
        // A file that is no record changed nothing: the flight shown stays whole.
        if (replaced) {
            setRecordCommandsEnabled({"mnuRecalc", "mnuFilePrint", "mnuFileSave", "mnuFileSaveAs",
                                      "mnuFileExport", "mnuFileExportCSV", "mnuFileExportTable"});
            setWindowTitle(kTitle + " - " + path + "[*]");
            setWindowModified(false);
            m_interaction->reset();  // the pointer was on the previous flight
            refreshFromModel();
            m_recent->remember(path);
        }
    }
    report(status);
    return replaced;
}

void MainWindow::reportSaved(const Status& status) {
    if (report(status)) setWindowModified(false);
}

bool MainWindow::mayWriteRecordTo(const std::string& path) {
    if (!m_analysis.overwritesPartlyReadFile(path)) return true;
    return m_dialogs.ask(this, qs(m_analysis.partlyReadWarning()) + "\nSave over it all the same?",
                         {Dialogs::Choice::Save, Dialogs::Choice::Cancel}) == Dialogs::Choice::Save;
}

void MainWindow::mnuFileSave_Click() {
    if (mayWriteRecordTo(m_analysis.CurOpenFileName)) reportSaved(m_analysis.saveRecordFile(true));
}

void MainWindow::mnuFileSaveAs_Click() {
    const auto path = m_dialogs.saveFile(this, "Save the Record.", "Record Files (*.rcd)");
    if (!path || !mayWriteRecordTo(path->toStdString())) return;
    const Status status = m_analysis.saveRecordFileAs(path->toStdString(), true);
    reportSaved(status);
    if (status.ok) m_recent->remember(*path);
}

void MainWindow::mnuFileExportCSV_Click() {
    const auto path =
        m_dialogs.saveFile(this, qs(std::string(kCsvExportDialogTitle)), dialogFilter(kCsvExportFilter));
    if (!path || !mayWriteRecordTo(path->toStdString())) return;
    // The export is the whole record and becomes the current file, as Save As.
    reportSaved(exportCsvFile(m_analysis, path->toStdString(), true));
}

void MainWindow::mnuFileExportTable_Click() {
    const auto path =
        m_dialogs.saveFile(this, qs(std::string(kDataTableDialogTitle)), dialogFilter(kDataTableFilter));
    if (!path) return;
    PointerGuard busy(this);
    report(exportDataTableFile(m_analysis, path->toStdString()));
}

void MainWindow::mnuFileExport_Click() {
    ExportDialog dialog(m_analysis, m_dialogs, this);
    m_dialogs.runModal(dialog);
}

void MainWindow::mnuFileExportReport_Click() {
    const auto path = m_dialogs.saveFile(this, "Export Report (PDF)", "PDF Files (*.pdf)");
    if (!path) return;
    const report::ReportSetup setup{report::paperOf(QLocale()), m_analysis.CurOpenFileName,
                                    "TarvelGraph " + programVersion().toStdString()};
    Status written;
    {
        PointerGuard busy(this);
        written = report::writeReportPdf(m_analysis, path->toStdString(), setup);
    }
    report(written);
}

bool MainWindow::printWindowImage(QPrinter& printer) { return tarvel::printWindowImage(*this, printer); }

void MainWindow::mnuFilePrint_Click() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    // A PDF printer proposes FLIGHT.pdf and titles the PDF with it.
    printer.setDocName(QFileInfo(qs(m_analysis.CurOpenFileName)).completeBaseName());
    if (!m_dialogs.choosePrinter(this, printer)) return;  // cancelled: nothing to say
    if (!printWindowImage(printer))
        m_dialogs.message(this, "The form can't be printed.", Dialogs::Icon::None);
}

UnitSelection MainWindow::chosenUnits() const { return m_preferences.units().value_or(m_analysis.units); }

void MainWindow::mnuFileFlights_Click() {
    if (!m_flights) {
        m_flights = new FlightsWindow(m_preferences, this, m_logbookIndexPath);
        m_flights->setUnits(chosenUnits(), m_analysis.numberLocale);
        m_flights->markDownloaded(m_downloadedAgain);
        connect(m_flights, &FlightsWindow::openRequested, this, [this](const QString& path) {
            raise();
            activateWindow();
            // The rocket profile the logbook keeps for the flight comes with it.
            const QString profile = m_flights->profileOf(path);
            if (openRecordFile(path) && !profile.isEmpty()) applyRocketProfileNamed(profile);
        });
        connect(m_flights, &FlightsWindow::compareRequested, this, &MainWindow::showCompare);
    }
    m_flights->show();
    m_flights->raise();
    m_flights->activateWindow();
}

std::string MainWindow::sameFlightsInLogbook(const std::vector<std::string>& downloaded) {
    const QStringList folders = m_preferences.logbookFolders();
    if (folders.isEmpty() || downloaded.empty()) return {};
    logbook::LogbookIndex index(m_logbookIndexPath);
    index.update(folders);  // reads only what is new or changed since
    const QStringList logged = logbook::canonicalFolders(folders);
    std::map<QString, QString> found;
    std::string text;
    for (const std::string& file : downloaded) {
        Flight flight;
        RecordReadReport read;
        if (!loadRecordFile(file, flight, &read).ok || !read.samplesFound) continue;
        const QString path = QFileInfo(qs(file)).canonicalFilePath();
        for (const QString& same : index.pathsWithSamples(logbook::samplesHash(flight.samples))) {
            if (same == path || !logbook::isInFolders(same, logged)) continue;
            text += (text.empty() ? "" : "\r\n") + QFileInfo(path).fileName().toStdString() +
                    " has the same samples as " + same.toStdString() + " in the logbook.";
            found[same] = path;
        }
    }
    for (const auto& [same, path] : found) m_downloadedAgain[same] = path;
    if (m_flights) m_flights->markDownloaded(found);
    return text;
}

void MainWindow::mnuFileCompare_Click() {
    const bool first = !m_compare;
    showCompare({});
    // A comparison starts from the flight shown, as it is held (a download has no file).
    if (first && m_analysis.bValidFile)
        m_compare->addFlight(m_analysis, m_analysis.CurOpenFileName.empty() ? "Downloaded flight"
                                                                            : m_analysis.CurOpenFileName);
}

void MainWindow::showCompare(const QStringList& paths) {
    if (!m_compare) m_compare = new CompareWindow(m_dialogs, this);
    m_compare->setUnits(m_analysis.units, m_analysis.numberLocale);
    m_compare->show();
    m_compare->raise();
    m_compare->activateWindow();
    m_compare->addFiles(paths);
}

void MainWindow::mnuFileExit_Click() {
    m_config->close();
    close();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    // The window's design is 1024 x 768; larger or smaller windows scale its
    // panels' text with the graph, so the window looks the same at any size.
    const double factor = std::clamp(std::min(width() / 1024.0, height() / 768.0), 0.8, 3.0);
    QFont font = centralWidget()->font();
    const double size = m_basePointSize * factor;
    if (std::abs(font.pointSizeF() - size) > 0.05 * m_basePointSize) {
        font.setPointSizeF(size);
        centralWidget()->setFont(font);
        // Three lines of notes stay readable at every size.
        m_notes->setMinimumHeight(QFontMetrics(font).lineSpacing() * 3 + 8);
    }
    QMainWindow::resizeEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Only a download can hold the port while this window takes commands: the
    // configuration window is modal.
    if (m_deviceState != DeviceState::Idle) {
        // The window closes once the stopped transfer has ended and told what it kept.
        event->ignore();
        if (m_deviceState == DeviceState::ExitWhenDone ||
            m_dialogs.ask(this,
                          "A download from the flight computer is running.\nStop it and exit? The flights "
                          "downloaded whole are kept.",
                          {Dialogs::Choice::StopAndExit, Dialogs::Choice::Cancel}) !=
                Dialogs::Choice::StopAndExit)
            return;
        m_deviceState = DeviceState::ExitWhenDone;
        m_device->stopDownload();
        return;
    }
    if (!settleUnsavedEdits()) {
        event->ignore();
        return;
    }
    m_config->close();
    QMainWindow::closeEvent(event);
}

// --- Connect menu ----------------------------------------------------------

void MainWindow::mnuConnectUploadData_Click() {
    // Slot for the flight computer download of the device library.
    if (!m_device) {
        m_dialogs.message(this, "The flight computer commands are not available.",
                          Dialogs::Icon::Exclamation);
        return;
    }
    // The window stays in use during the transfer; the port is the download's
    // until it ends, so the other device commands wait.
    if (deviceBusy()) return;
    if (!settleUnsavedEdits() || !confirmReplacingDownloads()) return;
    m_device->uploadData(*this);
}

void MainWindow::setDeviceCommands(DeviceCommands* commands) {
    m_device = commands;
    if (commands) commands->setBusyListener([this](bool busy) { deviceBusyChanged(busy); });
}

void MainWindow::deviceBusyChanged(bool busy) {
    const bool exit = m_deviceState == DeviceState::ExitWhenDone;
    m_deviceState = busy ? DeviceState::Busy : DeviceState::Idle;
    for (const char* name : {"mnuConnectUploadData", "mnuConnectUploadFirmware", "mnuConfigurationAltimeter"})
        action(name)->setEnabled(!busy);
    if (busy) return;
    refreshFromModel();
    if (exit) close();
}

void MainWindow::flightsDownloaded() {
    setRecordCommandsEnabled({"mnuRecalc", "mnuFilePrint", "mnuFileSave"});
    m_graph->InitGraph();
    // The axes are back at their defaults: draw them, and the loaded flight on
    // them, or the labels and the pointer would still read the old axes.
    m_graph->ClearCurves();
    m_graph->DrawAxes();
    if (m_analysis.bValidFile) m_analysis.RecalculateGraph();  // a failure leaves the empty axes
    refreshFromModel();
}

void MainWindow::mnuConnectUploadFirmware_Click() {
    if (!QProcess::startDetached(m_firmwareProgram, {}))
        m_dialogs.message(this, "The firmware upgrade program " + m_firmwareProgram + " cannot be started.",
                          Dialogs::Icon::Exclamation);
}

void MainWindow::mnuConnectPortConfig_Click() {
    m_config->refreshPorts();  // ports come and go with their cables
    m_config->Comport()->setCurrentText(qs(m_analysis.Comport));
    m_dialogs.runModal(*m_config);
}

// --- Recalculate and Graph menu -------------------------------------------

void MainWindow::mnuRecalc_Click() { runCommand(&FlightAnalysis::mnuRecalc_Click); }

void MainWindow::mnuGraphAll_Click() { runCommand(&FlightAnalysis::mnuGraphAll_Click); }

void MainWindow::mnuGraphAccelThrust_Click() { runCommand(&FlightAnalysis::mnuGraphAccelThrust_Click); }

void MainWindow::mnuGraphThrust_Click() { runCommand(&FlightAnalysis::mnuGraphThrust_Click); }

void MainWindow::mnuGraphAltitude_Click() { runCommand(&FlightAnalysis::mnuGraphAltitude_Click); }

void MainWindow::mnuGraphVelocity_Click() { runCommand(&FlightAnalysis::mnuGraphVelocity_Click); }

void MainWindow::mnuGraphAccel_Click() { runCommand(&FlightAnalysis::mnuGraphAccel_Click); }

// --- Configuration and Help ------------------------------------------------

void MainWindow::mnuConfigurationUnits_Click() {
    UnitsDialog dialog(m_analysis.units, this);
    if (m_dialogs.runModal(dialog) != QDialog::Accepted) return;
    Status status;
    {
        PointerGuard busy(this);
        const UnitSelection before = m_analysis.units;
        const FigureTexts figuresBefore = m_analysis.figures;
        status = m_analysis.applyUnits(dialog.ticked());
        if (status.ok) m_preferences.setUnits(m_analysis.units);
        if (status.ok && m_flights) m_flights->setUnits(chosenUnits(), m_analysis.numberLocale);
        if (m_compare) m_compare->setUnits(m_analysis.units, m_analysis.numberLocale);
        markEditedIf(m_analysis.units != before || m_analysis.figures != figuresBefore);
        refreshFromModel();
    }
    report(status);
}

void MainWindow::mnuConfigurationAltimeter_Click() {
    // Slot for the flight computer configuration window of the device library.
    if (!m_device) {
        m_dialogs.message(this, "The flight computer commands are not available.",
                          Dialogs::Icon::Exclamation);
        return;
    }
    if (deviceBusy()) return;  // the port is the download's until it ends
    m_device->configureAltimeter(*this);
}

void MainWindow::mnuHelpAbout_Click() {
    AboutDialog dialog(m_dialogs, this);
    m_dialogs.runModal(dialog);
}

// --- Graph pointer ---------------------------------------------------------

void MainWindow::grfArea_MouseMove(graph::MouseButton button, double xTwips) {
    (void)button;  // every button only locates and shows
    m_interaction->mouseMove(xTwips);
    showPointerValues();
}

void MainWindow::grfArea_MouseDown(graph::MouseButton button, double xTwips, graph::KeyModifiers keys) {
    if (button == graph::MouseButton::Left && keys.control) {
        m_interaction->rulerClick(xTwips);  // its reading shows over the graph
        showPointerValues();
        enableGraphGestures();
        return;
    }
    const std::string text = m_interaction->mouseDown(button, xTwips);
    showPointerValues();
    if (!text.empty()) m_dialogs.message(this, qs(text), Dialogs::Icon::None);
}

}  // namespace tarvel
