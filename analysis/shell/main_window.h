#pragma once
// frmMain: the analysis program's main window. It binds its widgets to the
// one FlightAnalysis and turns every failed command into a message box.

#include <QMainWindow>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "flight_analysis.h"
#include "graph_interaction.h"
#include "rocket_profile.h"
#include "tarvel_settings.h"
#include "user_preferences.h"

class QAction;
class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;
class QMenu;
class QPrinter;
class QResizeEvent;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace tarvel {

namespace graph {
class GraphInteraction;
class LnGraph;
}  // namespace graph
class CompareWindow;
class ConfigDialog;
class DeviceCommands;
class FlightsWindow;
class Dialogs;
class GraphWidget;
class RecentFilesMenu;
class StatisticsWindow;
struct PanelRow;
struct PanelLayout;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // `dialogs` must outlive the window.
    // `preferences`: where the chosen units and the recent files are kept.
    MainWindow(Dialogs& dialogs, TarvelSettings settings = TarvelSettings(), QWidget* parent = nullptr,
               UserPreferences preferences = UserPreferences());
    ~MainWindow() override;

    // The figure labels of the performance panels, in the order of FigureTexts.
    enum class Figure {
        MaxAccel,
        MinAccel,
        MaxVelocity,
        MaxAltitude,
        Velocity3Ft,
        MaxThrust,
        TotalImpulse,
        AveThrust,
        BaroAltitude,
    };
    static constexpr size_t kFigureCount = 9;

    FlightAnalysis& analysis() { return m_analysis; }
    // Figures and tick labels in `locale` (the program reads it at its start).
    void setNumberLocale(const NumberLocale& locale);
    graph::LnGraph& lnGraph() { return *m_graph; }
    graph::GraphInteraction& interaction() { return *m_interaction; }
    GraphWidget* grfArea() const { return m_graphWidget; }
    Dialogs& dialogs() { return m_dialogs; }
    const TarvelSettings& settings() const { return m_settings; }
    ConfigDialog* portDialog() const { return m_config.get(); }

    // Flight computer commands, provided by the device library; without them
    // the two menu entries say that they are not available.
    void setDeviceCommands(DeviceCommands* commands);
    // While a flight computer command holds the port: the other device commands wait.
    bool deviceBusy() const { return m_deviceState != DeviceState::Idle; }
    // After a download that brought at least one flight: enables "&Recalculate",
    // "&Print..." and "&Save" and resets the graph.
    void flightsDownloaded();
    // Whether the user agreed, for the download being started, that it replaces
    // files of its names; without that it replaces none.
    bool downloadReplaceAgreed() const { return m_downloadReplaceAgreed; }
    // Program started by "&Upload Firmware..." (bare name, found on the path).
    void setFirmwareProgram(QString program) { m_firmwareProgram = std::move(program); }

    // Opens a record file as "&Open" does after its dialog. False when the file
    // was not opened (the flight shown stays); true also when a message said
    // that its flight cannot be computed or is too short for the figures.
    bool openRecordFile(const QString& path);
    // Files named at start: the first is opened, the others are put on the
    // recent files list (in their order, below the first).
    void openStartupFiles(const QStringList& paths);
    // "&Flights...": the logbook window, created at its first use.
    void mnuFileFlights_Click();
    FlightsWindow* flightsWindow() const { return m_flights; }
    // The logbook's index file (tests point it at a temporary folder).
    void setLogbookIndexPath(const QString& path) { m_logbookIndexPath = path; }
    // After a download: a line for each downloaded file whose samples equal a
    // flight of the logbook's folders, naming it (empty when none); the
    // Flights window marks those flights.
    std::string sameFlightsInLogbook(const std::vector<std::string>& downloaded);
    // "Open &Recent": the last record files opened or saved, newest first.
    QMenu* recentMenu() const;

    // Menu entries by control name ("mnuFileOpen", "mnuGraphAll", ...).
    QAction* action(const QString& name) const;
    QLineEdit* detailEdit(DetailField field) const;
    QPlainTextEdit* notesEdit() const { return m_notes; }
    // Labels by control name: figures ("MaxAltitude", "Label5", ...),
    // "BaroAltitude", "CurVal0".."CurVal4", unit labels ("lblVelocity0", ...).
    QLabel* label(const QString& name) const;

    // --- handlers ---
    void mnuFileOpen_Click();
    void mnuFileSave_Click();
    void mnuFileSaveAs_Click();
    void mnuFileExport_Click();
    void mnuFileExportCSV_Click();
    void mnuFileExportReport_Click();
    // File › Export › "Data Table (CSV)...".
    void mnuFileExportTable_Click();
    void mnuFilePrint_Click();
    void mnuFileExit_Click();
    void mnuConnectUploadData_Click();
    void mnuConnectUploadFirmware_Click();
    void mnuConnectPortConfig_Click();
    void mnuRecalc_Click();
    void mnuGraphAll_Click();
    void mnuGraphAccelThrust_Click();
    void mnuGraphThrust_Click();
    void mnuGraphAltitude_Click();
    void mnuGraphVelocity_Click();
    void mnuGraphAccel_Click();
    void mnuConfigurationUnits_Click();
    void mnuConfigurationAltimeter_Click();
    void mnuHelpAbout_Click();
    // LostFocus of a numeric detail field.
    void detailLostFocus(DetailField field);
    // Pointer over the plot area, x in plot-area twips.
    void grfArea_MouseMove(graph::MouseButton button, double xTwips);
    // A left click with Ctrl sets a ruler point.
    void grfArea_MouseDown(graph::MouseButton button, double xTwips, graph::KeyModifiers keys = {});

    // --- zoom and pan of the time axis (main_window_graph.cpp) ---
    void mnuGraphZoomOut_Click();
    void mnuGraphClearRuler_Click();
    // Shows t1 to t2 seconds; empty when done, else why not.
    QString zoomToRange(double t1, double t2);
    void grfArea_Zoom(double xTwips, double notches);
    void grfArea_Pan(double dxTwips);
    void grfArea_RangeDragged(double fromX, double toX);
    void grfArea_RangeSelected(double fromX, double toX);
    // The event lines and the estimate over the graph, and "Flight Statistics".
    void mnuGraphEvents_Click();
    void mnuGraphEstimate_Click();
    void mnuGraphStatistics_Click();
    // The statistics window, once it has been opened.
    StatisticsWindow* statisticsWindow() const { return m_statistics; }

    // "Compare": opens the window, or brings it up, and adds the files.
    void showCompare(const QStringList& paths);
    void mnuFileCompare_Click();
    CompareWindow* compareWindow() const { return m_compare; }

    // --- rocket profiles (main_window_profiles.cpp) ---
    void mnuConfigurationSaveProfile_Click();
    // The profile's details typed into their fields and left, one by one.
    void applyProfileDetails(const RocketProfile& profile);
    // "Apply Rocket Profile" and "Delete Rocket Profile" › NAME.
    void applyRocketProfileNamed(const QString& name);
    void deleteRocketProfileNamed(const QString& name);

    // Prints the window's image on `printer` as one landscape page; false if
    // the printer cannot be started.
    bool printWindowImage(QPrinter& printer);
    // Brings every widget up to the model's state.
    void refreshFromModel();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Record files dropped anywhere on the window are opened.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildMenus();
    void buildPanels();
    void buildProfileMenus(QMenu* configuration);
    QAction* addEntry(QMenu* menu, const char* name, const char* caption, void (MainWindow::*handler)(),
                      const QKeySequence& shortcut = {});
    // Shows a failed command's text with the exclamation icon; true when ok.
    bool report(const Status& status);
    // Runs a command of the flight model, brings the widgets up to date and reports a failure.
    void runCommand(Status (FlightAnalysis::*command)());
    // The window's modified mark ("[*]" in the title): set by an edit, a units
    // change or a recalculation that changed figures, cleared by Open and by
    // a successful Save, Save As or CSV export.
    void markEdited();
    void markEditedIf(bool changed);
    void reportSaved(const Status& status);
    // Writing the record to `path` over the file it was read only in part
    // from needs the user's yes.
    bool mayWriteRecordTo(const std::string& path);
    // Before unsaved edits would be thrown away: Save, Discard or Cancel.
    // True when the command may go on.
    bool settleUnsavedEdits();
    // Before a download that may replace existing record files: the user's word.
    bool confirmReplacingDownloads();
    void setRecordCommandsEnabled(std::initializer_list<const char*> names);
    void openRecentFile(const QString& path);
    void showPointerValues();
    // "Zoom Out", the gestures of the graph and the pointer values in the status bar.
    void buildGraphGestures(QMenu* graphMenu);
    void graphZoomChanged();
    // "Zoom Out" and "Clear Ruler" enabled from the graph's state, with Escape on one of them.
    void enableGraphGestures();
    // The statistics window and the overlay entries' checks brought up to the flight.
    void refreshFlightReport();
    // The units the user chose (else those shown), for the Flights window.
    UnitSelection chosenUnits() const;
    void setRailLength(double metres);
    void deviceBusyChanged(bool busy);
    GraphWidget* makeGraphArea(QWidget* parent);
    QGroupBox* makePanel(const PanelLayout& panel, QWidget* parent);
    void addPanelRow(QGridLayout* grid, const PanelRow& row);
    QLineEdit* makeDetailEdit(DetailField field, const char* toolTip);
    QPlainTextEdit* makeNotesEdit();

    Dialogs& m_dialogs;
    TarvelSettings m_settings;
    UserPreferences m_preferences;
    FlightAnalysis m_analysis;
    std::unique_ptr<graph::LnGraph> m_graph;
    std::unique_ptr<graph::GraphInteraction> m_interaction;
    GraphWidget* m_graphWidget = nullptr;
    DeviceCommands* m_device = nullptr;
    QString m_firmwareProgram;
    // Created at start-up and kept hidden, as the port is read from it.
    std::unique_ptr<ConfigDialog> m_config;

    std::map<QString, QAction*> m_actions;
    std::unique_ptr<RecentFilesMenu> m_recent;
    // F5 for the hidden "&Recalculate": a hidden entry takes no keys itself.
    QAction* m_recalculateKey = nullptr;
    std::array<QLabel*, kFigureCount> m_figureLabels{};  // by Figure
    std::array<QLabel*, 5> m_pointerLabels{};            // "CurVal0".."CurVal4"
    QLabel* m_aveThrustCaption = nullptr;                // "Label5"
    std::array<std::vector<QLabel*>, 4> m_unitLabels;    // by UnitGroup
    std::vector<QLineEdit*> m_detailEdits;               // by DetailField, nullptr for notes
    QPlainTextEdit* m_notes = nullptr;
    QLabel* m_pointerStatus = nullptr;
    StatisticsWindow* m_statistics = nullptr;
    FlightsWindow* m_flights = nullptr;
    QString m_logbookIndexPath;
    std::map<QString, QString> m_downloadedAgain;  // logged flight -> downloaded file
    CompareWindow* m_compare = nullptr;
    bool m_updatingWidgets = false;
    double m_basePointSize = 9.0;
    // Idle, a device command running, or one being stopped so that the window closes after it.
    enum class DeviceState { Idle, Busy, ExitWhenDone };
    DeviceState m_deviceState = DeviceState::Idle;
    bool m_downloadReplaceAgreed = false;
};

}  // namespace tarvel
