// The VXOEM program run unattended ("/q") from the command line, against the
// QM-40 simulator on a pseudo-terminal: the error file, standard error and
// the exit status.

#include <gtest/gtest.h>

#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <fstream>
#include <sstream>

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

    // Runs VXOEM with `arguments` from another folder; its exit status.
    int run(const QStringList& arguments) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_CONFIG_HOME", m_config.path());
        environment.remove("DISPLAY");
        environment.remove("QT_QPA_PLATFORM");  // the quiet run needs no window system at all
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(QDir::tempPath());
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
    // Choosing the image and downloading it each read it, and each refuses it.
    const auto file = errorFile();
    ASSERT_EQ(file.size(), 4u);
    EXPECT_EQ(file[0], "Download: " + p + ".vxb");
    EXPECT_NE(file[1].find("65537 bytes"), std::string::npos) << file[1];
    EXPECT_NE(file[1].find("65536 bytes"), std::string::npos) << file[1];
    EXPECT_EQ(file[2], file[1]);
    EXPECT_EQ(file[3], "Done.");
    chip.stop();
    std::ifstream received(sent, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(received), std::istreambuf_iterator<char>()};
    // The run step after the refused download still halts and starts the chip; no data went out.
    EXPECT_LT(bytes.size(), 64u);
}

TEST_F(UnattendedRun, ChipThatDoesNotAnswerTheHalt) {
    SimulatedChip chip({"--link", linkPath(), "--fault", "no-halt"});
    ASSERT_TRUE(chip.started());
    writeProjectFile("blink.vxp");
    writeProjectFile("blink.prf");
    writeProjectFile("blink.vxb", testing::sampleImage(300));
    // The download's failure, then the run step's, which ends the batch: "/c" is skipped.
    EXPECT_EQ(run({"blink", "/d", "/c", "/q"}), 1);
    EXPECT_EQ(errorFile(), (std::vector<std::string>{"Download: " + project("blink") + ".vxb",
                                                     "Error halting QM-40", "Error halting QM-40", "Done."}));
    EXPECT_EQ(m_stderr, "Error halting QM-40\nError halting QM-40\n");
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
    EXPECT_EQ(errorFile(), (std::vector<std::string>{"Download: " + p + ".vxb",
                                                     "Setup returned invalid data: 255", "Done."}));
    EXPECT_EQ(m_stderr, "Setup returned invalid data: 255\n");
    for (const char* name : {"VXOEM_LPT", "VXOEM_LPT_SIM_STATE", "VXOEM_LPT_SIM_FAULT"}) qunsetenv(name);
}

}  // namespace
}  // namespace vxoem
