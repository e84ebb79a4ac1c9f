#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <fstream>

#include "command_line.h"
#include "ini_file.h"
#include "terminal_text.h"

namespace vxoem {
namespace {

TEST(ReadIniValue, FollowsTheOverrideFileRules) {
    QTemporaryDir folder;
    const std::string file = folder.filePath("ud.ini").toStdString();
    std::ofstream(file, std::ios::binary) << "ApplicationName=outside\r\n"
                                             "  [Main]  \r\n"
                                             "ApplicationName=  My Downloader  \r\n"
                                             "DEBUGWINDOWTEXT=Hello=World\r\n"
                                             "aboutWindowTextLine1 =spaced key\r\n"
                                             "  aboutWindowTextLine2=indented key\r\n"
                                             "Empty=\r\n"
                                             "[Other]\r\n"
                                             "Later=never read\r\n";
    struct Case {
        const char* section;
        const char* key;
        const char* expected;
    };
    const Case cases[] = {
        {"Main", "ApplicationName", "My Downloader"},      // the value is trimmed
        {"main", "applicationname", "My Downloader"},      // section and key compared in lower case
        {"Main", "debugWindowText", "Hello=World"},        // only the first "=" splits
        {"Main", "aboutWindowTextLine1", ""},              // a space before "=" is part of the name
        {"Main", "aboutWindowTextLine2", "indented key"},  // the line is trimmed before splitting
        {"Main", "Empty", ""},
        {"Main", "Later", ""},  // a "]" line ends the section's search
        {"Other", "Later", "never read"},
        {"Missing", "ApplicationName", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadIniValue(c.section, c.key, file), c.expected) << c.section << "/" << c.key;
    }
    EXPECT_EQ(ReadIniValue("Main", "ApplicationName", folder.filePath("none.ini").toStdString()), "");
}

TEST(ReadIniValue, SectionNameStopsBeforeTheLastCharacterOfTheLine) {
    QTemporaryDir folder;
    const std::string file = folder.filePath("ud.ini").toStdString();
    std::ofstream(file) << "[Main] ; texts\nkey=no\n[Main]\nkey=yes\n[\nx=1\n";
    // The first header names "main] ; text", so only the second one matches.
    EXPECT_EQ(ReadIniValue("Main", "key", file), "yes");
    EXPECT_EQ(ReadIniValue("", "x", file), "1");  // "[" alone names the empty section
}

TEST(AppendTerminalText, BackspacesLineEndsAndTrimming) {
    struct Case {
        QString shown;
        QString incoming;
        QString expected;
    };
    const QChar bs(8);
    const Case cases[] = {
        {"", QString("A") + bs + "B", "B"},
        {"xyz", QString(bs) + "!", "xy!"},               // a leading backspace erases shown text
        {"", QString(bs), ""},                           // ... and nothing when there is none
        {"ab", QString("C") + bs + bs + "D", "aD"},      // one at a time: "C\b" goes, then "\b" leads
        {"", "one\rtwo\r\nthree\n", "one\ntwo\nthree"},  // line feeds dropped, CR is the line break
        {"", "\r", "\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AppendTerminalText(c.shown, c.incoming), c.expected) << c.incoming.toStdString();
    }

    const QString full(kTerminalTextLimit + 1, 'x');
    const QString trimmed = AppendTerminalText(full, "y");
    EXPECT_EQ(trimmed.size(), kTerminalTextLimit + 1 - kTerminalTrimLength + 1);
    EXPECT_EQ(AppendTerminalText(QString(kTerminalTextLimit, 'x'), "y").size(), kTerminalTextLimit + 1);
    EXPECT_EQ(terminalCharacters(QByteArray("\xE9\x00", 2)), QString(QChar(0xE9)) + QChar(0));
}

TEST(GetCommandLine, SplitsAtSpacesAndTabsUpToTheLimit) {
    EXPECT_EQ(GetCommandLine("  proj\t/c  /d "), (std::vector<std::string>{"proj", "/c", "/d"}));
    EXPECT_EQ(GetCommandLine(""), std::vector<std::string>{});
    EXPECT_EQ(GetCommandLine("\"my proj\" /d"), (std::vector<std::string>{"\"my", "proj\"", "/d"}));
    EXPECT_EQ(GetCommandLine("a b c d", 2), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(GetCommandLine("1 2 3 4 5 6 7 8 9 10 11 12").size(), 10u);
    EXPECT_EQ(joinArguments({"proj", "/d", "/q"}), "proj /d /q");
}

}  // namespace
}  // namespace vxoem
