// Rocket profiles and the data table in the main window, driven as a user
// would: Configuration › Save / Apply / Delete Rocket Profile, File › Export ›
// Data Table (CSV)...

#include <QComboBox>
#include <QDialogButtonBox>
#include <QMenu>
#include <QPushButton>

#include "data_table.h"
#include "rocket_profile_dialog.h"
#include "rocket_profile_store.h"
#include "shell_test_support.h"

namespace tarvel::test {
namespace {

class ProfilesTest : public WindowTest {
protected:
    // "Save Rocket Profile..." with `name` typed into its dialog and Save pressed.
    void saveProfile(const QString& name) {
        dialogs.modalScripts.push_back([name](QDialog& dialog) {
            auto& d = dynamic_cast<RocketProfileDialog&>(dialog);
            d.nameBox()->setCurrentText(name);
            d.buttons()->button(QDialogButtonBox::Save)->click();
        });
        window->action("mnuConfigurationSaveProfile")->trigger();
    }
    // The entries of one of the profile lists as it opens.
    QList<QAction*> listed(const char* menu) {
        auto* list = window->findChild<QMenu*>(menu);
        emit list->aboutToShow();
        return list->actions();
    }
    void choose(const char* menu, const QString& entry) {
        for (QAction* a : listed(menu))
            if (a->text() == entry) return a->trigger();
        ADD_FAILURE() << "no entry " << entry.toStdString();
    }
};

TEST_F(ProfilesTest, ASavedRocketGivesADownloadItsDetails) {
    open(flightFile());
    window->analysis().applyUnits({0, 0, 0, 2});  // grams
    leaveField(DetailField::FileDetailWeight, "200");
    leaveField(DetailField::FileDetailPropellantWt, "12.5");
    leaveField(DetailField::FileDetailDiameter, "1.64");
    leaveField(DetailField::FileDetailCoefficientDrag, "0.45");
    leaveField(DetailField::txtMotorDuration, "1.6");
    EXPECT_EQ(listed("mnuConfigurationApplyProfile").size(), 1);  // "(no rocket profile saved)"
    saveProfile("  Sparrow & Co  ");
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.lastMessage().toStdString();
    EXPECT_EQ(RocketProfileStore().names(), std::vector<std::string>{"Sparrow & Co"});

    // A fresh download, shown in ounces, takes the rocket with one command,
    // converted, as if typed: recalculated, marked as edited, and Save keeps it.
    m_keepPreferences = true;
    SetUp();
    m_keepPreferences = false;
    const QString download = flightFile({}, "download.rcd");
    open(download);
    const QString impulseBefore = text("TotalImpulse");
    ASSERT_EQ(listed("mnuConfigurationApplyProfile").size(), 1);
    choose("mnuConfigurationApplyProfile", "Sparrow && Co");
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.lastMessage().toStdString();
    EXPECT_EQ(window->detailEdit(DetailField::FileDetailWeight)->text(), "7.0548");
    EXPECT_EQ(window->detailEdit(DetailField::FileDetailPropellantWt)->text(), "0.44092");
    EXPECT_EQ(window->detailEdit(DetailField::FileDetailDiameter)->text(), "1.64");
    EXPECT_EQ(window->detailEdit(DetailField::FileDetailCoefficientDrag)->text(), "0.45");
    EXPECT_EQ(window->detailEdit(DetailField::txtMotorDuration)->text(), "1.6");
    EXPECT_NE(text("TotalImpulse"), impulseBefore);
    EXPECT_TRUE(window->isWindowModified());
    // The same figures as the command line's --rocket, which takes the same road.
    FlightAnalysis model;
    model.numberLocale = window->analysis().numberLocale;
    ASSERT_TRUE(model.openRecordFile(download.toStdString()).ok);
    ASSERT_TRUE(applyRocketProfile(*RocketProfileStore().profile("sparrow & co"), model).ok);
    EXPECT_EQ(window->analysis().figures, model.figures);
    window->action("mnuFileSave")->trigger();
    EXPECT_NE(readFile(download).find("FDWeight(oz)\r\n7.0548\r\n"), std::string::npos);
}

TEST_F(ProfilesTest, ReplacingAsksFirstAndDetailsThatAreNoRocketAreRefused) {
    open(flightFile());
    leaveField(DetailField::FileDetailWeight, "20");
    saveProfile("Alpha");
    leaveField(DetailField::FileDetailWeight, "24");
    // The same name in another case is the same profile: the user is asked.
    dialogs.answers.push_back(Dialogs::Choice::Cancel);
    saveProfile("ALPHA");
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_EQ(dialogs.questions[0],
              "A rocket profile named \"Alpha\" is saved already.\nReplace it with the "
              "details shown?");
    EXPECT_NEAR(RocketProfileStore().profile("alpha")->weightKg, 20 * 0.028349523125, 1e-12);
    dialogs.answers.push_back(Dialogs::Choice::Replace);
    saveProfile("ALPHA");
    EXPECT_EQ(RocketProfileStore().names(), std::vector<std::string>{"ALPHA"});
    EXPECT_NEAR(RocketProfileStore().profile("alpha")->weightKg, 24 * 0.028349523125, 1e-12);

    // A detail that is no rocket's is named before any name is asked for.
    leaveField(DetailField::FileDetailPropellantWt, "30");
    const int modals = dialogs.modalCount;
    window->action("mnuConfigurationSaveProfile")->trigger();
    EXPECT_EQ(dialogs.modalCount, modals);
    EXPECT_EQ(dialogs.lastMessage(),
              "Propellant Wt must be a number from 0 up to the Total Wt for a rocket profile.");
    leaveField(DetailField::FileDetailPropellantWt, "2");
    leaveField(DetailField::FileDetailDiameter, "two");
    window->action("mnuConfigurationSaveProfile")->trigger();
    EXPECT_EQ(dialogs.lastMessage(), "Diameter (in.) must be a number for a rocket profile; it is \"two\".");

    // Delete asks, and the lists follow.
    dialogs.answers.push_back(Dialogs::Choice::Cancel);
    choose("mnuConfigurationDeleteProfile", "ALPHA");
    EXPECT_EQ(RocketProfileStore().names().size(), 1u);
    dialogs.answers.push_back(Dialogs::Choice::Delete);
    choose("mnuConfigurationDeleteProfile", "ALPHA");
    EXPECT_TRUE(RocketProfileStore().names().empty());
    EXPECT_FALSE(listed("mnuConfigurationApplyProfile").front()->isEnabled());
}

TEST_F(ProfilesTest, DataTableExportLeavesTheCurrentFile) {
    EXPECT_FALSE(window->action("mnuFileExportTable")->isEnabled());
    const QString flight = flightFile();
    open(flight);
    ASSERT_TRUE(window->action("mnuFileExportTable")->isEnabled());
    const QString table = m_dir.filePath("table.csv");
    dialogs.fileAnswers.push_back(table);
    window->action("mnuFileExportTable")->trigger();
    EXPECT_EQ(dialogs.fileRequests.back().title, "Export Data Table");
    EXPECT_EQ(dialogs.fileRequests.back().filter, "CSV Files (*.csv)");
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.lastMessage().toStdString();
    EXPECT_EQ(readFile(table), dataTableOf(window->analysis()));
    EXPECT_EQ(
        readFile(table).rfind("time (s),acceleration (G),pressure (psi),velocity (mph),altitude (ft),", 0),
        0u);
    EXPECT_EQ(window->analysis().CurOpenFileName, flight.toStdString());

    dialogs.fileAnswers.push_back(m_dir.filePath("no/such/table.csv"));
    window->action("mnuFileExportTable")->trigger();
    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages.back().icon, Dialogs::Icon::Exclamation);
}

}  // namespace
}  // namespace tarvel::test
