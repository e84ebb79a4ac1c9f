// Save, Save As and the CSV export, each read back through Open.

#include "shell_test_support.h"

namespace tarvel::test {
namespace {

using FilesTest = WindowTest;

TEST_F(FilesTest, SaveAsCsvAndSaveRoundTrip) {
    open(flightFile());
    window->detailEdit(DetailField::FileDetailName)->setText("Bravo");
    emit window->detailEdit(DetailField::FileDetailName)->textEdited("Bravo");
    window->notesEdit()->setPlainText("line one\nline two");
    const auto raw = window->analysis().samples;

    struct Command {
        const char* action;
        const char* file;
        const char* title;
        const char* filter;
    };
    const Command commands[] = {
        {"mnuFileSaveAs", "saved.rcd", "Save the Record.", "Record Files (*.rcd)"},
        {"mnuFileExportCSV", "table.csv", "Export to a Comma Delimited File", "Record Files (*.csv)"},
    };
    for (const Command& c : commands) {
        SCOPED_TRACE(c.action);
        const QString path = m_dir.filePath(c.file);
        dialogs.fileAnswers.push_back(path);
        window->action(c.action)->trigger();
        EXPECT_EQ(dialogs.fileRequests.back().title, c.title);
        EXPECT_EQ(dialogs.fileRequests.back().filter, c.filter);
        EXPECT_EQ(window->analysis().CurOpenFileName, path.toStdString());
        const std::string text = readFile(path);
        EXPECT_EQ(text.substr(0, 15), "FDName\r\nBravo\r\n");
        EXPECT_NE(text.find("FDNotes\r\nline one\r\nline two\r\nBaroAltitude"), std::string::npos);
    }
    // The caption still names the opened record.
    EXPECT_TRUE(window->windowTitle().endsWith("flight.rcd[*]"));

    // Save writes to the file the CSV export chose.
    window->detailEdit(DetailField::FileDetailPlace)->setText("Meadow");
    emit window->detailEdit(DetailField::FileDetailPlace)->textEdited("Meadow");
    window->action("mnuFileSave")->trigger();
    EXPECT_NE(readFile(m_dir.filePath("table.csv")).find("FDLocation\r\nMeadow\r\n"), std::string::npos);

    SetUp();
    open(m_dir.filePath("table.csv"));
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.lastMessage().toStdString();
    EXPECT_EQ(window->detailEdit(DetailField::FileDetailName)->text(), "Bravo");
    EXPECT_EQ(window->notesEdit()->toPlainText(), "line one\nline two");
    const SampleStore& back = window->analysis().samples;
    ASSERT_EQ(back.SampleCount, raw.SampleCount);
    for (int i = 1; i <= raw.SampleCount; ++i) {
        ASSERT_EQ(at(back.aDeltaTime, i), at(raw.aDeltaTime, i)) << i;
        ASSERT_EQ(at(back.aPressure, i), at(raw.aPressure, i)) << i;
        ASSERT_EQ(at(back.aAccel, i), at(raw.aAccel, i)) << i;
    }
}

TEST_F(FilesTest, FailedWritesWarnAndCancelChangesNothing) {
    open(flightFile());
    const std::string opened = window->analysis().CurOpenFileName;
    window->action("mnuFileSaveAs")->trigger();  // cancelled
    EXPECT_EQ(window->analysis().CurOpenFileName, opened);
    EXPECT_TRUE(dialogs.messages.empty());

    const QString unwritable = m_dir.filePath("no/such/folder/x.rcd");
    dialogs.fileAnswers.push_back(unwritable);
    window->action("mnuFileSaveAs")->trigger();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].icon, Dialogs::Icon::Exclamation);
    EXPECT_EQ(window->analysis().CurOpenFileName, unwritable.toStdString());  // the target all the same

    window->action("mnuFileSave")->trigger();
    EXPECT_EQ(dialogs.messages.size(), 2u);
}

TEST_F(FilesTest, SavingOverAFileReadOnlyInPartAsksFirst) {
    const QString damaged =
        writeFile(m_dir, "damaged.rcd", downloadedRecordText({}) + "\r\n0.01,oops,1,0,0, ");
    open(damaged);
    const std::string before = readFile(damaged);
    dialogs.messages.clear();
    for (const char* command : {"mnuFileSave", "mnuFileSaveAs", "mnuFileExportCSV"}) {
        SCOPED_TRACE(command);
        dialogs.fileAnswers.push_back(damaged);  // the file dialogs choose the same file
        dialogs.questions.clear();
        window->action(command)->trigger();  // and the question is not answered: Cancel
        ASSERT_EQ(dialogs.questions.size(), 1u);
        EXPECT_TRUE(dialogs.questions[0].contains("was read only in part"))
            << dialogs.questions[0].toStdString();
        EXPECT_TRUE(dialogs.questions[0].endsWith("Save over it all the same?"));
        EXPECT_EQ(readFile(damaged), before);
        dialogs.fileAnswers.clear();
    }
    EXPECT_TRUE(dialogs.messages.empty());

    dialogs.answers.push_back(Dialogs::Choice::Save);
    window->action("mnuFileSave")->trigger();
    EXPECT_NE(readFile(damaged), before);
    // Now the file holds the record as it is; saving it again asks nothing.
    dialogs.questions.clear();
    window->action("mnuFileSave")->trigger();
    EXPECT_TRUE(dialogs.questions.empty());
}

}  // namespace
}  // namespace tarvel::test
