// The "Flights" window offscreen, driven as a user would: the folder's
// flights listed, searched and sorted, a double-click that opens one in the
// main window, Compare with several, and a flight saved into the folder
// showing without a restart.

#include "flights_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTest>

#include "compare_window.h"
#include "logbook_model.h"
#include "rocket_profile_store.h"
#include "shell_test_support.h"

namespace tarvel::test {
namespace {

using logbook::Column;

QString example(const char* name) { return QString(TARVEL_EXAMPLES_DIR) + "/" + name; }

class FlightsWindowTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_TRUE(m_flights.isValid());
        for (const char* name : {"small_motor.rcd", "metric_flight.rcd", "high_power.rcd"})
            ASSERT_TRUE(QFile::copy(example(name), m_flights.filePath(name)));
        QFile junk(m_flights.filePath("junk.rcd"));
        ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
        junk.write("no record\n");
    }
    // The window over the test's folder, once its first scan is shown.
    std::unique_ptr<FlightsWindow> makeWindow() {
        UserPreferences preferences(false);
        preferences.setLogbookFolders({m_flights.path()});
        auto flights =
            std::make_unique<FlightsWindow>(preferences, nullptr, m_flights.filePath("index.sqlite"));
        settle(*flights);
        return flights;
    }
    // Until no scan runs or waits: a rescan asked for during one follows it.
    static void settle(FlightsWindow& flights) {
        while (flights.scanning()) {
            QSignalSpy done(&flights, &FlightsWindow::scanFinished);
            ASSERT_TRUE(done.wait(5000));
        }
    }
    static QStringList column(const FlightsWindow& flights, Column c) {
        QStringList texts;
        for (int r = 0; r < flights.proxy()->rowCount(); ++r)
            texts.append(flights.proxy()->index(r, int(c)).data().toString());
        return texts;
    }
    QTemporaryDir m_flights;
};

TEST_F(FlightsWindowTest, ListsSearchesAndSortsTheFolder) {
    auto flights = makeWindow();
    flights->show();
    EXPECT_EQ(flights->windowTitle(), "Flights");
    EXPECT_EQ(flights->proxy()->rowCount(), 4);
    EXPECT_EQ(flights->statusLabel()->text(), "4 flights, 1 not read");
    EXPECT_EQ(flights->model()->headerData(int(Column::Apogee), Qt::Horizontal).toString(), "Apogee (ft)");

    // The search matches every text column (here the place), in any case; never the figures.
    QTest::keyClicks(flights->searchEdit(), "HILL");
    EXPECT_EQ(column(*flights, Column::Name), QStringList{"Kestrel"});
    flights->searchEdit()->setText("645");
    EXPECT_EQ(flights->proxy()->rowCount(), 0);
    flights->searchEdit()->clear();
    EXPECT_EQ(flights->proxy()->rowCount(), 4);
    flights->searchEdit()->setText("no flight samples");
    EXPECT_EQ(column(*flights, Column::File), QStringList{"junk.rcd"});
    flights->searchEdit()->clear();

    // Figures sort as numbers (as text, "645.5" would come after "1772.7"); the absent one first.
    flights->table()->horizontalHeader()->setSortIndicator(int(Column::Apogee), Qt::AscendingOrder);
    EXPECT_EQ(column(*flights, Column::Apogee), (QStringList{"", "645.5", "1772.7", "6991.4"}));
    flights->table()->horizontalHeader()->setSortIndicator(int(Column::Samples), Qt::DescendingOrder);
    EXPECT_EQ(column(*flights, Column::Samples), (QStringList{"19501", "5229", "1675", ""}));

    // In the units the user chooses.
    flights->setUnits({1, 3, 0, 0}, {".", ","});
    EXPECT_EQ(flights->model()->headerData(int(Column::Apogee), Qt::Horizontal).toString(), "Apogee (m)");
    EXPECT_EQ(column(*flights, Column::Apogee)[0], "2,131.0");
}

TEST_F(FlightsWindowTest, DoubleClickOpensAndCompareTakesTheSelection) {
    auto flights = makeWindow();
    flights->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(flights.get()));
    QSignalSpy open(flights.get(), &FlightsWindow::openRequested);
    QSignalSpy compare(flights.get(), &FlightsWindow::compareRequested);
    flights->table()->sortByColumn(int(Column::File), Qt::AscendingOrder);  // high, junk, metric, small

    EXPECT_FALSE(flights->compareButton()->isEnabled());  // nothing selected yet
    QTableView* table = flights->table();
    const QRect cell = table->visualRect(flights->proxy()->index(2, int(Column::Name)));
    // The view takes a double-click on the row its press went to, as a user's has.
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    ASSERT_EQ(open.size(), 1);
    EXPECT_EQ(open[0][0].toString(), m_flights.filePath("metric_flight.rcd"));

    table->selectRow(0);
    QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      table->visualRect(flights->proxy()->index(3, 0)).center());
    ASSERT_TRUE(flights->compareButton()->isEnabled());
    QTest::mouseClick(flights->compareButton(), Qt::LeftButton);
    ASSERT_EQ(compare.size(), 1);
    EXPECT_EQ(compare[0][0].toStringList(),
              (QStringList{m_flights.filePath("high_power.rcd"), m_flights.filePath("small_motor.rcd")}));
}

TEST_F(FlightsWindowTest, AFlightSavedIntoTheFolderShowsWithoutARestart) {
    auto flights = makeWindow();
    QSignalSpy done(flights.get(), &FlightsWindow::scanFinished);
    ASSERT_TRUE(QFile::copy(example("small_motor_downloaded.rcd"), m_flights.filePath("tmprecord0.rcd")));
    ASSERT_TRUE(done.wait(5000));
    settle(*flights);
    EXPECT_EQ(flights->proxy()->rowCount(), 5);
    EXPECT_EQ(flights->statusLabel()->text(), "5 flights, 1 not read");
    flights->rescan();  // nothing new: the count shows again
    settle(*flights);
    EXPECT_EQ(flights->statusLabel()->text(), "5 flights, 1 not read");
}

TEST_F(FlightsWindowTest, TheMainWindowOpensWhatTheLogbookAsks) {
    window->action("mnuFileFlights")->trigger();
    FlightsWindow* flights = window->flightsWindow();
    ASSERT_TRUE(flights);
    EXPECT_TRUE(flights->isVisible());
    // The window's folders are the user's: none in this fresh store.
    EXPECT_TRUE(flights->folders().isEmpty());
    emit flights->openRequested(m_flights.filePath("metric_flight.rcd"));
    EXPECT_EQ(window->analysis().CurOpenFileName, m_flights.filePath("metric_flight.rcd").toStdString());
    window->action("mnuFileFlights")->trigger();
    EXPECT_EQ(window->flightsWindow(), flights);  // raised, not made again

    emit flights->compareRequested(
        {m_flights.filePath("metric_flight.rcd"), m_flights.filePath("small_motor.rcd")});
    ASSERT_TRUE(window->compareWindow());
    EXPECT_EQ(window->compareWindow()->sources()->count(), 2);
}

TEST_F(FlightsWindowTest, AProfileAppliedInTheLogbookComesWithTheOpenedFlight) {
    // The rocket of small_motor.rcd, for its download, which carries no details.
    ASSERT_TRUE(RocketProfileStore().save({"Sparrow", 0.130, 0.0125, 0.029, 0.7, 1.86}).ok);
    ASSERT_TRUE(QFile::copy(example("small_motor_downloaded.rcd"), m_flights.filePath("tmprecord0.rcd")));
    window->action("mnuFileFlights")->trigger();
    FlightsWindow* flights = window->flightsWindow();
    flights->addFolder(m_flights.path());
    settle(*flights);
    flights->searchEdit()->setText("tmprecord0");
    ASSERT_EQ(flights->proxy()->rowCount(), 1);
    flights->table()->selectRow(0);
    flights->applyProfile("Sparrow");
    EXPECT_EQ(flights->profileOf(m_flights.filePath("tmprecord0.rcd")), "Sparrow");
    const QString motorClass = flights->proxy()->index(0, int(Column::MotorClass)).data().toString();
    EXPECT_NE(motorClass, "E");  // the class of the default details

    emit flights->openRequested(m_flights.filePath("tmprecord0.rcd"));
    EXPECT_EQ(window->detailEdit(DetailField::txtMotorDuration)->text(), "1.86");
    EXPECT_EQ(QString::fromStdString(window->analysis().figures.Label5), "Ave Thrust-" + motorClass);
    EXPECT_TRUE(window->isWindowModified());  // the details shown are not the file's
    flights->removeFolder(m_flights.path());
}

}  // namespace
}  // namespace tarvel::test
