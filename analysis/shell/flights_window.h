#pragma once
// "Flights": the logbook of every record file in the folders the user adds.
// A thin window over the logbook library: the folders (remembered), the table
// sorted and filtered through a proxy, and a rescan in the background when a
// folder changes. It opens nothing itself: it asks the main window to.

#include <QFutureWatcher>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>

#include "logbook_index.h"
#include "user_preferences.h"

class QFileSystemWatcher;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;
class QTimer;

namespace tarvel {

namespace logbook {
class LogbookModel;
}

class FlightsWindow : public QWidget {
    Q_OBJECT
public:
    // `indexPath`: the index file, the user's by default.
    explicit FlightsWindow(UserPreferences preferences, QWidget* parent = nullptr,
                           const QString& indexPath = logbook::LogbookIndex::defaultPath());
    ~FlightsWindow() override;

    // The figures in these units and number form.
    void setUnits(const UnitSelection& units, const NumberLocale& locale);
    void addFolder(const QString& folder);
    void removeFolder(const QString& folder);
    QStringList folders() const { return m_folders; }
    // Reads the folders again (new and changed files only), in the background.
    void rescan();
    bool scanning() const;
    // Flights of the logbook whose samples a download brought again: logged path -> downloaded file.
    void markDownloaded(const std::map<QString, QString>& sameAsDownload);
    // "Apply Rocket Profile": the flights selected are figured with the
    // profile's details from now on (the files stay as they are); an empty
    // name puts their files' own details back.
    void applyProfile(const QString& name);
    // The profile applied to the flight at `path` in the logbook, empty for none.
    QString profileOf(const QString& path) const;
    // The paths of the selected flights, in the order shown.
    QStringList selectedPaths() const;

    // How "Add Folder..." asks for a folder; empty for none. A file dialog unless replaced.
    std::function<QString(QWidget* parent)> chooseFolder;

    QTableView* table() const { return m_table; }
    QLineEdit* searchEdit() const { return m_search; }
    QSortFilterProxyModel* proxy() const { return m_proxy; }
    logbook::LogbookModel* model() const { return m_model; }
    QPushButton* compareButton() const { return m_compare; }
    QPushButton* applyProfileButton() const { return m_applyProfile; }
    QLabel* statusLabel() const { return m_status; }

signals:
    void openRequested(const QString& path);
    void compareRequested(const QStringList& paths);
    // After a scan has been written into the index and shown.
    void scanFinished();

protected:
    bool event(QEvent* event) override;

private:
    // The constructor's parts: the searched table, the folders, the commands.
    void buildTable();
    QHBoxLayout* buildFolderRow();
    QHBoxLayout* buildActionRow();
    void scanDone();
    void showEntries();
    void showStatus();
    void watchFolders();
    void enableFromSelection();
    void addChosenFolder();
    void removeSelectedFolder();
    void saveFolders();

    UserPreferences m_preferences;
    logbook::LogbookIndex m_index;
    QStringList m_folders;
    logbook::LogbookModel* m_model = nullptr;
    QSortFilterProxyModel* m_proxy = nullptr;
    QTableView* m_table = nullptr;
    QLineEdit* m_search = nullptr;
    QListWidget* m_folderList = nullptr;
    QPushButton* m_open = nullptr;
    QPushButton* m_compare = nullptr;
    QPushButton* m_applyProfile = nullptr;
    QPushButton* m_removeFolder = nullptr;
    QLabel* m_status = nullptr;
    QFileSystemWatcher* m_watcher = nullptr;
    QTimer* m_debounce = nullptr;
    QFutureWatcher<logbook::FolderScan> m_scan;
    bool m_scanning = false;
    bool m_rescanPending = false;
    bool m_columnsFitted = false;
};

}  // namespace tarvel
