#include "logbook_entry.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <cstring>

#include "derivation.h"
#include "flight_report.h"
#include "qt_text.h"
#include "record_reader.h"
#include "units.h"

namespace tarvel::logbook {

using suite::qs;

QString samplesHash(const SampleStore& samples) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    const int count = std::clamp<int>(samples.SampleCount, 0, kLastSlot);
    for (const SampleArray* column : {&samples.aDeltaTime, &samples.aPressure, &samples.aAccel}) {
        for (int i = 1; i <= count; ++i) {
            double value = at(*column, i);
            if (value == 0) value = 0;  // -0 reads as the same sample as 0
            char bytes[sizeof value];
            std::memcpy(bytes, &value, sizeof value);
            hash.addData(QByteArrayView(bytes, sizeof bytes));
        }
    }
    return QString::fromLatin1(hash.result().toHex());
}

namespace {

QString firstLine(const std::string& text) {
    const QString all = qs(text);
    return all.section(QRegularExpression(QStringLiteral("[\r\n]")), 0, 0).trimmed();
}

// The figures the main window shows after opening the flight, in SI units.
void addFigures(LogbookEntry& entry, const Flight& flight, QStringList& problems) {
    const Derivation derived = deriveFlight(
        {flight.samples, flight.details, flight.units, DerivedView::AllCurves, flight.samples.aVelocity});
    if (!derived.flight) {
        problems << qs(derived.status.message);
        return;
    }
    const std::optional<FlightFigures>& figures = derived.flight->figures;
    if (!figures) {
        problems << QStringLiteral("%1 samples are too few for the figures; they need at least %2.")
                        .arg(entry.sampleCount)
                        .arg(kMinSummarySamples);
        return;
    }
    entry.apogeeM = figures->maxAltitude * DistanceFactor[size_t(flight.units.Distance)][1];
    entry.maxVelocityMps = figures->maxVelocity * VelocityFactor[size_t(flight.units.Velocity)][3];
    entry.motorClass = qs(figures->motorClass);
}

}  // namespace

LogbookEntry readLogbookEntry(const QString& path, const std::optional<RocketProfile>& profile) {
    LogbookEntry entry;
    entry.path = path;
    const QFileInfo info(path);
    entry.size = info.size();
    entry.modifiedMs = info.lastModified().toMSecsSinceEpoch();
    std::string bytes;
    // Only a regular file is opened: a FIFO or a device under a record's name would never end.
    if (Status read = readSmallRegularFile(QFile::encodeName(path).toStdString(), kMaxRecordFileBytes, bytes);
        !read.ok) {
        entry.problem = qs(read.message);
        return entry;
    }
    Flight flight = readRecord(bytes);
    if (profile) {
        applyRocketProfile(*profile, flight);
        entry.profile = qs(profile->name);
    }
    entry.name = qs(flight.detail(DetailField::FileDetailName)).trimmed();
    entry.place = qs(flight.detail(DetailField::FileDetailPlace)).trimmed();
    entry.date = qs(flight.detail(DetailField::FileDetailDate)).trimmed();
    entry.notesLine = firstLine(flight.detail(DetailField::FileDetailNotes));
    if (!flight.lastRead.samplesFound) {
        entry.problem = QStringLiteral("No flight samples were found in the file.");
        return entry;
    }
    entry.sampleCount = flight.samples.SampleCount;
    entry.samplesHash = samplesHash(flight.samples);
    QStringList problems;
    if (!flight.lastRead.complete) problems << "Reading stopped at " + qs(flight.lastRead.stoppedAt) + ".";
    addFigures(entry, flight, problems);
    const events::FlightEvents events = events::analyseFlight(events::recordedSamples(flight)).events;
    if (events.launch && events.landing) entry.flightTimeS = *events.landing - *events.launch;
    entry.problem = problems.join(' ');
    return entry;
}

}  // namespace tarvel::logbook
