// A download from the window's toolbar into the QM-40 simulator, with a second
// operation tried while the first one runs.

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <map>

#include "frm_spi_downloader.h"
#include "simulated_chip.h"
#include "velmix_control.h"
#include "window_test_support.h"

namespace vxoem {
namespace {

TEST(DownloaderWindow, DownloadFromTheToolbarRefusesASecondOperation) {
    testing::SimulatedChip chip;
    ASSERT_TRUE(chip.started());
    testing::WindowBench bench;
    bench.store("Chip_Type", "QM40");
    bench.store("QM40port_number", "1");
    bench.store("Device_COM1", QString::fromStdString(chip.path()));
    QTemporaryDir work;
    const std::string image = testing::sampleImage(3000);
    const QString imagePath = work.filePath("blink.vxb");
    std::ofstream(imagePath.toStdString(), std::ios::binary) << image;

    frmSpiDownloader& window = bench.open();
    window.show();
    bench.chosenFile = imagePath;
    window.toolbarAction("Open")->trigger();
    EXPECT_EQ(window.txtDebugWindow()->toPlainText(), "\nOpening file: " + imagePath + "\n");

    // While the download runs: the actions are off, and a Stop that still
    // arrives is turned away with a notice.
    bool stopWasEnabled = true;
    bool busyCursor = false;
    QString notice;
    int tries = 0;
    QTimer during;
    during.setInterval(5);
    QObject::connect(&during, &QTimer::timeout, [&] {
        if (!window.busy() || tries++ > 0) return;
        stopWasEnabled = window.toolbarAction("Stop")->isEnabled();
        window.Toolbar1_ButtonClick("Stop");
        notice = window.statusBar()->currentMessage();
        busyCursor = window.cursor().shape() == Qt::BusyCursor;
    });
    during.start();
    // What the chip control's progress bar says at each step, and the chip's state meanwhile.
    std::map<std::string, int> highestPercent;  // by stage
    QProgressBar* bar = window.VX()->PBar();
    QObject::connect(bar, &QProgressBar::valueChanged, [&] {
        const QStringList parts = bar->text().split(": ");
        ASSERT_EQ(parts.size(), 2) << bar->text().toStdString();
        int& highest = highestPercent[parts[0].toStdString()];
        highest = std::max(highest, parts[1].chopped(1).toInt());
    });
    const QString chipOnPort = "QM-40 on COM1 (PC), " + QString::fromStdString(chip.path()) + ": ";
    EXPECT_EQ(window.lblChipState()->text(), chipOnPort + "state unknown");
    QStringList states;
    QObject::connect(window.VX(), &VelmixControl::chipStateChanged,
                     [&] { states << window.lblChipState()->text(); });
    window.toolbarAction("Download")->trigger();
    ASSERT_TRUE(bench.settle());
    during.stop();
    // 3000 bytes: the last whole page or chunk ends at byte 2944 of 3001 steps.
    EXPECT_EQ(highestPercent, (std::map<std::string, int>{{"Writing external EEPROM", 98},
                                                          {"Verifying external EEPROM", 98}}));
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(states, QStringList{chipOnPort + "halted"});

    EXPECT_GT(tries, 0);
    EXPECT_FALSE(stopWasEnabled);
    EXPECT_TRUE(busyCursor);
    EXPECT_EQ(notice, "Busy: wait until the running operation ends.");
    EXPECT_TRUE(bench.boxes.empty());
    EXPECT_TRUE(window.toolbarAction("Stop")->isEnabled());
    EXPECT_TRUE(window.txtDebugWindow()->toPlainText().endsWith("Downloading File\n\nFinished Downloading"));
    EXPECT_EQ(window.VX()->text(), "EEprom Write Successful");
    EXPECT_FALSE(window.VX()->PortOpen());  // handed back after the download

    window.toolbarAction("Run")->trigger();
    ASSERT_TRUE(bench.settle());
    EXPECT_TRUE(bench.boxes.empty());
    EXPECT_TRUE(bench.questions.empty()) << "a checked program starts without a question";
    EXPECT_EQ(window.lblChipState()->text(), chipOnPort + "running");
    chip.stop();
    EXPECT_EQ(chip.dumped("spi_eeprom.bin").substr(0, image.size()), image);
    EXPECT_EQ(chip.dumped("eeprom.bin").substr(0, 32), testing::expectedHeader());
    EXPECT_NE(chip.dumped("state.txt").find("running 1"), std::string::npos);
}

TEST(DownloaderWindow, ProgramThatFailedItsCheckRunsOnlyWhenTheUserSaysSo) {
    testing::SimulatedChip chip({"--fault", "stuck-page=1024"});
    ASSERT_TRUE(chip.started());
    testing::WindowBench bench;
    bench.store("Chip_Type", "QM40");
    bench.store("Device_COM2", QString::fromStdString(chip.path()));
    QTemporaryDir work;
    bench.chosenFile = work.filePath("blink.vxb");
    std::ofstream(bench.chosenFile.toStdString(), std::ios::binary) << testing::sampleImage(3000);
    frmSpiDownloader& window = bench.open();
    window.Toolbar1_ButtonClick("Open");
    window.Toolbar1_ButtonClick("Download");
    ASSERT_TRUE(bench.settle());
    ASSERT_EQ(bench.boxes.size(), 1u);
    EXPECT_EQ(bench.boxes[0].text, "Verify error, external EEPROM");
    const QString shown = window.txtDebugWindow()->toPlainText();
    EXPECT_TRUE(shown.endsWith("Downloading File\n\nDownload failed: Verify error, external EEPROM"))
        << shown.toStdString();

    // No (the default): the chip stays halted; Yes: it is started.
    window.Toolbar1_ButtonClick("Run");
    ASSERT_TRUE(bench.settle());
    EXPECT_EQ(bench.questions, std::vector<std::string>{kRunAnywayQuestion});
    EXPECT_TRUE(window.VX()->link().Halted());
    bench.answerYes = true;
    window.Toolbar1_ButtonClick("Run");
    ASSERT_TRUE(bench.settle());
    EXPECT_EQ(bench.questions.size(), 2u);
    EXPECT_FALSE(window.VX()->link().Halted());
    EXPECT_EQ(bench.boxes.size(), 1u);
    chip.stop();
    EXPECT_NE(chip.dumped("state.txt").find("running 1"), std::string::npos);
}

TEST(DownloaderWindow, ExitDuringAnOperationClosesWhenItEnds) {
    testing::SimulatedChip chip({"--fault", "no-halt"});
    ASSERT_TRUE(chip.started());
    testing::WindowBench bench;
    bench.store("Chip_Type", "QM40");
    bench.store("Device_COM2", QString::fromStdString(chip.path()));
    frmSpiDownloader& window = bench.open();
    window.show();

    bool stillShownAfterExit = false;
    QTimer::singleShot(50, [&] {
        window.toolbarAction("Exit")->trigger();
        stillShownAfterExit = window.isVisible();
    });
    window.toolbarAction("Stop")->trigger();  // the halt fails after its retries
    ASSERT_TRUE(bench.settle());
    EXPECT_TRUE(stillShownAfterExit);
    EXPECT_EQ(bench.boxes.size(), 1u);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window.isVisible(); }));
}

}  // namespace
}  // namespace vxoem
