#include "flights_window.h"

#include <QDirIterator>
#include <QEvent>
#include <QFileDialog>
#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>

#include "logbook_model.h"
#include "rocket_profile_menu.h"
#include "rocket_profile_store.h"

namespace tarvel {

using logbook::LogbookModel;

namespace {
// Changes in a folder come in bursts (a download writes a file per flight):
// one rescan once they have settled.
constexpr int kRescanDelayMs = 300;
}  // namespace

FlightsWindow::FlightsWindow(UserPreferences preferences, QWidget* parent, const QString& indexPath)
    : QWidget(parent, Qt::Window), m_preferences(std::move(preferences)), m_index(indexPath) {
    setObjectName("frmFlights");
    setWindowTitle("Flights");
    chooseFolder = [](QWidget* owner) {
        return QFileDialog::getExistingDirectory(owner, "Add a Folder of Flights");
    };

    buildTable();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_search);
    layout->addWidget(m_table, 1);
    layout->addLayout(buildActionRow());
    layout->addLayout(buildFolderRow());
    m_folderList->setMaximumHeight(fontMetrics().height() * 5);

    m_watcher = new QFileSystemWatcher(this);
    m_debounce = new QTimer(this);
    m_debounce->setSingleShot(true);
    m_debounce->setInterval(kRescanDelayMs);
    connect(m_debounce, &QTimer::timeout, this, &FlightsWindow::rescan);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, m_debounce, qOverload<>(&QTimer::start));
    connect(&m_scan, &QFutureWatcher<logbook::FolderScan>::finished, this, &FlightsWindow::scanDone);

    m_folders = m_preferences.logbookFolders();
    m_folderList->addItems(m_folders);
    m_removeFolder->setEnabled(false);
    enableFromSelection();
    // What the index knows shows at once; the folders are read again behind it.
    showEntries();
    rescan();
    resize(1280, 600);
}

void FlightsWindow::buildTable() {
    m_model = new LogbookModel(this);
    m_proxy = new QSortFilterProxyModel(this);
    m_proxy->setSourceModel(m_model);
    m_proxy->setSortRole(LogbookModel::SortRole);
    m_proxy->setFilterRole(LogbookModel::SearchRole);
    m_proxy->setFilterKeyColumn(-1);
    m_proxy->setFilterCaseSensitivity(Qt::CaseInsensitive);
    m_proxy->setSortCaseSensitivity(Qt::CaseInsensitive);

    m_search = new QLineEdit(this);
    m_search->setObjectName("txtSearch");
    m_search->setPlaceholderText("Search");
    m_search->setClearButtonEnabled(true);
    connect(m_search, &QLineEdit::textChanged, m_proxy, &QSortFilterProxyModel::setFilterFixedString);

    m_table = new QTableView(this);
    m_table->setObjectName("tblFlights");
    m_table->setModel(m_proxy);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(int(logbook::Column::File), Qt::AscendingOrder);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setAlternatingRowColors(true);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    m_table->horizontalHeader()->setStretchLastSection(true);
    connect(m_table, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        emit openRequested(index.data(LogbookModel::PathRole).toString());
    });
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &FlightsWindow::enableFromSelection);
}

QHBoxLayout* FlightsWindow::buildFolderRow() {
    m_folderList = new QListWidget(this);
    m_folderList->setObjectName("lstFolders");
    auto* addFolderButton = new QPushButton("&Add Folder...", this);
    addFolderButton->setObjectName("cmdAddFolder");
    connect(addFolderButton, &QPushButton::clicked, this, &FlightsWindow::addChosenFolder);
    m_removeFolder = new QPushButton("&Remove Folder", this);
    m_removeFolder->setObjectName("cmdRemoveFolder");
    connect(m_removeFolder, &QPushButton::clicked, this, &FlightsWindow::removeSelectedFolder);
    connect(m_folderList, &QListWidget::currentRowChanged, this,
            [this](int row) { m_removeFolder->setEnabled(row >= 0); });

    auto* folderButtons = new QVBoxLayout;
    folderButtons->addWidget(addFolderButton);
    folderButtons->addWidget(m_removeFolder);
    folderButtons->addStretch();
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(m_folderList, 1);
    folderRow->addLayout(folderButtons);
    return folderRow;
}

QHBoxLayout* FlightsWindow::buildActionRow() {
    m_open = new QPushButton("&Open", this);
    m_open->setObjectName("cmdOpen");
    connect(m_open, &QPushButton::clicked, this, [this] {
        if (const QStringList paths = selectedPaths(); !paths.isEmpty()) emit openRequested(paths.front());
    });
    m_compare = new QPushButton("&Compare", this);
    m_compare->setObjectName("cmdCompare");
    connect(m_compare, &QPushButton::clicked, this, [this] {
        if (const QStringList paths = selectedPaths(); !paths.isEmpty()) emit compareRequested(paths);
    });
    m_applyProfile = new QPushButton("Apply Rocket &Profile", this);
    m_applyProfile->setObjectName("cmdApplyProfile");
    auto* profiles = new QMenu(m_applyProfile);
    profiles->setObjectName("mnuProfiles");
    listRocketProfilesWhenShown(*profiles, *this, [this](const QString& name) { applyProfile(name); });
    // After the names: the details each file holds.
    connect(profiles, &QMenu::aboutToShow, this, [this, profiles] {
        profiles->addSeparator();
        profiles->addAction("The Files' Own Details", this, [this] { applyProfile({}); });
    });
    m_applyProfile->setMenu(profiles);
    m_status = new QLabel(this);
    m_status->setObjectName("lblStatus");

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_status, 1);
    buttons->addWidget(m_applyProfile);
    buttons->addWidget(m_open);
    buttons->addWidget(m_compare);
    return buttons;
}

FlightsWindow::~FlightsWindow() { m_scan.waitForFinished(); }

void FlightsWindow::setUnits(const UnitSelection& units, const NumberLocale& locale) {
    m_model->setUnits(units, locale);
}

void FlightsWindow::addFolder(const QString& folder) {
    const QString path = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    if (folder.isEmpty() || m_folders.contains(path)) return;
    m_folders.append(path);
    m_folderList->addItem(path);
    saveFolders();
    rescan();
}

void FlightsWindow::removeFolder(const QString& folder) {
    if (!m_folders.removeOne(folder)) return;
    for (QListWidgetItem* item : m_folderList->findItems(folder, Qt::MatchExactly)) delete item;
    saveFolders();
    showEntries();
    rescan();
}

void FlightsWindow::addChosenFolder() { addFolder(chooseFolder(this)); }

void FlightsWindow::removeSelectedFolder() {
    if (QListWidgetItem* item = m_folderList->currentItem()) removeFolder(item->text());
}

void FlightsWindow::saveFolders() { m_preferences.setLogbookFolders(m_folders); }

// Until scanDone has taken the result: the future ends before its signal arrives.
bool FlightsWindow::scanning() const { return m_scanning; }

void FlightsWindow::rescan() {
    if (m_scanning) {
        m_rescanPending = true;  // once this one is done
        return;
    }
    m_scanning = true;
    m_rescanPending = false;
    m_status->setText("Reading the folders...");
    m_scan.setFuture(QtConcurrent::run(
        [folders = m_folders, known = m_index.stamps()] { return logbook::scanFolders(folders, known); }));
}

void FlightsWindow::scanDone() {
    const logbook::FolderScan scan = m_scan.result();
    m_scanning = false;
    m_index.apply(scan);
    if (!scan.read.empty() || !scan.gone.isEmpty() || m_model->rowCount() == 0)
        showEntries();
    else
        showStatus();
    watchFolders();
    if (m_rescanPending) rescan();
    emit scanFinished();
}

void FlightsWindow::showEntries() {
    m_model->setEntries(m_index.entriesIn(m_folders));
    // Columns fit the first flights listed; later the user's widths stay.
    if (!m_columnsFitted && m_model->rowCount() > 0) {
        m_table->resizeColumnsToContents();
        m_columnsFitted = true;
    }
    showStatus();
    enableFromSelection();
}

void FlightsWindow::showStatus() {
    const std::vector<logbook::LogbookEntry>& entries = m_model->entries();
    const auto unread =
        std::count_if(entries.begin(), entries.end(), [](const auto& e) { return !e.readable(); });
    QString text = QString("%1 flights").arg(entries.size());
    if (unread) text += QString(", %1 not read").arg(unread);
    if (!m_index.problem().isEmpty()) text += " (" + m_index.problem() + ")";
    m_status->setText(text);
}

void FlightsWindow::watchFolders() {
    // Every folder below the chosen ones, so a flight saved anywhere in them shows.
    const QStringList chosen = logbook::canonicalFolders(m_folders);
    QStringList folders = chosen;
    for (const QString& folder : chosen) {
        QDirIterator it(folder, QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext()) folders.append(it.next());
    }
    if (const QStringList watched = m_watcher->directories(); !watched.isEmpty())
        m_watcher->removePaths(watched);
    folders.removeIf([](const QString& f) { return !QFileInfo(f).isDir(); });
    if (!folders.isEmpty()) m_watcher->addPaths(folders);
}

void FlightsWindow::applyProfile(const QString& name) {
    const QStringList paths = selectedPaths();
    if (paths.isEmpty()) return;
    std::optional<RocketProfile> profile;
    if (!name.isEmpty()) {
        profile = RocketProfileStore().profile(name.toStdString());
        if (!profile) return;  // removed since the menu was shown
    }
    m_index.applyProfile(paths, profile);
    showEntries();
}

QString FlightsWindow::profileOf(const QString& path) const {
    for (const logbook::LogbookEntry& e : m_model->entries())
        if (e.path == path) return e.profile;
    return {};
}

void FlightsWindow::markDownloaded(const std::map<QString, QString>& sameAsDownload) {
    m_model->markDownloaded(sameAsDownload);
}

QStringList FlightsWindow::selectedPaths() const {
    QModelIndexList rows = m_table->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    QStringList paths;
    for (const QModelIndex& row : rows) paths.append(row.data(LogbookModel::PathRole).toString());
    return paths;
}

void FlightsWindow::enableFromSelection() {
    const bool any = m_table->selectionModel()->hasSelection();
    m_open->setEnabled(any);
    m_compare->setEnabled(any);
    m_applyProfile->setEnabled(any);
}

bool FlightsWindow::event(QEvent* event) {
    // Back to the window after saving a flight elsewhere: what changed shows.
    if (event->type() == QEvent::WindowActivate && !m_debounce->isActive()) m_debounce->start();
    return QWidget::event(event);
}

}  // namespace tarvel
