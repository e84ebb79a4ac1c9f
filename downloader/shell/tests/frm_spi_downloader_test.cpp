// The downloader's window offscreen: start-up from the settings, the menus
// and toolbar, the text overrides and the terminal.

#include "frm_spi_downloader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTest>
#include <QToolBar>

#include "about_window.h"
#include "velmix_control.h"
#include "window_test_support.h"

namespace vxoem {
namespace {

using testing::WindowBench;

bool shown(QAction* action) { return action->isVisible(); }

TEST(DownloaderWindow, FirstStartWithNoSettings) {
    WindowBench bench;
    frmSpiDownloader& window = bench.open();
    EXPECT_EQ(window.windowTitle(), "Velmix OEM Downloader");
    EXPECT_EQ(window.VX()->text(), "Chip Status Window");
    EXPECT_TRUE(window.qm10()->isChecked());
    EXPECT_FALSE(window.qm40()->isChecked());
    for (int n = 0; n < 4; ++n) {
        EXPECT_TRUE(shown(window.LPT()[n])) << n;
        EXPECT_FALSE(shown(window.QM40com()[n])) << n;
        EXPECT_EQ(window.QM40com()[n]->isChecked(), n == 1) << n;
    }
    EXPECT_FALSE(shown(window.qm40res()));
    EXPECT_EQ(window.VX()->CommPort(), 2);
    EXPECT_TRUE(window.ProgressBar1()->isVisibleTo(&window));

    // The toolbar's keys, tool tips and order.
    std::vector<std::pair<QString, QString>> keys;
    for (QAction* action : window.Toolbar1()->actions())
        keys.emplace_back(action->data().toString(), action->toolTip());
    const std::vector<std::pair<QString, QString>> expected{
        {"Open", "Open Download File"}, {"Stop", "Stop Processor"},       {"Run", "Run"},
        {"Reset", "Reset Processor"},   {"Download", "Download Program"}, {"Exit", "Exit Program"}};
    EXPECT_EQ(keys, expected);
}

TEST(DownloaderWindow, ChipAndPortChoicesAreStored) {
    WindowBench bench;
    frmSpiDownloader& window = bench.open();
    window.qm40()->trigger();
    EXPECT_EQ(bench.stored("Chip_Type"), "QM40");
    EXPECT_TRUE(window.qm40()->isChecked());
    EXPECT_FALSE(window.qm10()->isChecked());
    EXPECT_TRUE(shown(window.QM40com()[0]));
    EXPECT_TRUE(shown(window.qm40res()));
    EXPECT_FALSE(shown(window.LPT()[0]));
    EXPECT_FALSE(window.ProgressBar1()->isVisibleTo(&window));
    window.qm40()->trigger();  // choosing the chosen chip changes nothing
    EXPECT_TRUE(window.qm40()->isChecked());

    window.QM40com()[2]->trigger();
    EXPECT_EQ(bench.stored("QM40port_number"), "3");
    EXPECT_EQ(window.VX()->CommPort(), 3);
    EXPECT_TRUE(window.QM40com()[2]->isChecked());
    EXPECT_FALSE(window.QM40com()[1]->isChecked());
    window.QM40com()[2]->trigger();  // a second click unchecks it, and stores it again
    EXPECT_FALSE(window.QM40com()[2]->isChecked());
    EXPECT_EQ(bench.stored("QM40port_number"), "3");

    window.qm10()->trigger();
    EXPECT_EQ(bench.stored("Chip_Type"), "QM10");
    EXPECT_TRUE(shown(window.LPT()[3]));
    EXPECT_FALSE(shown(window.qm40res()));
}

TEST(DownloaderWindow, TextOverridesFromUdIni) {
    WindowBench bench;
    bench.store("Chip_Type", "QM40");
    bench.store("QM40port_number", "4");
    bench.writeUdIni(
        "[Main]\r\nApplicationName=Club Loader\r\nDebugWindowText=Ready.\r\n"
        "aboutWindowTextLine1=Club Loader 2.0\r\naboutWindowTextLine2=For club use\r\n");
    frmSpiDownloader& window = bench.open();
    EXPECT_EQ(window.windowTitle(), "Club Loader");
    EXPECT_EQ(window.txtDebugWindow()->toPlainText(), "Ready.");
    EXPECT_EQ(window.VX()->CommPort(), 4);
    EXPECT_TRUE(window.QM40com()[3]->isChecked());

    window.findChild<QAction*>("About")->trigger();
    ASSERT_NE(window.aboutWindow(), nullptr);
    EXPECT_TRUE(window.aboutWindow()->isVisible());
    EXPECT_FALSE(window.aboutWindow()->isModal());
    EXPECT_EQ(window.aboutWindow()->line1()->text(), "Club Loader 2.0");
    EXPECT_EQ(window.aboutWindow()->line2()->text(), "For club use");
}

TEST(DownloaderWindow, TerminalRefusesTypingWithoutPortAndShowsWhatArrives) {
    WindowBench bench;
    frmSpiDownloader& window = bench.open();
    window.show();
    QTest::keyClick(window.txtDebugWindow(), Qt::Key_A);
    ASSERT_EQ(bench.boxes.size(), 1u);
    EXPECT_EQ(bench.boxes[0].text, "COM port must be open");
    EXPECT_EQ(bench.boxes[0].title, "Port ERROR");
    EXPECT_EQ(bench.boxes[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(window.txtDebugWindow()->toPlainText(), "a");  // still inserted as typed

    int master = -1, slave = -1;
    char name[256];
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    window.MSComm1().setPortName(name);
    ASSERT_TRUE(window.MSComm1().open(QIODevice::ReadWrite)) << window.MSComm1().errorString().toStdString();
    window.txtDebugWindow()->clear();
    QTest::keyClick(window.txtDebugWindow(), Qt::Key_Z);
    std::string typed;
    const auto readTyped = [&] {
        for (char c; read(master, &c, 1) == 1;) typed += c;
        return !typed.empty();
    };
    QTRY_VERIFY(readTyped());
    EXPECT_EQ(typed, "z");

    const char arriving[] = "A\bB\rline\n";
    ASSERT_EQ(write(master, arriving, sizeof arriving - 1), ssize_t(sizeof arriving - 1));
    QTRY_COMPARE(window.txtDebugWindow()->toPlainText(), QString("zB\nline"));
    window.MSComm1().close();
    close(slave);
    close(master);
}

}  // namespace
}  // namespace vxoem
