#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    // Window tests never need a screen.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The per-user settings store (remembered units, recent files) of the
    // windows and of the programs the tests start stays in a folder of its own.
    QTemporaryDir configHome;
    if (configHome.isValid()) qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
    // So does the logbook's index.
    QTemporaryDir dataHome;
    if (dataHome.isValid()) qputenv("XDG_DATA_HOME", dataHome.path().toLocal8Bit());
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
