#pragma once
// The logbook's index: one SQLite file (through Qt SQL) that keeps what the
// list shows of every record file in the user's folders, keyed by path, size
// and modification time, so that a later start reads only the files that are
// new or changed. The index is a cache: a missing, damaged or older one is
// built again from the folders. Nothing here writes to a flight.
//
// An update is three steps, so that a window can read on another thread:
// stamps() (the index, on the index's thread), scanFolders() (the folders and
// the files, any thread, in parallel) and apply() (one transaction).

#include <QString>
#include <QStringList>
#include <map>
#include <vector>

#include "logbook_entry.h"

namespace tarvel::logbook {

// What the index knows of a file: read again when either differs, or when
// it did not read last time (its permissions may have changed since).
struct FileStamp {
    qint64 size = 0;
    qint64 modifiedMs = 0;
    bool readable = true;
    QString profile;  // the rocket profile applied to the flight, if any
};
using FileStamps = std::map<QString, FileStamp>;

// The folders as absolute paths with links resolved.
QStringList canonicalFolders(const QStringList& folders);
// `path` lies in one of `folders` (canonical) or a folder below one.
bool isInFolders(const QString& path, const QStringList& folders);

// The record files (*.rcd in any case) in `folders` and all folders below
// them, each once, as absolute paths in order.
QStringList recordFilesIn(const QStringList& folders);

// What changed in the folders since `known`.
struct FolderScan {
    std::vector<LogbookEntry> read;  // new or changed files, read
    // Known files no longer in the folders scanned, or no longer anywhere.
    QStringList gone;
    int unchanged = 0;
};
// Reads the new and changed files on every core, each with the rocket
// profile the index remembers for it.
FolderScan scanFolders(const QStringList& folders, const FileStamps& known);

class LogbookIndex {
public:
    // Where the index lives unless told otherwise: the user's data folder,
    // shared by the window and the command line.
    static QString defaultPath();
    // Bumped whenever the table changes shape: an index of another version is rebuilt.
    static constexpr int kSchemaVersion = 1;

    explicit LogbookIndex(QString path = defaultPath());
    ~LogbookIndex();
    LogbookIndex(const LogbookIndex&) = delete;
    LogbookIndex& operator=(const LogbookIndex&) = delete;

    const QString& path() const { return m_path; }
    // Empty when the index file is in use; otherwise why it could not be
    // (the index then lasts as long as this object).
    const QString& problem() const { return m_problem; }

    FileStamps stamps() const;
    // Writes a scan in one transaction; false (and problem() says why) when
    // the index could not be written.
    bool apply(const FolderScan& scan);
    // stamps, scanFolders and apply in one.
    FolderScan update(const QStringList& folders);

    // Every flight known, by path; those in `folders` and the folders below them.
    std::vector<LogbookEntry> entries() const;
    std::vector<LogbookEntry> entriesIn(const QStringList& folders) const;
    // The flights whose recorded samples hash to `hash`.
    QStringList pathsWithSamples(const QString& hash) const;
    // Applies `profile` to the flights at `paths` (none: their files' own
    // details again): they are read again with it, and it is remembered for
    // them. False when the index could not be written.
    bool applyProfile(const QStringList& paths, const std::optional<RocketProfile>& profile);

private:
    bool openFile();
    bool createSchema();
    void useMemory(const QString& why);

    QString m_path;
    QString m_connection;
    QString m_problem;
};

}  // namespace tarvel::logbook
