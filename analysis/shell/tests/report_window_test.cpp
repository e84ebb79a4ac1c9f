// The flight report from the File menu, and the document name a print job
// gets, both read back with poppler as a user's PDF viewer shows them.

#include <QDir>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>

#include "shell_test_support.h"
#include "units_dialog.h"

namespace tarvel::test {
namespace {

// What a poppler tool (Debian package poppler-utils) prints about a PDF.
QString poppler(const QString& tool, const QStringList& arguments) {
    QProcess process;
    process.start(tool, arguments);
    EXPECT_TRUE(process.waitForFinished(10000))
        << tool.toStdString() << ": " << process.errorString().toStdString();
    EXPECT_EQ(process.exitCode(), 0) << tool.toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

using ReportWindowTest = WindowTest;

TEST_F(ReportWindowTest, ExportReportWritesTheFlightShownAsPdf) {
    QAction* entry = window->action("mnuFileExportReport");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->text(), "Export Report (P&DF)...");
    EXPECT_FALSE(entry->isEnabled());  // no flight yet

    open(QDir(QStringLiteral(TARVEL_EXAMPLES_DIR)).filePath("small_motor.rcd"));
    ASSERT_TRUE(entry->isEnabled());
    // The units chosen in the window are those of the report.
    dialogs.modalScripts.push_back([](QDialog& d) {
        auto& units = dynamic_cast<UnitsDialog&>(d);
        units.option(0, 1)->setChecked(true);  // metres
        units.cmdOK()->click();
    });
    window->action("mnuConfigurationUnits")->trigger();
    const QString pdf = m_dir.filePath("sparrow.pdf");
    dialogs.fileAnswers.push_back(pdf);
    entry->trigger();
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.lastMessage().toStdString();
    EXPECT_EQ(dialogs.fileRequests.back().title, "Export Report (PDF)");
    EXPECT_EQ(dialogs.fileRequests.back().filter, "PDF Files (*.pdf)");

    const QString content = poppler("pdftotext", {pdf, "-"});
    for (const QString& part :
         {QString("Sparrow"), text("MaxAltitude") + " (m)", QString("Time (s)"), QString("Motor burnout")})
        EXPECT_TRUE(content.contains(part)) << part.toStdString() << "\n" << content.toStdString();
    // The graph's column title, in two lines.
    EXPECT_TRUE(content.contains(QRegularExpression("Altitude\\s+\\(m\\)")));
    const QString info = poppler("pdfinfo", {pdf});
    EXPECT_TRUE(info.contains("Title:           Sparrow\n")) << info.toStdString();
    EXPECT_TRUE(info.contains("Creator:         TarvelGraph ")) << info.toStdString();

    // A report that cannot be written says why, as the other exports do.
    dialogs.fileAnswers.push_back(m_dir.filePath("no such folder/r.pdf"));
    entry->trigger();
    EXPECT_TRUE(dialogs.lastMessage().startsWith("cannot write " + m_dir.filePath("no such folder/r.pdf")))
        << dialogs.lastMessage().toStdString();

    // A flight the window could not compute has nothing to report.
    dialogs.answers.push_back(Dialogs::Choice::Discard);  // the units changed
    open(writeFile(m_dir, "no burn.rcd", "FDMotorDur\r\n0\r\n" + downloadedRecordText({})));
    ASSERT_FALSE(window->analysis().computed) << dialogs.lastMessage().toStdString();
    dialogs.fileAnswers.push_back(m_dir.filePath("none.pdf"));
    entry->trigger();
    EXPECT_EQ(dialogs.lastMessage(), "The flight has no figures to report: it could not be computed.");
    EXPECT_FALSE(QFile::exists(m_dir.filePath("none.pdf")));
}

TEST_F(ReportWindowTest, PrintJobIsNamedAfterTheRecord) {
    open(flightFile({}, "Night launch.rcd"));
    const QString pdf = m_dir.filePath("printed.pdf");
    QString proposed;
    dialogs.printerAnswers.push_back([&](QPrinter& printer) {
        proposed = printer.docName();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return true;
    });
    window->action("mnuFilePrint")->trigger();
    EXPECT_EQ(proposed, "Night launch");
    EXPECT_TRUE(poppler("pdfinfo", {pdf}).contains("Title:           Night launch\n"));
}

}  // namespace
}  // namespace tarvel::test
