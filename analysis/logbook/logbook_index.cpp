#include "logbook_index.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QVariant>
#include <QtConcurrent/QtConcurrentMap>
#include <algorithm>
#include <atomic>
#include <functional>

#include "rocket_profile_store.h"

namespace tarvel::logbook {

namespace {

const QString kDriver = QStringLiteral("QSQLITE");

// The columns of the table, in the order entries() reads them.
constexpr const char* kColumns =
    "path, size, modified_ms, name, date, place, notes, motor_class, apogee_m, max_velocity_mps, "
    "flight_time_s, sample_count, samples_hash, problem, profile";

QVariant optionalValue(const std::optional<double>& value) {
    return value ? QVariant(*value) : QVariant(QMetaType(QMetaType::Double));
}

std::optional<double> optionalDouble(const QVariant& value) {
    if (value.isNull()) return std::nullopt;
    return value.toDouble();
}

QString sqlProblem(const QString& doing, const QSqlError& error) { return doing + ": " + error.text(); }

}  // namespace

namespace {

// The files read on every core, each with the profile `known` names for it.
std::vector<LogbookEntry> readEntries(const QStringList& paths, const FileStamps& known) {
    std::map<QString, std::optional<RocketProfile>> profiles;
    const RocketProfileStore store;
    for (const QString& path : paths)
        if (const auto it = known.find(path); it != known.end() && !it->second.profile.isEmpty())
            profiles.try_emplace(it->second.profile, store.profile(it->second.profile.toStdString()));
    const std::function<LogbookEntry(const QString&)> read = [&](const QString& path) {
        const auto stamp = known.find(path);
        if (stamp == known.end() || stamp->second.profile.isEmpty()) return readLogbookEntry(path);
        const std::optional<RocketProfile>& profile = profiles.at(stamp->second.profile);
        if (profile) return readLogbookEntry(path, profile);
        // Kept, so that the flight has it again once a profile of that name is saved.
        LogbookEntry entry = readLogbookEntry(path);
        entry.profile = stamp->second.profile;
        entry.problem = ("No rocket profile \"" + entry.profile +
                         "\" is saved; the file's details are used. " + entry.problem)
                            .trimmed();
        return entry;
    };
    const QList<LogbookEntry> entries = QtConcurrent::blockingMapped(paths, read);
    return {entries.begin(), entries.end()};
}

}  // namespace

QStringList canonicalFolders(const QStringList& folders) {
    QStringList canonical;
    for (const QString& folder : folders) {
        const QFileInfo info(folder);
        const QString path = info.canonicalFilePath();
        canonical.append(path.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : path);
    }
    return canonical;
}

bool isInFolders(const QString& path, const QStringList& folders) {
    return std::any_of(folders.begin(), folders.end(), [&path](const QString& folder) {
        return path.startsWith(folder.endsWith('/') ? folder : folder + '/');
    });
}

QStringList recordFilesIn(const QStringList& folders) {
    QSet<QString> seen;
    QStringList files;
    for (const QString& folder : canonicalFolders(folders)) {
        // Links to folders are not followed, so a link back up cannot loop.
        QDirIterator it(folder, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo info = it.nextFileInfo();
            if (!info.fileName().endsWith(QLatin1String(".rcd"), Qt::CaseInsensitive)) continue;
            // One entry per file, whichever of two overlapping folders found it.
            QString path = info.canonicalFilePath();
            if (path.isEmpty()) path = info.absoluteFilePath();
            if (!seen.contains(path)) {
                seen.insert(path);
                files.append(path);
            }
        }
    }
    files.sort();
    return files;
}

FolderScan scanFolders(const QStringList& folders, const FileStamps& known) {
    FolderScan scan;
    const QStringList files = recordFilesIn(folders);
    QStringList toRead;
    for (const QString& path : files) {
        const auto it = known.find(path);
        if (it != known.end() && it->second.readable) {
            const QFileInfo info(path);
            if (info.size() == it->second.size &&
                info.lastModified().toMSecsSinceEpoch() == it->second.modifiedMs) {
                ++scan.unchanged;
                continue;
            }
        }
        toRead.append(path);
    }
    // Files of other folders stay known (the user may add their folder again)
    // for as long as they exist.
    const QSet<QString> present(files.begin(), files.end());
    const QStringList scanned = canonicalFolders(folders);
    for (const auto& [path, stamp] : known)
        if (isInFolders(path, scanned) ? !present.contains(path) : !QFileInfo::exists(path))
            scan.gone.append(path);
    scan.read = readEntries(toRead, known);
    return scan;
}

QString LogbookIndex::defaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Tarvel/logbook.sqlite");
}

LogbookIndex::LogbookIndex(QString path) : m_path(std::move(path)) {
    static std::atomic<int> opened{0};
    m_connection = QStringLiteral("logbook-%1").arg(++opened);
    if (!QSqlDatabase::isDriverAvailable(kDriver)) {
        m_problem = QStringLiteral(
            "The logbook needs the SQLite driver of Qt SQL (Debian package "
            "libqt6sql6-sqlite), which is not installed.");
        return;
    }
    QSqlDatabase::addDatabase(kDriver, m_connection);
    openFile();
}

LogbookIndex::~LogbookIndex() {
    if (!QSqlDatabase::contains(m_connection)) return;
    QSqlDatabase::database(m_connection, false).close();
    QSqlDatabase::removeDatabase(m_connection);
}

bool LogbookIndex::openFile() {
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    db.setDatabaseName(m_path);
    // The window and the command line may write the same index at once.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open()) {
        useMemory(sqlProblem("Cannot open the logbook index " + m_path, db.lastError()));
        return false;
    }
    {
        QSqlQuery version(db);
        if (version.exec(QStringLiteral("PRAGMA user_version")) && version.next() &&
            version.value(0).toInt() == kSchemaVersion)
            return true;
    }
    // Missing (a new file is version 0), damaged or of another version: built anew.
    db.close();
    if (QFileInfo::exists(m_path) && !QFile::remove(m_path)) {
        useMemory("Cannot rebuild the logbook index " + m_path + ": it cannot be removed");
        return false;
    }
    if (!db.open() || !createSchema()) {
        useMemory(sqlProblem("Cannot create the logbook index " + m_path, db.lastError()));
        return false;
    }
    return true;
}

bool LogbookIndex::createSchema() {
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery q(db);
    return q.exec(QStringLiteral(
               "CREATE TABLE flights (path TEXT PRIMARY KEY, size INTEGER NOT NULL, modified_ms INTEGER NOT "
               "NULL, name TEXT, date TEXT, place TEXT, notes TEXT, motor_class TEXT, apogee_m REAL, "
               "max_velocity_mps REAL, flight_time_s REAL, sample_count INTEGER NOT NULL, samples_hash TEXT, "
               "problem TEXT, profile TEXT NOT NULL DEFAULT '')")) &&
           q.exec(QStringLiteral("CREATE INDEX flights_by_samples ON flights (samples_hash)")) &&
           q.exec(QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion));
}

void LogbookIndex::useMemory(const QString& why) {
    m_problem = why + "; the flights are read again at every start.";
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    db.close();
    db.setDatabaseName(QStringLiteral(":memory:"));
    if (db.open()) createSchema();
}

FileStamps LogbookIndex::stamps() const {
    FileStamps stamps;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.exec(QStringLiteral("SELECT path, size, modified_ms, sample_count, profile FROM flights")))
        return stamps;
    while (q.next())
        stamps[q.value(0).toString()] = {q.value(1).toLongLong(), q.value(2).toLongLong(),
                                         q.value(3).toInt() > 0, q.value(4).toString()};
    return stamps;
}

bool LogbookIndex::apply(const FolderScan& scan) {
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.isOpen()) return false;
    if (scan.read.empty() && scan.gone.isEmpty()) return true;
    if (!db.transaction()) {
        m_problem = sqlProblem("Cannot write the logbook index " + m_path, db.lastError());
        return false;
    }
    QSqlQuery remove(db), put(db);
    bool ok = remove.prepare(QStringLiteral("DELETE FROM flights WHERE path = ?")) &&
              put.prepare(
                  QStringLiteral("INSERT OR REPLACE INTO flights (%1) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)")
                      .arg(QLatin1String(kColumns)));
    for (const QString& path : scan.gone) {
        if (!ok) break;
        remove.addBindValue(path);
        ok = remove.exec();
    }
    for (const LogbookEntry& e : scan.read) {
        if (!ok) break;
        for (const QVariant& value :
             {QVariant(e.path), QVariant(e.size), QVariant(e.modifiedMs), QVariant(e.name), QVariant(e.date),
              QVariant(e.place), QVariant(e.notesLine), QVariant(e.motorClass), optionalValue(e.apogeeM),
              optionalValue(e.maxVelocityMps), optionalValue(e.flightTimeS), QVariant(e.sampleCount),
              QVariant(e.samplesHash), QVariant(e.problem), QVariant(e.profile)})
            put.addBindValue(value);
        ok = put.exec();
    }
    if (ok && db.commit()) return true;
    m_problem = sqlProblem("Cannot write the logbook index " + m_path,
                           put.lastError().isValid() ? put.lastError() : db.lastError());
    db.rollback();
    return false;
}

FolderScan LogbookIndex::update(const QStringList& folders) {
    FolderScan scan = scanFolders(folders, stamps());
    apply(scan);
    return scan;
}

std::vector<LogbookEntry> LogbookIndex::entriesIn(const QStringList& folders) const {
    std::vector<LogbookEntry> list = entries();
    const QStringList scanned = canonicalFolders(folders);
    std::erase_if(list, [&scanned](const LogbookEntry& e) { return !isInFolders(e.path, scanned); });
    return list;
}

std::vector<LogbookEntry> LogbookIndex::entries() const {
    std::vector<LogbookEntry> list;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT %1 FROM flights ORDER BY path").arg(QLatin1String(kColumns))))
        return list;
    while (q.next()) {
        LogbookEntry e;
        e.path = q.value(0).toString();
        e.size = q.value(1).toLongLong();
        e.modifiedMs = q.value(2).toLongLong();
        e.name = q.value(3).toString();
        e.date = q.value(4).toString();
        e.place = q.value(5).toString();
        e.notesLine = q.value(6).toString();
        e.motorClass = q.value(7).toString();
        e.apogeeM = optionalDouble(q.value(8));
        e.maxVelocityMps = optionalDouble(q.value(9));
        e.flightTimeS = optionalDouble(q.value(10));
        e.sampleCount = q.value(11).toInt();
        e.samplesHash = q.value(12).toString();
        e.problem = q.value(13).toString();
        e.profile = q.value(14).toString();
        list.push_back(std::move(e));
    }
    return list;
}

QStringList LogbookIndex::pathsWithSamples(const QString& hash) const {
    QStringList paths;
    if (hash.isEmpty()) return paths;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("SELECT path FROM flights WHERE samples_hash = ? ORDER BY path"));
    q.addBindValue(hash);
    if (q.exec())
        while (q.next()) paths.append(q.value(0).toString());
    return paths;
}

bool LogbookIndex::applyProfile(const QStringList& paths, const std::optional<RocketProfile>& profile) {
    FolderScan scan;
    const QList<LogbookEntry> read = QtConcurrent::blockingMapped(
        paths, std::function<LogbookEntry(const QString&)>(
                   [&profile](const QString& path) { return readLogbookEntry(path, profile); }));
    scan.read.assign(read.begin(), read.end());
    return apply(scan);
}

}  // namespace tarvel::logbook
