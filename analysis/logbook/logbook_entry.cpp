#include "logbook_entry.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "derivation.h"
#include "flight_report.h"
#include "number_text.h"
#include "qt_text.h"
#include "record_reader.h"
#include "units.h"

namespace tarvel::logbook {

using suite::qs;

namespace {

uint64_t rotateLeft(uint64_t x, int bits) { return (x << bits) | (x >> (64 - bits)); }

// The final mixing of a 64-bit lane, so that every input bit moves every output bit.
uint64_t mixed(uint64_t h) {
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ULL;
    return h ^ (h >> 33);
}

}  // namespace

QString samplesHash(const SampleStore& samples) {
    // Two independent 64-bit lanes of multiply-rotate rounds: a 20,000-sample
    // flight hashes in a fraction of what a cryptographic hash takes, and 128
    // bits leave no chance of two logged flights matching by accident.
    uint64_t a = 0x9e3779b97f4a7c15ULL, b = 0xc2b2ae3d27d4eb4fULL;
    const int count = std::clamp<int>(samples.SampleCount, 0, kLastSlot);
    for (const SampleArray* column : {&samples.aDeltaTime, &samples.aPressure, &samples.aAccel}) {
        for (int i = 1; i <= count; ++i) {
            double value = at(*column, i);
            if (value == 0) value = 0;  // -0 reads as the same sample as 0
            uint64_t word;
            std::memcpy(&word, &value, sizeof word);
            a = rotateLeft(a ^ (word * 0x87c37b91114253d5ULL), 31) * 0x4cf5ad432745937fULL;
            b = rotateLeft(b + (word * 0x52dce729da3ed9abULL), 27) * 0x38495ab5ULL + a;
        }
    }
    const uint64_t n = uint64_t(count);
    return QStringLiteral("%1%2").arg(mixed(a ^ n), 16, 16, QChar('0')).arg(mixed(b + n), 16, 16, QChar('0'));
}

namespace {

QString firstLine(const std::string& text) {
    return qs(std::string_view(text).substr(0, text.find_first_of("\r\n"))).trimmed();
}

// The figures the main window shows after opening the flight, and then, with
// a profile, after its details have been typed in one by one as the main window
// applies a profile: each recalculation takes its drag from the velocities of
// the one before, so the figures are those of that same road. In SI units.
void addFigures(LogbookEntry& entry, Flight& flight, const std::optional<RocketProfile>& profile,
                QStringList& problems) {
    std::optional<DerivedFlight> last;
    Status refused;
    auto recalculate = [&] {
        const SampleArray& previous = last ? last->velocity : flight.samples.aVelocity;
        Derivation d =
            deriveFlight({flight.samples, flight.details, flight.units, DerivedView::AllCurves, previous});
        if (d.flight)
            last = std::move(d.flight);  // a refused one leaves the figures before it, as in the window
        else
            refused = d.status;
    };
    recalculate();
    if (profile) {
        for (const auto& [field, text] : profileDetailTexts(*profile, flight.units.Mass)) {
            flight.detail(field) = text;
            if (const std::optional<double> value = parseNumber(text); value && *value > 0) recalculate();
        }
    }
    if (!last) {
        problems << qs(refused.message);
        return;
    }
    const std::optional<FlightFigures>& figures = last->figures;
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
    if (profile) entry.profile = qs(profile->name);
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
    addFigures(entry, flight, profile, problems);
    const events::FlightEvents events = events::analyseFlight(events::recordedSamples(flight)).events;
    if (events.launch && events.landing) entry.flightTimeS = *events.landing - *events.launch;
    entry.problem = problems.join(' ');
    return entry;
}

}  // namespace tarvel::logbook
