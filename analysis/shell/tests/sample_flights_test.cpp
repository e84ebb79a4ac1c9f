// Every sample flight of the project, taken through what a user does with
// one: open, read the figures, switch views and units, read values off the
// graph, measure a descent rate, save, export both formats and print.

#include <QDir>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>

#include "export_dialog.h"
#include "graph_interaction.h"
#include "shell_test_support.h"
#include "units_dialog.h"

namespace tarvel::test {
namespace {

using SampleFlightsTest = WindowTest;

QStringList sampleFlights() {
    return QDir(QStringLiteral(TARVEL_EXAMPLES_DIR)).entryList({"*.rcd"}, QDir::Files, QDir::Name);
}

TEST_F(SampleFlightsTest, EveryExampleGoesThroughTheWholeRoad) {
    const QStringList files = sampleFlights();
    if (files.isEmpty()) GTEST_SKIP() << "no sample flights in " << TARVEL_EXAMPLES_DIR;
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        SetUp();
        open(QDir(QStringLiteral(TARVEL_EXAMPLES_DIR)).filePath(name));
        ASSERT_TRUE(dialogs.messages.empty()) << dialogs.lastMessage().toStdString();
        for (const char* figure : {"MaxAltitude", "MaxVelocity", "MinAccel", "MaxAccel", "Velocity3Ft",
                                   "MaxThrust", "TotalImpulse", "AveThrust"})
            EXPECT_FALSE(text(figure).isEmpty()) << figure;
        EXPECT_GT(text("MaxAltitude").toDouble(), 0);
        EXPECT_GT(window->lnGraph().scene().visibleCurveCount(), 100);

        // Burn view and back.
        window->action("mnuGraphAccelThrust")->trigger();
        EXPECT_GT(window->lnGraph().scene().visibleCurveCount(), 50);
        window->action("mnuGraphAll")->trigger();

        // Metric units.
        dialogs.modalScripts.push_back([](QDialog& d) {
            auto& units = dynamic_cast<UnitsDialog&>(d);
            units.option(0, 1)->setChecked(true);
            units.option(1, 3)->setChecked(true);
            units.option(2, 0)->setChecked(true);
            units.option(3, 2)->setChecked(true);
            units.cmdOK()->click();
        });
        window->action("mnuConfigurationUnits")->trigger();
        EXPECT_EQ(text("lblAltitude0"), "(m)");
        EXPECT_EQ(text("lblVelocity0"), "(m/s)");

        // Values off the graph, and a descent rate over the second half of the flight.
        const double flightTime = window->lnGraph().axis(graph::Axis::Time).MaxValue;
        pointer(QEvent::MouseButtonPress, Qt::LeftButton, 1.0);
        EXPECT_NEAR(text("CurVal0").toDouble(), 1.0, 0.1);
        EXPECT_FALSE(text("CurVal3").isEmpty());
        pointer(QEvent::MouseButtonPress, Qt::RightButton, flightTime * 0.4);
        pointer(QEvent::MouseButtonPress, Qt::RightButton, flightTime * 0.6);
        ASSERT_EQ(dialogs.messages.size(), 2u);
        EXPECT_TRUE(dialogs.messages[1].text.startsWith("Descent Rate: "));
        EXPECT_TRUE(dialogs.messages[1].text.endsWith("(m)/s"));

        // Save As, CSV, motor file, print.
        dialogs.fileAnswers = {m_dir.filePath("saved.rcd"), m_dir.filePath("saved.csv")};
        window->action("mnuFileSaveAs")->trigger();
        window->action("mnuFileExportCSV")->trigger();
        EXPECT_EQ(readFile(m_dir.filePath("saved.rcd")), readFile(m_dir.filePath("saved.csv")));
        dialogs.modalScripts.push_back([&](QDialog& d) {
            dialogs.fileAnswers.push_back(m_dir.filePath("motor.eng"));
            auto& dialog = dynamic_cast<ExportDialog&>(d);
            dialog.txtDiameter()->setText("29");
            dialog.txtLength()->setText("300");
            dialog.txtTotalMotorWeight()->setText("100");
            dialog.cmdExport()->click();
        });
        window->action("mnuFileExport")->trigger();
        EXPECT_EQ(dialogs.lastMessage(), "Export Complete");
        EXPECT_GT(readFile(m_dir.filePath("motor.eng")).size(), 100u);
        dialogs.printerAnswers.push_back([&](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(m_dir.filePath("flight.pdf"));
            return true;
        });
        window->action("mnuFilePrint")->trigger();
        EXPECT_EQ(readFile(m_dir.filePath("flight.pdf")).substr(0, 4), "%PDF");
        EXPECT_EQ(dialogs.messages.size(), 3u) << dialogs.lastMessage().toStdString();
    }
}

}  // namespace
}  // namespace tarvel::test
