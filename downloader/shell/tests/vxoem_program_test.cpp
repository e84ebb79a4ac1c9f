// The VXOEM program run unattended ("/q") from the command line, against the
// QM-40 simulator on a pseudo-terminal: the error file, standard error and
// the exit status.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "ordinary_user.h"
#include "simulated_chip.h"

namespace vxoem {
namespace {

using testing::SimulatedChip;

std::vector<std::string> lines(const QString& path) {
    std::ifstream in(path.toStdString());
    std::vector<std::string> result;
    for (std::string line; std::getline(in, line);) result.push_back(line);
    return result;
}

class UnattendedRun : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings settings(m_config.filePath("Velmix/Velmix.conf"), QSettings::IniFormat);
        settings.setValue("Config/Chip_Type", "QM40");
        settings.setValue("Config/QM40port_number", "3");
        settings.setValue("Config/Work_Dir", m_work.path());
        settings.setValue("Config/Device_COM3", m_work.filePath("qm40-link"));
    }

    void writeProjectFile(const QString& name, const std::string& content = {}) {
        std::ofstream(m_work.filePath(name).toStdString(), std::ios::binary) << content;
    }
    std::string project(const std::string& name) const {
        return m_work.filePath(QString::fromStdString(name)).toStdString();
    }
    std::string linkPath() const { return m_work.filePath("qm40-link").toStdString(); }

    // Runs VXOEM with `arguments` from another folder; its exit status, -1
    // when a signal ended it. `inChild` runs in the child before the program.
    int run(const QStringList& arguments, const std::function<void()>& inChild = {}) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_CONFIG_HOME", m_config.path());
        environment.remove("DISPLAY");
        environment.remove("WAYLAND_DISPLAY");
        environment.remove("QT_QPA_PLATFORM");  // the quiet run needs no window system at all
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(QDir::tempPath());
        if (inChild) process.setChildProcessModifier(inChild);
        process.start(VXOEM_PROGRAM, arguments);
        EXPECT_TRUE(process.waitForFinished(60000));
        m_stdout = process.readAllStandardOutput().toStdString();
        m_stderr = process.readAllStandardError().toStdString();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    std::vector<std::string> errorFile() const { return lines(m_work.filePath("Velmix.err")); }

    QTemporaryDir m_config;
    QTemporaryDir m_work;
    std::string m_stdout;
    std::string m_stderr;
};

TEST_F(UnattendedRun, HelpAndVersionNeedNoDisplayAndTouchNothing) {
    EXPECT_EQ(run({"--version"}), 0) << m_stderr;
    EXPECT_EQ(m_stdout, std::string("VXOEM ") + VXOEM_VERSION + "\n");
    EXPECT_EQ(m_stderr, "");

    // Also among batch switches: the answer, and no batch run.
    writeProjectFile("blink.vxp");
    writeProjectFile("blink.vxb", testing::sampleImage(100));
    EXPECT_EQ(run({"blink", "/d", "--help"}), 0) << m_stderr;
    EXPECT_EQ(m_stdout.rfind("usage: VXOEM [PROJECT [/c] [/d] [/q]]\n", 0), 0u) << m_stdout;
    for (const char* item : {"/c", "/d", "/q", "Velmix.err", "--version"})
        EXPECT_NE(m_stdout.find(item), std::string::npos) << item;
    EXPECT_EQ(m_stderr, "");
    EXPECT_FALSE(QFile::exists(m_work.filePath("Velmix.err")));
}

TEST_F(UnattendedRun, DownloadsCompilesAndRunsIntoTheSimulatedChip) {
    SimulatedChip chip({"--link", linkPath()});
    ASSERT_TRUE(chip.started());
    const std::string image = testing::sampleImage(5000);
    writeProjectFile("blink.vxp");
    writeProjectFile("blink.prf");
    writeProjectFile("blink.vxb", image);

    EXPECT_EQ(run({"blink", "/c", "/d", "/q"}), 0) << m_stderr;
    const std::string p = project("blink");
    EXPECT_EQ(errorFile(),
              (std::vector<std::string>{"Compile : " + p + ".vxp", "Download: " + p + ".vxb", "Done."}));
    EXPECT_EQ(m_stderr, "");

    chip.stop();
    EXPECT_EQ(chip.dumped("spi_eeprom.bin").substr(0, image.size()), image);
    EXPECT_EQ(chip.dumped("eeprom.bin").substr(0, 32), testing::expectedHeader());
    EXPECT_NE(chip.dumped("state.txt").find("running 1"), std::string::npos);  // "/d" runs it too
}

TEST_F(UnattendedRun, FailuresGoToTheErrorFileAndTheExitStatus) {
    // A missing project.
    EXPECT_EQ(run({"nothere", "/d", "/q"}), 1);
    const std::string missing = "Project Not found: " + project("nothere") + ".vxp";
    EXPECT_EQ(errorFile(), (std::vector<std::string>{missing, "Done."}));
    EXPECT_EQ(m_stderr, missing + "\n");

    // "/c" without the "prf" file, and "/d" without the image.
    writeProjectFile("blink.vxp");
    EXPECT_EQ(run({"blink", "/c", "/d", "/q"}), 1);
    const std::string p = project("blink");
    EXPECT_EQ(errorFile(), (std::vector<std::string>{"Error: " + p, "Error: " + p + ".vxb", "Done."}));

    // An image over the 64 KiB the chip can address: refused, nothing sent.
    writeProjectFile("blink.vxb", testing::sampleImage(65537));
    QTemporaryDir log;
    const std::string sent = log.filePath("sent.bin").toStdString();
    SimulatedChip chip({"--link", linkPath(), "--log", sent});
    ASSERT_TRUE(chip.started());
    EXPECT_EQ(run({"blink", "/d", "/q"}), 1);
    // Refused once, and the chip is left alone: not halted, not started.
    const auto file = errorFile();
    ASSERT_EQ(file.size(), 4u);
    EXPECT_EQ(file[0], "Download: " + p + ".vxb");
    EXPECT_NE(file[1].find("65537 bytes"), std::string::npos) << file[1];
    EXPECT_NE(file[1].find("65536 bytes"), std::string::npos) << file[1];
    EXPECT_EQ(file[2], "Not started: the download of " + p + ".vxb failed.");
    EXPECT_EQ(file[3], "Done.");
    chip.stop();
    EXPECT_EQ(std::filesystem::file_size(sent), 0u);
}

TEST_F(UnattendedRun, QM10PortThatCannotBeHadIsANoteWhenTheQM40IsSelected) {
    // The stored parallel port is reserved at start; the simulated one is
    // given a pipe for its state file, which is refused without waiting on it.
    QSettings(m_config.filePath("Velmix/Velmix.conf"), QSettings::IniFormat)
        .setValue("Config/Port_Reserve", "1");
    const QString state = m_work.filePath("qm10-state");
    ASSERT_EQ(::mkfifo(state.toUtf8().constData(), 0600), 0);
    qputenv("VXOEM_LPT", "simulated");
    qputenv("VXOEM_LPT_SIM_STATE", state.toUtf8());
    SimulatedChip chip({"--link", linkPath()});
    ASSERT_TRUE(chip.started());
    writeProjectFile("blink.vxp");
    writeProjectFile("blink.vxb", testing::sampleImage(200));
    EXPECT_EQ(run({"blink", "/d", "/q"}), 0) << m_stderr;
    for (const char* name : {"VXOEM_LPT", "VXOEM_LPT_SIM_STATE"}) qunsetenv(name);
    const auto file = errorFile();
    ASSERT_EQ(file.size(), 3u);
    EXPECT_EQ(file[0].rfind("Note: LPT1 Port unavailable VXOEM_LPT_SIM_STATE: ", 0), 0u) << file[0];
    EXPECT_NE(file[0].find("not a regular file"), std::string::npos) << file[0];
    EXPECT_EQ(file[1], "Download: " + project("blink") + ".vxb");
    EXPECT_EQ(file[2], "Done.");
    EXPECT_EQ(m_stderr, file[0] + "\n");
}

TEST_F(UnattendedRun, ErrorFileIsWrittenOnlyAsARegularFileOfItsOwn) {
    writeProjectFile("blink.vxp");
    const std::string errorPath = m_work.filePath("Velmix.err").toStdString();
    const std::string victim = m_work.filePath("victim").toStdString();
    struct Case {
        const char* name;
        std::function<void()> plant;
        const char* why;
    };
    const Case cases[] = {
        {"symbolic link", [&] { std::filesystem::create_symlink(victim, errorPath); }, "a symbolic link"},
        {"hard link", [&] { std::filesystem::create_hard_link(victim, errorPath); }, "hard links"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(errorPath);
        writeProjectFile("victim", "keep me");
        c.plant();
        EXPECT_EQ(run({"blink", "/c", "/q"}), 1);
        EXPECT_NE(m_stderr.find(errorPath + ": "), std::string::npos) << m_stderr;
        EXPECT_NE(m_stderr.find(c.why), std::string::npos) << m_stderr;
        EXPECT_EQ(lines(QString::fromStdString(victim)), std::vector<std::string>{"keep me"});
    }
}

TEST_F(UnattendedRun, FileSizeLimitIsAWriteFailureNotTheEnd) {
    writeProjectFile("blink.vxp");
    writeProjectFile("blink.prf");
    // Room for the first line of the error file, not for the second.
    const std::string compile = "Compile : " + project("blink") + ".vxp\n";
    const auto limit = [size = compile.size() + 2] {
        const rlimit bound{size, size};
        ::setrlimit(RLIMIT_FSIZE, &bound);
    };
    EXPECT_EQ(run({"blink", "/c", "/q"}, limit), 1);
    EXPECT_NE(m_stderr.find("Velmix.err: cannot write the error file: File too large"), std::string::npos)
        << m_stderr;
}

TEST_F(UnattendedRun, WithoutADisplayABatchRunsQuietAndTheWindowSaysWhyItCannotStart) {
    SimulatedChip chip({"--link", linkPath()});
    ASSERT_TRUE(chip.started());
    writeProjectFile("blink.vxp");
    writeProjectFile("blink.prf");
    writeProjectFile("blink.vxb", testing::sampleImage(100));
    const std::string p = project("blink");
    EXPECT_EQ(run({"blink", "/c", "/d"}), 0) << m_stderr;
    EXPECT_EQ(errorFile(),
              (std::vector<std::string>{"Compile : " + p + ".vxp", "Download: " + p + ".vxb", "Done."}));

    EXPECT_EQ(run({}), 1);
    EXPECT_NE(m_stderr.find("no display"), std::string::npos) << m_stderr;
}

TEST_F(UnattendedRun, ImageOfExactly64KiBDownloadsAndVerifies) {
    SimulatedChip chip({"--link", linkPath()});
    ASSERT_TRUE(chip.started());
    const std::string image = testing::sampleImage(65536);
    writeProjectFile("blink.vxp");
    writeProjectFile("blink.vxb", image);
    EXPECT_EQ(run({"blink", "/d", "/q"}), 0) << m_stderr;
    EXPECT_EQ(errorFile(), (std::vector<std::string>{"Download: " + project("blink") + ".vxb", "Done."}));
    chip.stop();
    EXPECT_TRUE(chip.dumped("spi_eeprom.bin") == image);
    EXPECT_NE(chip.dumped("state.txt").find("running 1"), std::string::npos);
}

// For the program's child process; one that stays privileged ends at once with
// a status no run gives, so that the test fails instead of passing as root.
void asOrdinaryUser() {
    if (!suite::testing::becomeOrdinaryUser()) ::_exit(99);
}

TEST_F(UnattendedRun, ImageThatCannotBeReadFailsNamingItAndLeavesTheChipAlone) {
    QTemporaryDir log;
    const std::string sent = log.filePath("sent.bin").toStdString();
    SimulatedChip chip({"--link", linkPath(), "--log", sent});
    ASSERT_TRUE(chip.started());
    writeProjectFile("blink.vxp");
    const std::string image = project("blink") + ".vxb";
    // The work folder and settings must be open to the run as nobody.
    for (const QString& folder : {m_work.path(), m_config.path(), m_config.filePath("Velmix")})
        std::filesystem::permissions(folder.toStdString(), std::filesystem::perms::all);
    struct Case {
        const char* name;
        std::function<void()> make;
        std::string reason;
        std::function<void()> inChild;
    };
    const Case cases[] = {
        {"folder", [&] { std::filesystem::create_directory(image); }, "it is a folder, not a file", {}},
        {"pipe without a writer",
         [&] { ASSERT_EQ(::mkfifo(image.c_str(), 0600), 0); },
         "it is not a regular file (a pipe or a device)",
         {}},
        {"link to /dev/null",
         [&] { std::filesystem::create_symlink("/dev/null", image); },
         "it is not a regular file (a pipe or a device)",
         {}},
        {"no read permission",
         [&] {
             writeProjectFile("blink.vxb", "program");
             std::filesystem::permissions(image, std::filesystem::perms::owner_write);
         },
         "Permission denied", asOrdinaryUser},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(image);
        std::filesystem::remove(m_work.filePath("Velmix.err").toStdString());  // the next run may be nobody's
        c.make();
        EXPECT_EQ(run({"blink", "/d", "/q"}, c.inChild), 1);
        const std::string refusal = image + ": " + c.reason + ". No program is loaded.";
        EXPECT_EQ(errorFile(),
                  (std::vector<std::string>{"Download: " + image, refusal,
                                            "Not started: the download of " + image + " failed.", "Done."}));
        EXPECT_NE(m_stderr.find(refusal), std::string::npos) << m_stderr;
    }
    chip.stop();
    EXPECT_EQ(std::filesystem::file_size(sent), 0u)
        << "nothing sent: the chip was neither halted nor started";
}

TEST_F(UnattendedRun, DownloadPortThatCannotBeOpenedIsNamedWithItsReason) {
    writeProjectFile("blink.vxp");
    writeProjectFile("blink.vxb", testing::sampleImage(300));
    // No simulator: the device of COM3 does not exist.
    EXPECT_EQ(run({"blink", "/d", "/q"}), 1);
    const std::string opening = "Error opening download port " + linkPath() + ": No such file or directory";
    EXPECT_EQ(errorFile(),
              (std::vector<std::string>{"Download: " + project("blink") + ".vxb", opening,
                                        "Not started: the download of " + project("blink") + ".vxb failed.",
                                        "Done."}));
    EXPECT_EQ(m_stderr.find("halting"), std::string::npos) << m_stderr;
}

TEST_F(UnattendedRun, ChipThatDoesNotAnswerTheHalt) {
    SimulatedChip chip({"--link", linkPath(), "--fault", "no-halt"});
    ASSERT_TRUE(chip.started());
    writeProjectFile("blink.vxp");
    writeProjectFile("blink.prf");
    writeProjectFile("blink.vxb", testing::sampleImage(300));
    // The download's failure, told once; the program is not started and "/c" is skipped.
    EXPECT_EQ(run({"blink", "/d", "/c", "/q"}), 1);
    const std::string notStarted = "Not started: the download of " + project("blink") + ".vxb failed.";
    EXPECT_EQ(errorFile(), (std::vector<std::string>{"Download: " + project("blink") + ".vxb",
                                                     "Error halting QM-40", notStarted, "Done."}));
    EXPECT_EQ(m_stderr, "Error halting QM-40\n" + notStarted + "\n");
}

// The EEPROM rows of the simulated QM-10's state file, as bytes from address 0.
std::string qm10Eeprom(const QString& statePath, size_t length) {
    std::string memory(length, '\xFF');
    for (const std::string& line : lines(statePath)) {
        std::istringstream words(line);
        std::string keyword, address;
        if (!(words >> keyword >> address) || keyword != "eeprom") continue;
        size_t at = std::stoul(address, nullptr, 16);
        for (std::string byte; words >> byte && byte[0] != '|' && at < length; ++at)
            memory[at] = static_cast<char>(std::stoul(byte, nullptr, 16));
    }
    return memory;
}

TEST_F(UnattendedRun, Qm10DownloadThroughTheSimulatedParallelPort) {
    QSettings(m_config.filePath("Velmix/Velmix.conf"), QSettings::IniFormat)
        .setValue("Config/Chip_Type", "QM10");
    const QString state = m_work.filePath("qm10.txt");
    qputenv("VXOEM_LPT", "simulated");
    qputenv("VXOEM_LPT_SIM_STATE", state.toUtf8());
    const std::string image = testing::sampleImage(5000);
    writeProjectFile("blink.vxp");
    writeProjectFile("blink.vxb", image);

    EXPECT_EQ(run({"blink", "/d", "/q"}), 0) << m_stderr;
    const std::string p = project("blink");
    EXPECT_EQ(errorFile(), (std::vector<std::string>{"Download: " + p + ".vxb", "Done."}));
    EXPECT_EQ(qm10Eeprom(state, 5024), image + std::string(24, ' '));
    EXPECT_NE(lines(state).size(), 0u);

    // A chip that fails the setup check: the error file, standard error and the exit status say so.
    qputenv("VXOEM_LPT_SIM_FAULT", "bad-setup");
    EXPECT_EQ(run({"blink", "/d", "/q"}), 1);
    const std::string notStarted = "Not started: the download of " + p + ".vxb failed.";
    EXPECT_EQ(errorFile(),
              (std::vector<std::string>{"Download: " + p + ".vxb", "Setup returned invalid data: 255",
                                        notStarted, "Done."}));
    EXPECT_EQ(m_stderr, "Setup returned invalid data: 255\n" + notStarted + "\n");
    for (const char* name : {"VXOEM_LPT", "VXOEM_LPT_SIM_STATE", "VXOEM_LPT_SIM_FAULT"}) qunsetenv(name);
}

}  // namespace
}  // namespace vxoem
