#include <gtest/gtest.h>

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <filesystem>

#include "core_test_support.h"
#include "download_procedures.h"
#include "memory_serial_line.h"
#include "startup.h"
#include "vxoem_settings.h"

namespace vxoem {
namespace {

// Each test gets its own configuration folder.
class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8()); }
    void TearDown() override { qunsetenv("XDG_CONFIG_HOME"); }

    void storeRaw(const QString& key, const QString& value) {
        QSettings file(confFile(), QSettings::IniFormat);
        file.setValue("Config/" + key, value);
    }
    QString confFile() const { return m_config.filePath("Velmix/Velmix.conf"); }

    QTemporaryDir m_config;
};

TEST_F(SettingsTest, FirstStartSelectsQm10AndPort2) {
    VxoemSettings settings;
    EXPECT_EQ(settings.location(), confFile().toStdString());
    const StartupChoices choices = readStartupChoices(settings);
    EXPECT_EQ(choices.chip, Chip::QM10);
    EXPECT_EQ(choices.qm40Port, 2);
    EXPECT_EQ(settings.deviceForPort(1), "/dev/ttyS0");
    EXPECT_EQ(settings.deviceForPort(4), "/dev/ttyS3");
}

TEST_F(SettingsTest, StoredChipAndPortChoices) {
    struct Case {
        const char* chipType;
        const char* port;
        Chip chip;
        std::optional<int> qm40Port;
    };
    const Case cases[] = {
        {"QM40", "3", Chip::QM40, 3},
        {"qm40", "0", Chip::QM10, 2},
        {"QM10", "4", Chip::QM10, 4},
        {"", "5", Chip::QM10, std::nullopt},
        {"QM40", "x", Chip::QM40, std::nullopt},
        {"QM40", "", Chip::QM40, 2},
    };
    for (const Case& c : cases) {
        storeRaw("Chip_Type", c.chipType);
        storeRaw("QM40port_number", c.port);
        VxoemSettings settings;
        const StartupChoices choices = readStartupChoices(settings);
        EXPECT_EQ(choices.chip, c.chip) << c.chipType;
        EXPECT_EQ(choices.qm40Port, c.qm40Port) << c.port;
    }
}

TEST_F(SettingsTest, WritesLandInTheConfigSectionAndDeviceKeysOverridePorts) {
    {
        VxoemSettings settings;
        settings.setChipType("QM40");
        settings.setQm40PortNumber("3");
        settings.setPortAddress("&H378");
    }
    QSettings file(confFile(), QSettings::IniFormat);
    EXPECT_EQ(file.value("Config/Chip_Type").toString(), "QM40");
    EXPECT_EQ(file.value("Config/QM40port_number").toString(), "3");
    EXPECT_EQ(file.value("Config/Port_Address").toString(), "&H378");

    storeRaw("Device_COM2", "/tmp/qm40-link");
    VxoemSettings settings;
    EXPECT_EQ(settings.deviceForPort(2), "/tmp/qm40-link");
    EXPECT_EQ(settings.deviceForPort(3), "/dev/ttyS2");
}

TEST_F(SettingsTest, WorkDirectoryFallsBackToRunDirThenTheCurrentFolder) {
    const auto start = std::filesystem::current_path();
    QTemporaryDir work, run;
    struct Case {
        QString workDir, runDir;
        std::string expected;
    };
    const std::string here = start.string();
    const Case cases[] = {
        {work.path(), run.path(), std::filesystem::canonical(work.path().toStdString()).string()},
        {"", run.path(), std::filesystem::canonical(run.path().toStdString()).string()},
        {work.filePath("missing"), "", here},
        {"", "", here},
    };
    for (const Case& c : cases) {
        std::filesystem::current_path(start);
        storeRaw("Work_Dir", c.workDir);
        storeRaw("Run_Dir", c.runDir);
        VxoemSettings settings;
        EXPECT_EQ(std::filesystem::canonical(workDirectoryOf(settings)).string(), c.expected);
        EXPECT_EQ(std::filesystem::current_path(), start) << "the current directory stays";
    }
    std::filesystem::current_path(start);
}

}  // namespace
}  // namespace vxoem
