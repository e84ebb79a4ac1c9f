// The modal dialogs of the main window: port, units and motor export.

#include <sys/stat.h>
#include <unistd.h>

#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <filesystem>
#include <functional>

#include "config_dialog.h"
#include "export_dialog.h"
#include "shell_test_support.h"
#include "units.h"
#include "units_dialog.h"

namespace tarvel::test {
namespace {

using PortDialogTest = WindowTest;

TEST_F(PortDialogTest, OkWritesTheSettingsFileAndTheNextStartReadsIt) {
    EXPECT_EQ(window->analysis().Comport, "COM1");
    dialogs.modalScripts.push_back([](QDialog& d) {
        auto& config = dynamic_cast<ConfigDialog&>(d);
        EXPECT_EQ(config.windowTitle(), "Configuration");
        EXPECT_EQ(config.Comport()->currentText(), "COM1");
        // COM1 to COM4 first; the ports this computer has follow them.
        ASSERT_GE(config.Comport()->count(), 4);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(config.Comport()->itemText(i), QString("COM%1").arg(i + 1));
        config.Comport()->setCurrentText("COM3");
        config.CmdOk()->click();
    });
    window->action("mnuConnectPortConfig")->trigger();
    EXPECT_EQ(window->analysis().Comport, "COM3");
    EXPECT_EQ(readFile(QString::fromStdString(window->settings().filePath())), "ComPort\r\nCOM3\r\n");

    // A typed name outside the list is kept as typed.
    dialogs.modalScripts.push_back([](QDialog& d) {
        auto& config = dynamic_cast<ConfigDialog&>(d);
        EXPECT_EQ(config.Comport()->currentText(), "COM3");
        config.Comport()->setCurrentText("/dev/ttyUSB0");
        config.CmdOk()->click();
    });
    window->action("mnuConnectPortConfig")->trigger();
    SetUp();  // the program starts again in the same folder
    EXPECT_EQ(window->analysis().Comport, "/dev/ttyUSB0");
}

TEST_F(PortDialogTest, TheLongestNameTheDialogTakesSurvivesARestart) {
    const std::string typed = "/dev/serial/by-id/" + std::string(80, 'x');
    dialogs.modalScripts.push_back([&](QDialog& d) {
        auto& config = dynamic_cast<ConfigDialog&>(d);
        config.Comport()->setCurrentText(QString::fromStdString(typed));
        config.CmdOk()->click();
    });
    window->action("mnuConnectPortConfig")->trigger();
    const std::string kept = window->analysis().Comport;
    EXPECT_EQ(kept, typed.substr(0, TarvelSettings::kMaxPortChars));
    SetUp();
    EXPECT_EQ(window->analysis().Comport, kept);
}

TEST_F(PortDialogTest, ClosingByTheFrameChangesNothing) {
    dialogs.modalScripts.push_back([](QDialog& d) {
        dynamic_cast<ConfigDialog&>(d).Comport()->setCurrentText("COM2");
        d.reject();
    });
    window->action("mnuConnectPortConfig")->trigger();
    EXPECT_EQ(window->analysis().Comport, "COM1");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(window->settings().filePath())));
}

TEST(TarvelSettingsTest, MissingOrOddFilesNeverStopTheStart) {
    QTemporaryDir dir;
    const TarvelSettings settings(dir.path().toStdString());
    EXPECT_EQ(settings.readPort(), std::nullopt);
    const std::pair<const char*, std::optional<std::string>> files[] = {
        {"ComPort\r\nCOM4\r\n", "COM4"},    {"ComPort\nCOM2", "COM2"},  // other line ends
        {"Port\r\nCOM4\r\n", std::nullopt}, {"ComPort\r\n", std::nullopt},
        {"ComPort\r\n\r\n", std::nullopt},  {"", std::nullopt},
        {"\xff\xfe garbage", std::nullopt},
    };
    for (const auto& [content, expected] : files) {
        SCOPED_TRACE(content);
        writeFile(dir, TarvelSettings::kFileName, content);
        EXPECT_EQ(settings.readPort(), expected);
        ScriptedDialogs dialogs;
        MainWindow window(dialogs, settings);
        EXPECT_EQ(window.analysis().Comport, expected.value_or("COM1"));
    }
}

TEST(TarvelSettingsTest, OnlyARegularFileOfItsSizeIsReadOrWritten) {
    QTemporaryDir dir;
    const TarvelSettings settings(dir.path().toStdString());
    const std::string path = settings.filePath();
    // Each in the settings file's place; none may hold up the start.
    const std::function<void()> places[] = {
        [&] { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); },
        [&] { ASSERT_EQ(::symlink("/dev/zero", path.c_str()), 0); },  // an endless line
        [&] {
            writeFile(dir, TarvelSettings::kFileName, "ComPort\r\nCOM4" + std::string(1 << 20, ' ') + "\r\n");
        },
    };
    for (const auto& place : places) {
        std::filesystem::remove(path);
        place();
        std::optional<std::string> port = "unread";
        EXPECT_TRUE(endsInTime([&] { port = settings.readPort(); }, path));
        EXPECT_EQ(port, std::nullopt);
    }
    // Nor does the port dialog's OK wait on a FIFO or put a file in its place.
    std::filesystem::remove(path);
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    Status written;
    EXPECT_TRUE(endsInTime([&] { written = settings.writePort("COM3"); }, path));
    EXPECT_EQ(written.message, "cannot write " + path + ": it is not a regular file");
    EXPECT_TRUE(std::filesystem::is_fifo(path));
}

TEST(TarvelSettingsTest, TheProgramStartsWithAFifoForItsSettingsFile) {
    QTemporaryDir dir;
    ASSERT_EQ(::mkfifo(dir.filePath(TarvelSettings::kFileName).toLocal8Bit().constData(), 0600), 0);
    QProcess program;
    program.setWorkingDirectory(dir.path());
    program.start(TARVEL_GRAPH_PROGRAM, {"--measure-startup"});
    const bool ended = program.waitForFinished(15000);
    if (!ended) {
        program.kill();
        program.waitForFinished();
    }
    ASSERT_TRUE(ended) << "the start waits on the FIFO";
    EXPECT_TRUE(program.readAllStandardOutput().contains("first paint after"));
}

TEST_F(PortDialogTest, UnwritableSettingsFileKeepsTheDialogOpen) {
    ScriptedDialogs localDialogs;
    MainWindow local(localDialogs, TarvelSettings(m_dir.filePath("no/such/folder").toStdString()));
    bool accepted = true;
    localDialogs.modalScripts.push_back([&](QDialog& d) {
        auto& config = dynamic_cast<ConfigDialog&>(d);
        config.Comport()->setCurrentText("COM2");
        config.CmdOk()->click();
        accepted = d.result() == QDialog::Accepted;
    });
    local.action("mnuConnectPortConfig")->trigger();
    EXPECT_FALSE(accepted);
    ASSERT_EQ(localDialogs.messages.size(), 1u);
    EXPECT_EQ(localDialogs.messages[0].icon, Dialogs::Icon::Exclamation);
    EXPECT_EQ(local.analysis().Comport, "COM2");  // taken before the file failed
}

// Ticks one button per group (-1 leaves the group alone) and presses OK or Cancel.
std::function<void(QDialog&)> chooseUnits(std::array<int, 4> ticks, bool ok = true) {
    return [ticks, ok](QDialog& d) {
        auto& units = dynamic_cast<UnitsDialog&>(d);
        for (int g = 0; g < 4; ++g)
            if (ticks[g] >= 0) units.option(g, ticks[g])->setChecked(true);
        (ok ? units.cmdOK() : units.cmdCancel())->click();
    };
}

TEST_F(WindowTest, UnitsDialogConvertsWeightsWithTheCutRule) {
    open(flightFile());
    QLineEdit* weight = window->detailEdit(DetailField::FileDetailWeight);
    QLineEdit* propellant = window->detailEdit(DetailField::FileDetailPropellantWt);
    ASSERT_EQ(weight->text(), "16.00");
    struct Step {
        int mass;
        const char* weight;
        const char* propellant;
        const char* caption;
    };
    const Step steps[] = {
        {1, "1", "0.125", "(lbs)"},  // 16 oz is a whole pound: nothing to cut
        {2, "453.6", "56.7", "(g)"},
        {0, "15.998", "1.999", "(oz)"},  // 453.6 x 0.03527 = 15.998472, cut to three places
        {0, "15.998", "1.999", "(oz)"},  // OK without a change converts by 1
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.caption);
        dialogs.modalScripts.push_back(chooseUnits({-1, -1, -1, s.mass}));
        window->action("mnuConfigurationUnits")->trigger();
        EXPECT_EQ(weight->text(), s.weight);
        EXPECT_EQ(propellant->text(), s.propellant);
        EXPECT_EQ(text("lblUnitsMass0"), s.caption);
        EXPECT_EQ(text("lblUnitsMass1"), s.caption);
    }
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(WindowTest, UnitsDialogRelabelsAndRecalculates) {
    open(flightFile());
    const double mph = text("MaxVelocity").toDouble();
    ASSERT_GT(mph, 100);

    // The dialog opens with the current selection ticked.
    dialogs.modalScripts.push_back([](QDialog& d) {
        auto& units = dynamic_cast<UnitsDialog&>(d);
        EXPECT_EQ(units.windowTitle(), "Units");
        EXPECT_TRUE(units.option(0, 0)->isChecked());
        EXPECT_TRUE(units.option(1, 0)->isChecked());
        EXPECT_TRUE(units.option(2, 0)->isChecked());
        EXPECT_TRUE(units.option(3, 0)->isChecked());
        units.option(0, 1)->setChecked(true);
        units.option(1, 2)->setChecked(true);
        units.option(2, 1)->setChecked(true);
        units.cmdOK()->click();
    });
    EXPECT_FALSE(window->isWindowModified());
    window->action("mnuConfigurationUnits")->trigger();
    EXPECT_TRUE(window->isWindowModified());  // the next Save writes other units
    EXPECT_EQ(text("lblAltitude0"), "(m)");
    EXPECT_EQ(text("lblVelocity2"), "(km/h)");
    EXPECT_EQ(text("lblUnitsThrust1"), "(lbs)");
    EXPECT_NEAR(text("MaxVelocity").toDouble(), mph * 1.609, mph * 0.01);

    // Cancel changes nothing.
    const QString before = text("MaxVelocity");
    dialogs.modalScripts.push_back(chooseUnits({0, 0, 0, 0}, false));
    window->action("mnuConfigurationUnits")->trigger();
    EXPECT_EQ(text("MaxVelocity"), before);
    EXPECT_EQ(text("lblAltitude0"), "(m)");

    // Back again: the recalculation gives the figures of the first units.
    dialogs.modalScripts.push_back(chooseUnits({0, 0, 0, 0}));
    window->action("mnuConfigurationUnits")->trigger();
    EXPECT_NEAR(text("MaxVelocity").toDouble(), mph, 0.2);
}

TEST_F(WindowTest, UnitsDialogTicksTheUnitsTheWindowShows) {
    // Each group's label on the window, and what its ticked button would put there.
    const char* const labels[4] = {"lblAltitude0", "lblVelocity0", "lblUnitsThrust0", "lblUnitsMass0"};
    auto checkAgreement = [&] {
        QStringList shown, ticked;
        for (const char* label : labels) shown << text(label);
        dialogs.modalScripts.push_back([&](QDialog& d) {
            auto& units = dynamic_cast<UnitsDialog&>(d);
            const UnitGroup groups[4] = {UnitGroup::Distance, UnitGroup::Velocity, UnitGroup::Thrust,
                                         UnitGroup::Mass};
            for (int g = 0; g < 4; ++g)
                for (int i = 0; units.option(g, i); ++i)
                    if (units.option(g, i)->isChecked()) ticked << QString::fromUtf8(unitTag(groups[g], i));
            units.cmdOK()->click();
        });
        window->action("mnuConfigurationUnits")->trigger();
        EXPECT_EQ(ticked, shown);
        // OK without a change switches no label.
        for (int g = 0; g < 4; ++g) EXPECT_EQ(text(labels[g]), shown[g]) << labels[g];
    };
    {
        SCOPED_TRACE("first start");
        checkAgreement();
    }
    std::string saved =
        "FDWeight(g)\r\n150\r\nAccelData\r\n"
        "Delta Time,Baro(Psi),Accel(G),Velocity(km/h),Altitude(m),Thrust(lbs)\r\n";
    const std::string rows = downloadedRecordText({});
    saved += rows.substr(rows.find("Thrust(N)\r\n") + 11);
    open(writeFile(m_dir, "saved.rcd", saved));
    {
        SCOPED_TRACE("after a file chose the units");
        checkAgreement();
    }
}

TEST_F(WindowTest, MotorExportThroughTheDialog) {
    open(flightFile());
    const QString eng = m_dir.filePath("motor.eng");
    bool stayedOpen = false;
    dialogs.modalScripts.push_back([&](QDialog& d) {
        auto& dialog = dynamic_cast<ExportDialog&>(d);
        EXPECT_EQ(dialog.windowTitle(), "Export");
        EXPECT_EQ(dialog.txtPropelWeight()->text(), "2.0");  // from the main window, in ounces
        EXPECT_FALSE(dialog.lblDesignation()->text().isEmpty());
        // Fields a simulator would reject are refused by name before a file is asked for.
        const std::pair<const char*, QLineEdit*> refusals[] = {
            {"Motor Diameter (mm)", dialog.txtDiameter()},
            {"Length (mm)", dialog.txtLength()},
            {"Total Motor Weight (oz)", dialog.txtTotalMotorWeight()},
        };
        const size_t requestsBefore = dialogs.fileRequests.size();
        for (const auto& [caption, field] : refusals) {
            QTest::mouseClick(dialog.cmdExport(), Qt::LeftButton);
            EXPECT_TRUE(dialogs.lastMessage().startsWith(caption)) << dialogs.lastMessage().toStdString();
            EXPECT_EQ(dialogs.messages.back().icon, Dialogs::Icon::Exclamation);
            EXPECT_NE(d.result(), QDialog::Accepted);
            field->setText(field == dialog.txtTotalMotorWeight() ? "1.9" : "29 mm");
            QTest::mouseClick(dialog.cmdExport(), Qt::LeftButton);
            EXPECT_TRUE(dialogs.lastMessage().startsWith(caption)) << dialogs.lastMessage().toStdString();
            field->setText(field == dialog.txtDiameter() ? "24" : field == dialog.txtLength() ? "70" : "3.5");
        }
        EXPECT_EQ(dialogs.fileRequests.size(), requestsBefore);
        dialog.cmdExport()->click();  // 2 oz of propellant, 3.5 in all: the file dialog, cancelled
        stayedOpen = d.result() != QDialog::Accepted;
        dialogs.fileAnswers.push_back(eng);
        dialog.cmdExport()->click();
    });
    window->action("mnuFileExport")->trigger();
    EXPECT_TRUE(stayedOpen);
    ASSERT_GE(dialogs.fileRequests.size(), 3u);
    EXPECT_EQ(dialogs.fileRequests[1].title, "Export Data to Motor File");
    EXPECT_EQ(dialogs.fileRequests[1].filter, "Motor Files (*.eng)");
    EXPECT_EQ(dialogs.lastMessage(), "Export Complete");

    const std::string motor = readFile(eng);
    const std::string designation = motor.substr(0, motor.find("\r\n")).substr(40);
    EXPECT_EQ(motor.substr(0, 40), "; Tarvel-Rocket produced motor file for ");
    EXPECT_NE(motor.find("\r\n" + designation + " 24 70 P 0.05670 0.09922 EX\r\n"), std::string::npos)
        << motor;
    EXPECT_EQ(motor.substr(motor.size() - 7), " 0.00\r\n");
}

}  // namespace
}  // namespace tarvel::test
