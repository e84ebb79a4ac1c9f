// The window's QM-10 side against the simulated QM-10: the port menu and
// dialog, a download from the toolbar, the chip commands, and batch mode.

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <fstream>
#include <sstream>

#include "frm_lpt.h"
#include "frm_spi_downloader.h"
#include "window_test_support.h"

namespace vxoem {
namespace {

using testing::WindowBench;

std::string readFile(const QString& path) {
    std::ifstream file(path.toStdString(), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// The simulated port with its state file and trace in a folder of their own.
class SimulatedQm10Environment {
public:
    SimulatedQm10Environment() {
        qputenv("VXOEM_LPT", "simulated");
        qputenv("VXOEM_LPT_SIM_STATE", statePath().toUtf8());
        qputenv("VXOEM_LPT_TRACE", tracePath().toUtf8());
    }
    ~SimulatedQm10Environment() {
        for (const char* name : {"VXOEM_LPT", "VXOEM_LPT_SIM_STATE", "VXOEM_LPT_TRACE"}) qunsetenv(name);
    }
    QString statePath() const { return m_folder.filePath("qm10.txt"); }
    QString tracePath() const { return m_folder.filePath("trace.txt"); }
    QString workFolder() const { return m_folder.path(); }
    QString writeProgram(const char* name, const std::string& bytes) const {
        const QString path = m_folder.filePath(name);
        std::ofstream(path.toStdString(), std::ios::binary) << bytes;
        return path;
    }

private:
    QTemporaryDir m_folder;
};

std::vector<bool> checkedLpt(frmSpiDownloader& window) {
    std::vector<bool> checked;
    for (QAction* item : window.LPT()) checked.push_back(item->isChecked());
    return checked;
}

TEST(DownloaderWindowQm10, PortMenuOpensTheDialogAndStoresTheChoice) {
    SimulatedQm10Environment simulated;
    WindowBench bench;
    frmSpiDownloader& window = bench.open();
    EXPECT_EQ(checkedLpt(window), (std::vector<bool>{true, false, false, false})) << "LPT1 by default";

    const auto answerDialog = [&window](const char* address, bool reserve, bool ok) {
        QTimer::singleShot(0, [&window, address, reserve, ok] {
            FrmLpt& dialog = *window.qm10Port().frmLPT();
            if (address) dialog.lptAddressCombo()->setCurrentText(address);
            dialog.reservePortCheck1()->setChecked(reserve);
            (ok ? dialog.cmdOkLPT() : dialog.cmdCancelLPT())->click();
        });
    };
    answerDialog(nullptr, false, true);
    window.LPT()[1]->trigger();
    ASSERT_TRUE(bench.settle());
    EXPECT_EQ(window.qm10Port().frmLPT()->windowTitle(), "LPT2:");
    EXPECT_EQ(bench.stored("Port_Number"), "2");
    EXPECT_EQ(bench.stored("Port_Address"), "&H278");
    EXPECT_EQ(bench.stored("Port_Reserve"), "0");
    EXPECT_EQ(checkedLpt(window), (std::vector<bool>{false, true, false, false}));

    answerDialog("&H3BC", true, false);
    window.LPT()[2]->trigger();
    ASSERT_TRUE(bench.settle());
    EXPECT_EQ(bench.stored("Port_Number"), "2") << "Cancel stores nothing";
    EXPECT_EQ(checkedLpt(window), (std::vector<bool>{false, true, false, false}));
    EXPECT_TRUE(bench.boxes.empty());
}

TEST(DownloaderWindowQm10, ToolbarDownloadsRunsAndStopsTheChip) {
    SimulatedQm10Environment simulated;
    WindowBench bench;
    frmSpiDownloader& window = bench.open();
    std::string program(100, '\0');
    for (size_t i = 0; i < program.size(); ++i) program[i] = static_cast<char>('A' + i % 26);
    bench.chosenFile = simulated.writeProgram("blink.vxb", program);

    window.Toolbar1_ButtonClick("Open");
    EXPECT_EQ(window.lblChipState()->text(), "QM-10 on LPT1: state unknown");
    QStringList progress;
    QObject::connect(window.ProgressBar1(), &QProgressBar::valueChanged,
                     [&] { progress << window.ProgressBar1()->text(); });
    window.Toolbar1_ButtonClick("Download");
    ASSERT_TRUE(bench.settle());
    EXPECT_TRUE(bench.boxes.empty()) << bench.boxes[0].text;
    EXPECT_EQ(progress,
              (QStringList{"Writing and verifying page 1 of 4: 1%", "Writing and verifying page 2 of 4: 33%",
                           "Writing and verifying page 3 of 4: 65%", "Writing and verifying page 4 of 4: 97%",
                           "0%"}));
    EXPECT_EQ(window.lblChipState()->text(), "QM-10 on LPT1: held in reset");
    const QString shown = window.txtDebugWindow()->toPlainText();
    EXPECT_TRUE(shown.endsWith("Downloading File\nLocked, Status: 0C\n\nFinished Downloading"))
        << shown.toStdString();
    EXPECT_EQ(window.ProgressBar1()->value(), 0);
    EXPECT_EQ(window.ProgressBar1()->maximum(), 100);

    const std::string state = readFile(simulated.statePath());
    EXPECT_NE(state.find("eeprom 0060 53 54 55 56 20 20"), std::string::npos) << state;
    EXPECT_NE(state.find("eeprom-status 0C"), std::string::npos);

    QStringList states;
    for (const char* key : {"Run", "Stop", "Reset"}) {
        window.Toolbar1_ButtonClick(key);
        ASSERT_TRUE(bench.settle());
        states << window.lblChipState()->text();
    }
    EXPECT_EQ(states, (QStringList{"QM-10 on LPT1: running", "QM-10 on LPT1: halted",
                                   "QM-10 on LPT1: held in reset"}));
    const std::string trace = readFile(simulated.tracePath());
    const auto tail = [&trace](size_t lines) {
        size_t at = trace.size();
        for (size_t n = 0; n <= lines && at > 0; ++n) at = trace.rfind('\n', at - 1);
        return trace.substr(at + 1);
    };
    std::string expected;
    for (const char* line : {"W 378 9F", "W 37A 04", "W 378 00", "W 37A 0B", "W 378 8F", "W 37A 04"})
        for (int i = 0; i < 6; ++i) expected += std::string(line) + "\n";
    EXPECT_EQ(tail(36), expected) << "run, stop and reset, each port written 6 times";
}

TEST(DownloaderWindowQm10, FailedVerifyGivesOneBoxEndsTheWindowWithItAndRunAsks) {
    SimulatedQm10Environment simulated;
    qputenv("VXOEM_LPT_SIM_FAULT", "bad-page:32");
    WindowBench bench;
    frmSpiDownloader& window = bench.open();
    qunsetenv("VXOEM_LPT_SIM_FAULT");
    bench.chosenFile = simulated.writeProgram("blink.vxb", std::string(100, 'q'));
    window.Toolbar1_ButtonClick("Open");
    window.Toolbar1_ButtonClick("Download");
    ASSERT_TRUE(bench.settle());
    ASSERT_EQ(bench.boxes.size(), 1u);
    EXPECT_EQ(bench.boxes[0].text, "Bad verify at 32");
    const QString shown = window.txtDebugWindow()->toPlainText();
    EXPECT_TRUE(shown.endsWith("Locked, Status: 0C\n\nDownload failed: Bad verify at 32"))
        << shown.toStdString();

    // The run state is written 6 times, and only when the user says Yes.
    const auto runWrites = [&simulated] {
        const std::string trace = readFile(simulated.tracePath());
        size_t count = 0;
        for (size_t at = trace.find("W 378 9F"); at != std::string::npos; at = trace.find("W 378 9F", at + 1))
            ++count;
        return count;
    };
    const size_t before = runWrites();
    window.Toolbar1_ButtonClick("Run");
    ASSERT_TRUE(bench.settle());
    EXPECT_EQ(bench.questions, std::vector<std::string>{kRunAnywayQuestion});
    EXPECT_EQ(runWrites(), before);
    bench.answerYes = true;
    window.Toolbar1_ButtonClick("Run");
    ASSERT_TRUE(bench.settle());
    EXPECT_EQ(runWrites(), before + 6);
}

TEST(DownloaderWindowQm10, BatchDownloadWithTheQm10Selected) {
    SimulatedQm10Environment simulated;
    WindowBench bench;
    bench.store("Work_Dir", simulated.workFolder());
    simulated.writeProgram("blink.vxp", "");
    simulated.writeProgram("blink.vxb", std::string(33, 'x'));
    bench.open({"blink", "/d"});
    EXPECT_TRUE(bench.boxes.empty());
    const std::string log = readFile(simulated.workFolder() + "/Velmix.err");
    EXPECT_EQ(log, "Download: " + (simulated.workFolder() + "/blink.vxb").toStdString() + "\nDone.\n");
    const std::string state = readFile(simulated.statePath());
    EXPECT_NE(state.find("eeprom 0020 78 20 20"), std::string::npos) << "byte 32, then spaces";
}

}  // namespace
}  // namespace vxoem
