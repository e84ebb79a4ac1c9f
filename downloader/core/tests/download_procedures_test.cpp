#include "download_procedures.h"

#include <gtest/gtest.h>

#include <memory>

#include "core_test_support.h"
#include "memory_serial_line.h"
#include "startup.h"

namespace vxoem {
namespace {

using testing::fileLines;
using testing::writeFile;

// The procedures over an in-memory line whose chip never answers.
struct SilentChip {
    SilentChip() { procedures.setWorkDirectory(folder.path().toStdString()); }
    std::string path(const std::string& name) const {
        return folder.filePath(QString::fromStdString(name)).toStdString();
    }

    QTemporaryDir folder;
    vx::MemorySerialLine line;
    testing::RecordingUi ui;
    Reporter reporter{ui};
    vx::ChipControl link{line, {}, {}, std::make_shared<testing::FakeClock>()};
    DownloadProcedures procedures{link, reporter, ui};
};

TEST(Download, ImageSizeDecidesWhetherAnythingIsSent) {
    struct Case {
        int64_t size;
        std::string message;  // start of the one message shown
        bool sent;
    };
    const Case cases[] = {
        {0, "Download file empty.", false},
        {kProgramCapacity + 1, "", false},  // refused, naming both sizes
        {kProgramCapacity, "Error halting QM-40", true},
    };
    for (const Case& c : cases) {
        SilentChip bench;
        bench.procedures.setChip(Chip::QM40);
        const std::string image = bench.path("image.vxb");
        writeFile(image, std::string(size_t(c.size), '\x5A'));
        bench.procedures.setDownloadFilePath(image);
        bench.procedures.cmdDownload_Click();

        ASSERT_EQ(bench.ui.messages.size(), 1u) << c.size;
        const testing::Message& shown = bench.ui.messages[0];
        if (c.message.empty()) {
            EXPECT_NE(shown.text.find(std::to_string(kProgramCapacity + 1) + " bytes"), std::string::npos);
            EXPECT_NE(shown.text.find(std::to_string(kProgramCapacity) + " bytes"), std::string::npos);
        } else {
            EXPECT_EQ(shown.text, c.message);
        }
        if (!c.sent) {
            EXPECT_EQ(shown.title, "File ERROR!");
            EXPECT_EQ(shown.icon, MessageIcon::Exclamation);
            EXPECT_TRUE(bench.line.sent.empty()) << c.size;
            EXPECT_TRUE(bench.line.openedDevice.empty()) << c.size;
        } else {
            EXPECT_FALSE(bench.line.sent.empty());
            EXPECT_EQ(bench.ui.progressMaximum, c.size);
        }
    }
}

TEST(Download, MissingFileOpensTheDialogAndCancelEndsSilently) {
    SilentChip bench;
    bench.procedures.setChip(Chip::QM40);
    bench.procedures.setDownloadFilePath(bench.path("gone.vxb"));
    bench.procedures.cmdDownload_Click();
    EXPECT_EQ(bench.ui.dialogs, 1);
    EXPECT_TRUE(bench.ui.messages.empty());
    EXPECT_TRUE(bench.line.sent.empty());

    // A chosen file is loaded and named in the chip status window.
    writeFile(bench.path("chosen.vxb"), "abc");
    bench.ui.chosenFile = bench.path("chosen.vxb");
    EXPECT_EQ(bench.procedures.SelectDownloadFile({}), 3);
    EXPECT_TRUE(bench.procedures.fileLoaded());
    EXPECT_EQ(bench.ui.chipWindow, "\nOpening file: " + bench.ui.chosenFile + "\n");
}

TEST(Download, RefusedOpenKeepsTheImageLoadedBeforeAndSaysSo) {
    SilentChip bench;
    bench.procedures.setChip(Chip::QM40);
    const std::string small = bench.path("small.vxb");
    writeFile(small, "abc");
    bench.ui.chosenFile = small;
    ASSERT_EQ(bench.procedures.SelectDownloadFile({}), 3);

    const std::string big = bench.path("big.vxb");
    writeFile(big, std::string(size_t(kProgramCapacity + 1), 'x'));
    for (const std::string& refused : {big, bench.path("")}) {
        SCOPED_TRACE(refused);
        bench.ui.messages.clear();
        bench.ui.chosenFile = refused;
        EXPECT_EQ(bench.procedures.SelectDownloadFile({}), 0);
        EXPECT_FALSE(bench.procedures.selectionLoaded());
        ASSERT_EQ(bench.ui.messages.size(), 1u);
        EXPECT_EQ(bench.ui.messages[0].text.rfind(refused + ": ", 0), 0u) << bench.ui.messages[0].text;
        EXPECT_TRUE(bench.ui.messages[0].text.ends_with("The program loaded before stays: " + small));
        EXPECT_EQ(bench.ui.chipWindow, "\nOpening file: " + small + "\n");
        EXPECT_EQ(bench.procedures.downloadFilePath(), small);
    }
    // Download sends the image the window names.
    bench.procedures.cmdDownload_Click();
    EXPECT_EQ(bench.ui.progressMaximum, 3);
}

std::vector<std::string> withProject(std::vector<std::string> lines, const std::string& project) {
    for (auto& line : lines) {
        if (const auto at = line.find("{P}"); at != std::string::npos) line.replace(at, 3, project);
    }
    return lines;
}

// Batch runs against a chip that never answers; the error file's lines and the exit status.
TEST(Batch, ErrorFileLinesAndExitStatus) {
    struct Case {
        const char* name;
        std::vector<std::string> switches;
        bool quiet;
        bool prf, vxp, vxb;
        std::vector<std::string> lines;  // {P} stands for the project path
        std::vector<std::string> boxes;
        int exitStatus;
    };
    const Case cases[] = {
        {"project missing",
         {"/d"},
         false,
         false,
         false,
         true,
         {"Project Not found: {P}.vxp", "Done."},
         {"Project Not found: {P}.vxp"},
         1},
        {"project missing, quiet",
         {"/q"},
         true,
         false,
         false,
         false,
         {"Project Not found: {P}.vxp", "Done."},
         {},
         1},
        {"compile with prf", {"/c"}, false, true, true, false, {"Compile : {P}.vxp", "Done."}, {}, 0},
        {"compile without prf, then download",
         {"/c", "/d"},
         false,
         false,
         true,
         true,
         {"Error: {P}", "Download: {P}.vxb", "Error halting QM-40",
          "Not started: the download of {P}.vxb failed.", "Done."},
         {"Error halting QM-40"},
         1},
        {"silent chip, quiet: later switches skipped",
         {"/d", "/c", "/q"},
         true,
         true,
         true,
         true,
         {"Download: {P}.vxb", "Error halting QM-40", "Not started: the download of {P}.vxb failed.",
          "Done."},
         {},
         1},
        {"image missing", {"/d"}, true, false, true, false, {"Error: {P}.vxb", "Done."}, {}, 1},
        {"unknown switches ignored", {"/x", "-d"}, false, false, true, false, {"Done."}, {}, 0},
    };
    for (const Case& c : cases) {
        SilentChip bench;
        bench.procedures.setChip(Chip::QM40);
        const std::string project = bench.path("proj");
        if (c.prf) writeFile(project + ".prf", "");
        if (c.vxp) writeFile(project + ".vxp", "");
        if (c.vxb) writeFile(project + ".vxb", std::string(100, '\x11'));
        bench.reporter.setQuiet(c.quiet);
        std::vector<std::string> args{"proj"};
        args.insert(args.end(), c.switches.begin(), c.switches.end());

        const BatchResult result = runBatch(bench.procedures, bench.reporter, args);
        EXPECT_TRUE(result.endProgram) << c.name;
        EXPECT_EQ(result.exitStatus, c.exitStatus) << c.name;
        EXPECT_EQ(fileLines(bench.path("Velmix.err")), withProject(c.lines, project)) << c.name;
        EXPECT_EQ(bench.ui.messageTexts(), withProject(c.boxes, project)) << c.name;
    }
}

TEST(Batch, ProjectAloneStaysOpenWithItsImageChosen) {
    SilentChip bench;
    writeFile(bench.path("proj.vxp"), "");
    const BatchResult result = runBatch(bench.procedures, bench.reporter, {"proj"});
    EXPECT_FALSE(result.endProgram);
    EXPECT_EQ(bench.procedures.downloadFilePath(), bench.path("proj.vxb"));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(bench.path("Velmix.err"))));
    EXPECT_FALSE(runBatch(bench.procedures, bench.reporter, {}).endProgram);
}

}  // namespace
}  // namespace vxoem
