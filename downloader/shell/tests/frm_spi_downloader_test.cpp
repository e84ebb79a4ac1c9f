// The downloader's window offscreen: start-up from the settings, the menus
// and toolbar, the text overrides and the terminal.

#include "frm_spi_downloader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <fstream>
#include <iterator>

#include "about_window.h"
#include "simulated_chip.h"
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
    ASSERT_TRUE(bench.settle());
    EXPECT_EQ(bench.stored("QM40port_number"), "3");
    EXPECT_EQ(window.VX()->CommPort(), 3);
    EXPECT_TRUE(window.QM40com()[2]->isChecked());
    EXPECT_FALSE(window.QM40com()[1]->isChecked());
    window.QM40com()[2]->trigger();  // a second click unchecks it, and stores it again
    ASSERT_TRUE(bench.settle());
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

// Whether `box` comes to show `text` within the usual wait. (The QTRY macros
// report to a QTest run, which these tests are not.)
bool shows(QPlainTextEdit* box, const QString& text) {
    return QTest::qWaitFor([&] { return box->toPlainText() == text; });
}

// A key as the window system delivers it, control characters included.
void type(QWidget* box, Qt::Key key, const QString& text, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(box, &press);
}

TEST(DownloaderWindow, TerminalOnTheSelectedPortLentToEachChipAction) {
    QTemporaryDir folder;
    const std::string received = folder.filePath("received.bin").toStdString();
    testing::SimulatedChip chip({"--log", received});
    ASSERT_TRUE(chip.started());
    WindowBench bench;
    bench.store("Chip_Type", "QM40");
    bench.store("QM40port_number", "1");
    bench.store("Device_COM1", QString::fromStdString(chip.path()));
    bench.store("Device_COM2", folder.filePath("no-such-port"));
    frmSpiDownloader& window = bench.open();
    window.show();
    QPlainTextEdit* box = window.txtDebugWindow();
    const QString port = "COM1 (PC), " + QString::fromStdString(chip.path());
    EXPECT_EQ(window.lblTerminal()->text(), "Terminal: disconnected");
    EXPECT_EQ(window.lblChipState()->text(), "QM-40 on " + port + ": state unknown");

    // Not connected: the key is refused with the box, and not inserted.
    QTest::keyClick(box, Qt::Key_A);
    ASSERT_EQ(bench.boxes.size(), 1u);
    EXPECT_EQ(bench.boxes[0].text, "COM port must be open");
    EXPECT_EQ(bench.boxes[0].title, "Port ERROR");
    EXPECT_EQ(bench.boxes[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(box->toPlainText(), "");

    window.Terminal()->trigger();
    ASSERT_TRUE(bench.settle());
    ASSERT_TRUE(window.MSComm1().isOpen());
    EXPECT_TRUE(window.Terminal()->isChecked());
    EXPECT_EQ(window.MSComm1().baudRate(), 19200);
    EXPECT_EQ(window.lblTerminal()->text(), "Terminal: " + port + ", 19200 8N1");

    // Typed keys reach the chip; its running program answers the attention
    // byte (Ctrl+A) with "l", which the terminal shows. Ctrl+A selects
    // nothing that the next key would replace.
    QTest::keyClicks(box, "hi");
    type(box, Qt::Key_A, QString(QChar(0x01)), Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_X);
    EXPECT_TRUE(shows(box, "hixl")) << box->toPlainText().toStdString();

    // Run takes the port for the chip link and gives it back to the terminal.
    bool openDuringRun = true;
    QString terminalDuringRun;
    const auto watch = QObject::connect(window.VX(), &VelmixControl::chipStateChanged, [&] {
        openDuringRun = window.MSComm1().isOpen();
        terminalDuringRun = window.lblTerminal()->text();
    });
    window.toolbarAction("Run")->trigger();
    ASSERT_TRUE(bench.settle());
    QObject::disconnect(watch);
    EXPECT_EQ(bench.boxes.size(), 1u);
    EXPECT_FALSE(openDuringRun);
    EXPECT_EQ(terminalDuringRun, "Terminal: paused while the chip link holds " + port);
    EXPECT_EQ(window.lblChipState()->text(), "QM-40 on " + port + ": running");
    ASSERT_TRUE(window.MSComm1().isOpen());
    type(box, Qt::Key_A, QString(QChar(0x01)), Qt::ControlModifier);
    EXPECT_TRUE(shows(box, "hixll")) << box->toPlainText().toStdString();

    // The terminal follows a change of port; one that cannot be opened is named with the reason.
    window.QM40com()[1]->trigger();
    ASSERT_TRUE(bench.settle());
    ASSERT_EQ(bench.boxes.size(), 2u);
    EXPECT_EQ(bench.boxes[1].text, "The terminal cannot use COM2 (PC), " +
                                       folder.filePath("no-such-port").toStdString() +
                                       ": No such file or directory");
    EXPECT_FALSE(window.MSComm1().isOpen());
    EXPECT_FALSE(window.Terminal()->isChecked());
    EXPECT_EQ(window.lblTerminal()->text(), "Terminal: disconnected");
    EXPECT_EQ(window.lblChipState()->text(),
              "QM-40 on COM2 (PC), " + folder.filePath("no-such-port") + ": state unknown");

    chip.stop();
    std::ifstream in(received, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(bytes.substr(0, 4), "hi\x01x");  // the terminal's keys
    EXPECT_EQ(bytes.back(), '\x01');           // the last key, after Run's halt and restart
    EXPECT_NE(bytes.find("\x10\xD6\x00"), std::string::npos);
}

TEST(DownloaderWindow, TerminalShowsWhatArrivesByTheTerminalRules) {
    int master = -1, slave = -1;
    char name[256];
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    WindowBench bench;
    bench.store("Device_COM2", name);
    frmSpiDownloader& window = bench.open();
    window.show();
    window.Terminal()->trigger();
    ASSERT_TRUE(bench.settle());
    ASSERT_TRUE(window.MSComm1().isOpen()) << (bench.boxes.empty() ? "" : bench.boxes[0].text);
    QTest::keyClick(window.txtDebugWindow(), Qt::Key_Z);
    EXPECT_EQ(window.txtDebugWindow()->toPlainText(), "z");  // inserted as typed
    std::string typed;
    const auto readTyped = [&] {
        for (char c; read(master, &c, 1) == 1;) typed += c;
        return !typed.empty();
    };
    ASSERT_TRUE(QTest::qWaitFor(readTyped));
    EXPECT_EQ(typed, "z");

    const char arriving[] = "A\bB\rline\n";
    ASSERT_EQ(write(master, arriving, sizeof arriving - 1), ssize_t(sizeof arriving - 1));
    EXPECT_TRUE(shows(window.txtDebugWindow(), "zB\nline"))
        << window.txtDebugWindow()->toPlainText().toStdString();
    // The far end hangs up: the terminal disconnects and says why.
    close(slave);
    close(master);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.MSComm1().isOpen(); }));
    EXPECT_FALSE(window.Terminal()->isChecked());
    EXPECT_EQ(window.lblTerminal()->text(), "Terminal: disconnected");
    EXPECT_TRUE(window.statusBar()->currentMessage().startsWith("Terminal disconnected: "))
        << window.statusBar()->currentMessage().toStdString();
}

}  // namespace
}  // namespace vxoem
