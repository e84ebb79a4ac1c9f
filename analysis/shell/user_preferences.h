#pragma once
// What the analysis program remembers for its user between runs: the selected
// units, the recently opened record files, the launch rail's length and the
// logbook's folders. They live in the per-user
// settings store; the port stays in TarvelGraph.ini.

#include <QStringList>
#include <optional>

#include "flight_analysis.h"

namespace tarvel {

class UserPreferences {
public:
    static constexpr int kMaxRecentFiles = 8;

    // `remembered` false: nothing is read from or written to the user's store,
    // and the recent files last as long as the object (a picture rendered on
    // the command line neither depends on nor changes what the user chose).
    explicit UserPreferences(bool remembered = true) : m_remembered(remembered) {}

    // The units chosen last time; nothing on a first run or when the stored
    // values are not a valid selection.
    std::optional<UnitSelection> units() const;
    void setUnits(const UnitSelection& units);

    // The launch rail's length of the flight statistics (m); nothing on a
    // first run or when the stored value is no length a rail can have.
    std::optional<double> railLength() const;
    void setRailLength(double metres);

    // The folders the logbook lists, in the order added.
    QStringList logbookFolders() const;
    void setLogbookFolders(const QStringList& folders);

    // Newest first, at most kMaxRecentFiles, each path once.
    QStringList recentFiles() const;
    void addRecentFile(const QString& path);
    void removeRecentFile(const QString& path);

private:
    void setRecentFiles(const QStringList& files);

    bool m_remembered;
    QStringList m_recentFiles;     // when not remembered
    QStringList m_logbookFolders;  // when not remembered
};

// `path` put in front of `list`, once, and the list cut to `limit`.
QStringList withRecentFile(QStringList list, const QString& path, int limit);

}  // namespace tarvel
