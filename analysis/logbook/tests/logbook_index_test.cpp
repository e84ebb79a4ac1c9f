// The logbook's index on a real SQLite file in a temporary folder: what it
// reads of a folder of flights, what a later update reads again, and how it
// comes back from a lost or damaged index.

#include "logbook_index.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>

#include "flight_analysis.h"
#include "logbook_model.h"
#include "rocket_profile_store.h"
#include "units.h"

namespace tarvel::logbook {
namespace {

class LogbookIndexTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        // The rocket profiles live in the user's settings store: one of the test's own.
        qputenv("XDG_CONFIG_HOME", m_dir.filePath("config").toLocal8Bit());
        QDir().mkpath(flights());
        for (const char* name :
             {"small_motor.rcd", "metric_flight.rcd", "high_power.rcd", "small_motor_downloaded.rcd"})
            ASSERT_TRUE(QFile::copy(example(name), flights() + "/" + name));
        QDir().mkpath(flights() + "/older");
        writeFile(flights() + "/older/NOT A FLIGHT.RCD", "this is no record\n");
        writeFile(flights() + "/notes.txt", "not a record file's name\n");
    }
    static QString example(const char* name) { return QString(TARVEL_EXAMPLES_DIR) + "/" + name; }
    QString flights() const { return m_dir.filePath("flights"); }
    QString indexPath() const { return m_dir.filePath("data/logbook.sqlite"); }
    static void writeFile(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    static const LogbookEntry* find(const std::vector<LogbookEntry>& entries, const QString& fileName) {
        const auto it = std::find_if(entries.begin(), entries.end(),
                                     [&](const LogbookEntry& e) { return e.path.endsWith("/" + fileName); });
        return it == entries.end() ? nullptr : &*it;
    }

    QTemporaryDir m_dir;
};

TEST_F(LogbookIndexTest, ListsEveryRecordFileWithTheFiguresTheMainWindowShows) {
    LogbookIndex index(indexPath());
    EXPECT_TRUE(index.problem().isEmpty()) << index.problem().toStdString();
    const FolderScan first = index.update({flights()});
    EXPECT_EQ(first.read.size(), 5u);  // *.rcd in any case, in the folders below too; no notes.txt
    const std::vector<LogbookEntry> entries = index.entriesIn({flights()});
    ASSERT_EQ(entries.size(), 5u);

    // The file that is no record is listed, with the reason.
    const LogbookEntry* junk = find(entries, "NOT A FLIGHT.RCD");
    ASSERT_TRUE(junk);
    EXPECT_FALSE(junk->readable());
    EXPECT_EQ(junk->problem, "No flight samples were found in the file.");

    const LogbookEntry* sparrow = find(entries, "small_motor.rcd");
    ASSERT_TRUE(sparrow);
    EXPECT_EQ(sparrow->name, "Sparrow");
    EXPECT_EQ(sparrow->place, "School field");
    EXPECT_EQ(sparrow->date, "April 14");
    EXPECT_EQ(sparrow->notesLine, "C6-5 motor, 30 cm chute.");
    EXPECT_EQ(sparrow->motorClass, "C");
    EXPECT_EQ(sparrow->sampleCount, 1675);
    EXPECT_TRUE(sparrow->problem.isEmpty());
    ASSERT_TRUE(sparrow->flightTimeS);
    EXPECT_NEAR(*sparrow->flightTimeS, 33.4, 0.1);
    // The downloaded form of the same flight holds other numbers (fewer digits), and no details.
    const LogbookEntry* downloaded = find(entries, "small_motor_downloaded.rcd");
    ASSERT_TRUE(downloaded);
    EXPECT_NE(downloaded->samplesHash, sparrow->samplesHash);
    EXPECT_TRUE(downloaded->name.isEmpty());

    // In the units each file was saved in, the figures read as the main window shows them.
    for (const char* name : {"small_motor.rcd", "metric_flight.rcd", "high_power.rcd"}) {
        FlightAnalysis window;
        ASSERT_TRUE(window.openRecordFile(example(name).toStdString()).ok);
        const LogbookEntry* e = find(entries, name);
        ASSERT_TRUE(e);
        const NumberLocale plain{".", ""};
        EXPECT_EQ(cellText(*e, Column::Apogee, window.units, plain).toStdString(), window.figures.MaxAltitude)
            << name;
        EXPECT_EQ(cellText(*e, Column::MaxVelocity, window.units, plain).toStdString(),
                  window.figures.MaxVelocity)
            << name;
        EXPECT_EQ(columnTitle(Column::Apogee, window.units).toStdString(),
                  "Apogee " + window.captions.lblAltitude);
    }
}

TEST_F(LogbookIndexTest, LaterUpdatesReadOnlyNewAndChangedFiles) {
    {
        LogbookIndex index(indexPath());
        index.update({flights()});
    }
    LogbookIndex index(indexPath());  // a later start
    FolderScan again = index.update({flights()});
    // Only the file that did not read is tried again (its permissions may have changed).
    ASSERT_EQ(again.read.size(), 1u);
    EXPECT_TRUE(again.read[0].path.endsWith("NOT A FLIGHT.RCD"));
    EXPECT_EQ(again.unchanged, 4);

    // One changed, one added, one deleted.
    QFile metric(flights() + "/metric_flight.rcd");
    ASSERT_TRUE(metric.open(QIODevice::ReadOnly));
    const QByteArray bytes = metric.readAll().replace("Kestrel", "Kestrel II");
    metric.close();
    writeFile(metric.fileName(), bytes);
    ASSERT_TRUE(QFile::copy(example("small_motor.rcd"), flights() + "/older/sparrow again.rcd"));
    ASSERT_TRUE(QFile::remove(flights() + "/high_power.rcd"));

    const FolderScan changes = index.update({flights()});
    QStringList read;
    for (const LogbookEntry& e : changes.read) read.append(QFileInfo(e.path).fileName());
    read.sort();
    EXPECT_EQ(read, (QStringList{"NOT A FLIGHT.RCD", "metric_flight.rcd", "sparrow again.rcd"}));
    ASSERT_EQ(changes.gone.size(), 1);
    EXPECT_TRUE(changes.gone[0].endsWith("/high_power.rcd"));

    const std::vector<LogbookEntry> entries = index.entriesIn({flights()});
    EXPECT_EQ(entries.size(), 5u);
    EXPECT_FALSE(find(entries, "high_power.rcd"));
    ASSERT_TRUE(find(entries, "metric_flight.rcd"));
    EXPECT_EQ(find(entries, "metric_flight.rcd")->name, "Kestrel II");

    // The copy holds the same samples as the flight it was copied from, and says so.
    const LogbookEntry* copy = find(entries, "sparrow again.rcd");
    ASSERT_TRUE(copy);
    EXPECT_EQ(index.pathsWithSamples(copy->samplesHash),
              (QStringList{flights() + "/older/sparrow again.rcd", flights() + "/small_motor.rcd"}));
    const std::vector<QString> same = sameSamplesNames(entries);
    const auto row = size_t(copy - entries.data());
    EXPECT_EQ(same[row], "small_motor.rcd");

    // A folder no longer listed keeps its flights known, not shown.
    EXPECT_TRUE(index.entriesIn({flights() + "/older"}).size() == 2u);
    EXPECT_EQ(index.update({flights() + "/older"}).read.size(), 1u);  // the junk file only
    EXPECT_EQ(index.entries().size(), 5u);
}

TEST_F(LogbookIndexTest, AMissingDamagedOrOlderIndexIsBuiltAgain) {
    auto readAtStart = [this] {
        LogbookIndex index(indexPath());
        EXPECT_TRUE(index.problem().isEmpty()) << index.problem().toStdString();
        return index.update({flights()}).read.size();
    };
    EXPECT_EQ(readAtStart(), 5u);
    ASSERT_TRUE(QFile::remove(indexPath()));
    EXPECT_EQ(readAtStart(), 5u);

    writeFile(indexPath(), QByteArray(4096, 'x'));  // no database at all
    EXPECT_EQ(readAtStart(), 5u);
    EXPECT_EQ(readAtStart(), 1u);  // and kept again

    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "older");
        db.setDatabaseName(indexPath());
        ASSERT_TRUE(db.open());
        QSqlQuery(db).exec("PRAGMA user_version = 0");
        db.close();
    }
    QSqlDatabase::removeDatabase("older");
    EXPECT_EQ(readAtStart(), 5u);

    // Where no index can be kept, the logbook still lists the flights and says why.
    writeFile(m_dir.filePath("plain file"), "x");
    LogbookIndex nowhere(m_dir.filePath("plain file/logbook.sqlite"));
    EXPECT_TRUE(nowhere.problem().contains("plain file")) << nowhere.problem().toStdString();
    nowhere.update({flights()});
    EXPECT_EQ(nowhere.entriesIn({flights()}).size(), 5u);
}

TEST_F(LogbookIndexTest, ARocketProfileAppliesToTheFlightNotToItsFile) {
    // The rocket of small_motor.rcd, whose download carries none of its details.
    const RocketProfile sparrow{"Sparrow", 4.59 * 0.028349523, 0.44 * 0.028349523, 1.14 * 0.0254, 0.7, 1.86};
    ASSERT_TRUE(RocketProfileStore().save(sparrow).ok);
    const QString path = flights() + "/small_motor_downloaded.rcd";
    QFile original(path);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray bytes = original.readAll();
    original.close();

    LogbookIndex index(indexPath());
    index.update({flights()});
    const QString defaultsClass = find(index.entries(), "small_motor_downloaded.rcd")->motorClass;
    ASSERT_TRUE(index.applyProfile({path}, sparrow));
    auto entry = [&] { return *find(index.entries(), "small_motor_downloaded.rcd"); };
    EXPECT_EQ(entry().profile, "Sparrow");
    // The figures of the main window once the profile is applied there; not those of the defaults.
    FlightAnalysis window;
    window.openRecordFile(path.toStdString());
    ASSERT_TRUE(window.commitDetails(profileDetailTexts(sparrow, window.units.Mass)).ok);
    EXPECT_EQ(defaultsClass, "E");
    EXPECT_EQ(window.figures.Label5, "Ave Thrust-" + entry().motorClass.toStdString());
    EXPECT_EQ(cellText(entry(), Column::Apogee, window.units, {".", ""}).toStdString(),
              window.figures.MaxAltitude);
    EXPECT_EQ(cellText(entry(), Column::MaxVelocity, window.units, {".", ""}).toStdString(),
              window.figures.MaxVelocity);
    const LogbookEntry withProfile = entry();

    // Kept over a later start, and applied again when the file changes.
    LogbookIndex later(indexPath());
    later.update({flights()});
    EXPECT_EQ(*find(later.entries(), "small_motor_downloaded.rcd"), withProfile);
    writeFile(path, bytes + "\r\n");
    later.update({flights()});
    EXPECT_EQ(find(later.entries(), "small_motor_downloaded.rcd")->motorClass, withProfile.motorClass);

    ASSERT_TRUE(later.applyProfile({path}, std::nullopt));
    EXPECT_EQ(find(later.entries(), "small_motor_downloaded.rcd")->motorClass, defaultsClass);
    QFile after(path);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), bytes + "\r\n");  // never written by the logbook
}

}  // namespace
}  // namespace tarvel::logbook
