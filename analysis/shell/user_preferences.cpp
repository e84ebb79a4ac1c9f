#include "user_preferences.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryFile>

#include "record_reader.h"
#include "record_writer.h"
#include "report_text.h"
#include "units.h"

namespace tarvel {

namespace {

const char* const kUnitKeys[] = {"units/distance", "units/velocity", "units/thrust", "units/mass"};
const char* const kRecentKey = "recentFiles";
const char* const kRailKey = "statistics/railLength";
const char* const kLogbookFoldersKey = "logbook/folders";

// The user's settings file, where QSettings keeps "Tarvel"/"TarvelGraph".
std::string storePath() {
    return (QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
            QStringLiteral("/Tarvel/TarvelGraph.conf"))
        .toStdString();
}

// The user's settings, worked on in a private copy. QSettings saves a file by
// renaming a new one over it, through any symbolic link: a settings file
// linked to a device or a FIFO would lose that node to a plain file, a linked
// or hard-linked file its owner and its other names. So the copy is read from
// the store only when that is a regular file, and written back the way the
// store allows (writeSettingsFile).
class Store {
public:
    Store() {
        std::string bytes;
        // Far more than units and a few recent paths take.
        constexpr size_t kMaxStoreBytes = 1 << 20;
        if (m_file.open()) {
            if (readSmallRegularFile(storePath(), kMaxStoreBytes, bytes).ok)
                m_file.write(bytes.data(), qint64(bytes.size()));
            m_file.close();
        }
        m_settings.emplace(m_file.fileName(), QSettings::IniFormat);
    }
    QSettings& settings() { return *m_settings; }
    // Writes the changes back into the user's settings file.
    void save();

private:
    QTemporaryFile m_file;
    std::optional<QSettings> m_settings;
};

void Store::save() {
    m_settings->sync();
    if (m_settings->status() != QSettings::NoError) return;
    QFile copy(m_file.fileName());
    if (!copy.open(QIODevice::ReadOnly)) return;
    const QByteArray bytes = copy.readAll();
    QDir().mkpath(QFileInfo(QString::fromStdString(storePath())).absolutePath());
    const Status saved = writeSettingsFile(storePath(), bytes.toStdString());
    if (!saved.ok) qWarning("%s", saved.message.c_str());
}

// One spelling per file, so the same file opened by two paths is listed once.
QString canonical(const QString& path) {
    const QFileInfo info(path);
    const QString resolved = info.canonicalFilePath();
    return QDir::toNativeSeparators(resolved.isEmpty() ? info.absoluteFilePath() : resolved);
}

}  // namespace

std::optional<UnitSelection> UserPreferences::units() const {
    if (!m_remembered) return std::nullopt;
    Store store;
    const QSettings& settings = store.settings();
    int16_t values[4] = {};
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        const int value = settings.value(kUnitKeys[i]).toInt(&ok);
        if (!ok) return std::nullopt;
        values[i] = static_cast<int16_t>(value);
    }
    const UnitSelection units{values[0], values[1], values[2], values[3]};
    if (!validUnitSelection(units)) return std::nullopt;
    return units;
}

void UserPreferences::setUnits(const UnitSelection& units) {
    if (!m_remembered) return;
    Store store;
    const int16_t values[4] = {units.Distance, units.Velocity, units.Thrust, units.Mass};
    for (int i = 0; i < 4; ++i) store.settings().setValue(kUnitKeys[i], int(values[i]));
    store.save();
}

std::optional<double> UserPreferences::railLength() const {
    if (!m_remembered) return std::nullopt;
    Store store;
    bool ok = false;
    const double metres = store.settings().value(kRailKey).toDouble(&ok);
    if (!ok || !events::validRailLength(metres)) return std::nullopt;
    return metres;
}

void UserPreferences::setRailLength(double metres) {
    if (!m_remembered) return;
    Store store;
    store.settings().setValue(kRailKey, metres);
    store.save();
}

QStringList UserPreferences::logbookFolders() const {
    if (!m_remembered) return m_logbookFolders;
    Store store;
    QStringList folders = store.settings().value(kLogbookFoldersKey).toStringList();
    folders.removeAll(QString());
    folders.removeDuplicates();
    return folders;
}

void UserPreferences::setLogbookFolders(const QStringList& folders) {
    if (!m_remembered) {
        m_logbookFolders = folders;
        return;
    }
    Store store;
    store.settings().setValue(kLogbookFoldersKey, folders);
    store.save();
}

QStringList withRecentFile(QStringList list, const QString& path, int limit) {
    list.removeAll(path);
    list.prepend(path);
    while (list.size() > limit) list.removeLast();
    return list;
}

QStringList UserPreferences::recentFiles() const {
    if (!m_remembered) return m_recentFiles;
    QStringList files;
    Store store;
    for (const QString& path : store.settings().value(kRecentKey).toStringList())
        if (!path.isEmpty() && !files.contains(path) && files.size() < kMaxRecentFiles) files.append(path);
    return files;
}

void UserPreferences::addRecentFile(const QString& path) {
    setRecentFiles(withRecentFile(recentFiles(), canonical(path), kMaxRecentFiles));
}

void UserPreferences::removeRecentFile(const QString& path) {
    QStringList files = recentFiles();
    files.removeAll(path);
    setRecentFiles(files);
}

void UserPreferences::setRecentFiles(const QStringList& files) {
    if (m_remembered) {
        Store store;
        store.settings().setValue(kRecentKey, files);
        store.save();
    } else {
        m_recentFiles = files;
    }
}

}  // namespace tarvel
