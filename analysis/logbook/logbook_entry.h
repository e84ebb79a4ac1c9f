#pragma once
// One flight of the logbook: what the list shows of a record file, read once
// and kept in the index until the file changes. Figures are in SI units (m,
// m/s, s); the list converts them to the user's units.

#include <QString>
#include <optional>

#include "flight.h"
#include "rocket_profile.h"

namespace tarvel::logbook {

struct LogbookEntry {
    QString path;           // absolute, the index's key with size and time
    qint64 size = 0;        // bytes
    qint64 modifiedMs = 0;  // modification time, ms since the epoch
    QString name, date, place, notesLine;
    QString motorClass;  // "A".."P", empty when none
    std::optional<double> apogeeM, maxVelocityMps, flightTimeS;
    int sampleCount = 0;  // 0: no sample was read
    QString samplesHash;  // of the recorded columns; empty without samples
    // Why the file does not read, or why it has no figures; empty when all is well.
    QString problem;
    // The rocket profile applied to this flight in the logbook (the file is
    // never written), empty for the file's own details.
    QString profile;

    bool readable() const { return sampleCount > 0; }
    bool operator==(const LogbookEntry&) const = default;
};

// The recorded columns (delta time, pressure, acceleration) of the flight's
// samples as one hash: two files hold the same flight when these are equal,
// whatever the form, details or units of the files.
QString samplesHash(const SampleStore& samples);

// Reads the record file at `path` (never writing it) and works out its
// figures as the main window would show them after opening it, with the
// rocket details of `profile` when one is given. A file that does not read
// comes back with the reason in `problem` and no samples.
LogbookEntry readLogbookEntry(const QString& path,
                              const std::optional<RocketProfile>& profile = std::nullopt);

}  // namespace tarvel::logbook
