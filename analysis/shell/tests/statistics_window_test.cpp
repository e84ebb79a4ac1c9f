// The flight's events and estimate over the graph, and the "Flight
// Statistics" window, driven from the Graph menu.

#include "statistics_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QTableWidget>

#include "ln_graph.h"
#include "shell_test_support.h"

namespace tarvel::test {
namespace {

QString example(const char* name) { return QString(TARVEL_EXAMPLES_DIR) + "/" + name; }

std::vector<std::string> markTexts(const graph::Scene& scene) {
    std::vector<std::string> texts;
    for (const graph::EventMark& m : scene.eventMarks) texts.push_back(m.text);
    return texts;
}

// The row whose first column reads `label`, -1 when there is none.
int rowOf(const QTableWidget& table, const QString& label) {
    for (int r = 0; r < table.rowCount(); ++r)
        if (table.item(r, 0) && table.item(r, 0)->text() == label) return r;
    return -1;
}

QString cell(const QTableWidget& table, int row, int column) {
    const QTableWidgetItem* item = table.item(row, column);
    return item ? item->text() : QString();
}

TEST_F(WindowTest, EventLinesAndTheEstimateFollowTheGraphMenu) {
    QAction* events = window->action("mnuGraphEvents");
    QAction* estimate = window->action("mnuGraphEstimate");
    ASSERT_TRUE(events && estimate);
    EXPECT_EQ(events->text(), "Event &Markers");
    EXPECT_EQ(estimate->text(), "&Best Estimate");
    EXPECT_TRUE(events->isChecked());
    EXPECT_FALSE(estimate->isChecked());

    open(example("high_power.rcd"));
    const graph::Scene& scene = window->lnGraph().scene();
    const std::vector<std::string> marks = markTexts(scene);
    // The recording starts in the boost: the launch lies before the time axis and is not drawn.
    EXPECT_EQ(marks, (std::vector<std::string>{"Burnout", "Apogee", "Deployment", "Main", "Landing"}));
    EXPECT_TRUE(scene.bands.empty());

    estimate->trigger();
    EXPECT_TRUE(estimate->isChecked());
    ASSERT_EQ(scene.bands.size(), 2u);  // altitude and velocity
    for (const graph::BandCurve& b : scene.bands) {
        ASSERT_GT(b.centre.size(), 100u);
        EXPECT_EQ(b.upper.size(), b.centre.size());
        // The band holds the estimate: above it on screen means a smaller y.
        EXPECT_LE(b.upper[b.centre.size() / 2].y, b.centre[b.centre.size() / 2].y);
        EXPECT_GE(b.lower[b.centre.size() / 2].y, b.centre[b.centre.size() / 2].y);
    }
    // Zoomed in, only the events in the range are drawn, where the curves are.
    const double apogee = [&] {
        for (const graph::GraphOverlay::Event& e : window->lnGraph().data().overlay.events)
            if (e.label == "Apogee") return e.time;
        return -1.0;
    }();
    ASSERT_GT(apogee, 1);
    EXPECT_EQ(window->zoomToRange(apogee - 0.5, apogee + 0.5), "");
    for (const graph::EventMark& m : scene.eventMarks) {
        EXPECT_GE(m.x, 0);
        EXPECT_LE(m.x, scene.geometry.areaW);
    }
    const std::vector<std::string> zoomed = markTexts(scene);
    EXPECT_NE(std::find(zoomed.begin(), zoomed.end(), "Apogee"), zoomed.end());
    EXPECT_EQ(std::find(zoomed.begin(), zoomed.end(), "Burnout"), zoomed.end());

    events->trigger();
    estimate->trigger();
    EXPECT_TRUE(scene.eventMarks.empty());
    EXPECT_TRUE(scene.bands.empty());
    EXPECT_TRUE(window->lnGraph().isZoomed());  // the zoom stays
}

TEST_F(WindowTest, FlightStatisticsShowEveryValueInItsUnitsAndKeepTheRail) {
    QAction* entry = window->action("mnuGraphStatistics");
    ASSERT_NE(entry, nullptr);
    entry->trigger();
    StatisticsWindow* stats = window->statisticsWindow();
    ASSERT_NE(stats, nullptr);
    EXPECT_TRUE(stats->isVisible());
    EXPECT_EQ(stats->windowTitle(), "Flight Statistics");
    const QTableWidget& table = *stats->table();
    // No flight yet: every row is there and empty.
    ASSERT_GE(rowOf(table, "Launch"), 0);
    EXPECT_EQ(cell(table, rowOf(table, "Launch"), 1), "");

    open(example("high_power.rcd"));
    const int launch = rowOf(table, "Launch"), burnout = rowOf(table, "Velocity at burnout"),
              apogee = rowOf(table, "Apogee altitude");
    ASSERT_TRUE(launch >= 0 && burnout >= 0 && apogee >= 0);
    EXPECT_TRUE(cell(table, launch, 1).endsWith(" s")) << cell(table, launch, 1).toStdString();
    const QStringList units = {" m/s", " ft/s", " mph", " km/h", " Mach"};
    for (int i = 0; i < units.size(); ++i)
        EXPECT_TRUE(cell(table, burnout, i + 1).endsWith(units[i]))
            << cell(table, burnout, i + 1).toStdString();
    EXPECT_TRUE(cell(table, apogee, 1).endsWith(" m"));
    EXPECT_TRUE(cell(table, apogee, 2).endsWith(" ft"));

    // "Copy" puts the whole table on the clipboard as text.
    QPushButton* copy = stats->findChild<QPushButton*>("cmdCopy");
    ASSERT_NE(copy, nullptr);
    copy->click();
    const QString copied = QApplication::clipboard()->text();
    EXPECT_EQ(copied.toStdString(), stats->text());
    EXPECT_TRUE(copied.contains("Velocity at burnout")) << copied.toStdString();

    // The rail length reworks the figures and is kept for the next run.
    const QString railExit = cell(table, rowOf(table, "Velocity off the rail"), 1);
    stats->railEdit()->setValue(3.0);
    EXPECT_EQ(window->analysis().railLength, 3.0);
    EXPECT_EQ(cell(table, rowOf(table, "Rail length"), 1), "3.0 m");
    EXPECT_NE(cell(table, rowOf(table, "Velocity off the rail"), 1), railExit);
    EXPECT_EQ(UserPreferences().railLength(), 3.0);
    m_keepPreferences = true;
    SetUp();
    EXPECT_EQ(window->analysis().railLength, 3.0);
}

}  // namespace
}  // namespace tarvel::test
