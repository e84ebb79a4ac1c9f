#include "user_preferences.h"

#include <QDir>
#include <QFileInfo>

#include "report_text.h"
#include "units.h"
#include "user_settings_store.h"

namespace tarvel {

namespace {

const char* const kUnitKeys[] = {"units/distance", "units/velocity", "units/thrust", "units/mass"};
const char* const kRecentKey = "recentFiles";
const char* const kRailKey = "statistics/railLength";
const char* const kLogbookFoldersKey = "logbook/folders";

// What the user chose is kept when it can be; a store that cannot be written
// costs only the remembering.
void saveOrWarn(UserSettingsStore& store) {
    if (const Status saved = store.save(); !saved.ok) qWarning("%s", saved.message.c_str());
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
    UserSettingsStore store;
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
    UserSettingsStore store;
    const int16_t values[4] = {units.Distance, units.Velocity, units.Thrust, units.Mass};
    for (int i = 0; i < 4; ++i) store.settings().setValue(kUnitKeys[i], int(values[i]));
    saveOrWarn(store);
}

std::optional<double> UserPreferences::railLength() const {
    if (!m_remembered) return std::nullopt;
    UserSettingsStore store;
    bool ok = false;
    const double metres = store.settings().value(kRailKey).toDouble(&ok);
    if (!ok || !events::validRailLength(metres)) return std::nullopt;
    return metres;
}

void UserPreferences::setRailLength(double metres) {
    if (!m_remembered) return;
    UserSettingsStore store;
    store.settings().setValue(kRailKey, metres);
    saveOrWarn(store);
}

QStringList UserPreferences::logbookFolders() const {
    if (!m_remembered) return m_logbookFolders;
    UserSettingsStore store;
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
    UserSettingsStore store;
    store.settings().setValue(kLogbookFoldersKey, folders);
    saveOrWarn(store);
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
    UserSettingsStore store;
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
        UserSettingsStore store;
        store.settings().setValue(kRecentKey, files);
        saveOrWarn(store);
    } else {
        m_recentFiles = files;
    }
}

}  // namespace tarvel
