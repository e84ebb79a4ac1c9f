#pragma once
// The analysis program's per-user settings ("Tarvel"/"TarvelGraph" in the
// platform's settings folder: ~/.config/Tarvel/TarvelGraph.conf on Linux),
// opened for one read or one change. The remembered units, the recent files
// and the rocket profiles all live there.

#include <QSettings>
#include <QTemporaryFile>
#include <optional>

#include "flight.h"

namespace tarvel {

// The settings are worked on in a private copy. QSettings saves a file by
// renaming a new one over it, through any symbolic link: a settings file
// linked to a device or a FIFO would lose that node to a plain file, a linked
// or hard-linked file its owner and its other names. So the copy is read from
// the store only when that is a regular file, and written back the way the
// store allows (writeSettingsFile).
class UserSettingsStore {
public:
    UserSettingsStore();
    QSettings& settings() { return *m_settings; }
    // Writes the changes back into the user's settings file; on failure the
    // file and the system's text for the error.
    Status save();

private:
    QTemporaryFile m_file;
    std::optional<QSettings> m_settings;
};

}  // namespace tarvel
