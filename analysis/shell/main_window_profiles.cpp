// Rocket profiles in the main window: Configuration › "Save Rocket
// Profile..." keeps the rocket details shown under a name, "Apply Rocket
// Profile" puts a saved rocket's details into the fields as if typed, and
// "Delete Rocket Profile" forgets one.

#include <QMenu>
#include <QStatusBar>

#include "dialogs.h"
#include "main_window.h"
#include "pointer_guard.h"
#include "qt_text.h"
#include "rocket_profile_dialog.h"
#include "rocket_profile_menu.h"
#include "rocket_profile_store.h"

namespace tarvel {

using suite::qs;

namespace {

// The details a profile takes, as the window labels them.
QString detailsSummary(const FlightAnalysis& analysis) {
    QStringList rows;
    for (const DetailField field : kProfileFields) {
        QString row = qs(detailCaption(field)).trimmed() + " " + qs(analysis.detail(field));
        if (field == DetailField::FileDetailWeight || field == DetailField::FileDetailPropellantWt)
            row += " " + qs(analysis.captions.lblUnitsMass);
        rows.append(row);
    }
    return rows.join('\n');
}

}  // namespace

void MainWindow::buildProfileMenus(QMenu* configuration) {
    configuration->addSeparator();
    addEntry(configuration, "mnuConfigurationSaveProfile", "&Save Rocket Profile...",
             &MainWindow::mnuConfigurationSaveProfile_Click);
    auto list = [this, configuration](const char* name, const char* caption,
                                      void (MainWindow::*handler)(const QString&)) {
        QMenu* menu = configuration->addMenu(caption);
        menu->setObjectName(name);
        listRocketProfilesWhenShown(*menu, *this,
                                    [this, handler](const QString& chosen) { (this->*handler)(chosen); });
    };
    list("mnuConfigurationApplyProfile", "Apply Rocket &Profile", &MainWindow::applyRocketProfileNamed);
    list("mnuConfigurationDeleteProfile", "&Delete Rocket Profile", &MainWindow::deleteRocketProfileNamed);
}

void MainWindow::mnuConfigurationSaveProfile_Click() {
    // Details that are no rocket are refused before a name is asked for.
    Status why;
    std::optional<RocketProfile> profile = profileOfDetails(m_analysis, why);
    if (!report(why)) return;
    RocketProfileStore store;
    RocketProfileDialog dialog(store.names(), detailsSummary(m_analysis), this);
    if (m_dialogs.runModal(dialog) != QDialog::Accepted) return;
    profile->name = dialog.profileName();
    if (!report(checkProfileName(profile->name))) return;
    if (const std::optional<RocketProfile> existing = store.profile(profile->name)) {
        const QString text = "A rocket profile named \"" + qs(existing->name) +
                             "\" is saved already.\nReplace it with the details shown?";
        if (m_dialogs.ask(this, text, {Dialogs::Choice::Replace, Dialogs::Choice::Cancel}) !=
            Dialogs::Choice::Replace)
            return;
    }
    if (report(store.save(*profile)))
        statusBar()->showMessage("Rocket profile \"" + qs(profile->name) + "\" saved.", 5000);
}

void MainWindow::applyRocketProfileNamed(const QString& name) {
    const std::optional<RocketProfile> profile = RocketProfileStore().profile(name.toStdString());
    if (!profile) {
        m_dialogs.message(this, "The rocket profile \"" + name + "\" is no longer saved.",
                          Dialogs::Icon::Exclamation);
        return;
    }
    applyProfileDetails(*profile);
}

void MainWindow::applyProfileDetails(const RocketProfile& profile) {
    const DetailTexts before = m_analysis.details;
    const FigureTexts figuresBefore = m_analysis.figures;
    Status status;
    {
        PointerGuard busy(this);
        status = tarvel::applyRocketProfile(profile, m_analysis);
    }
    markEditedIf(m_analysis.details != before || m_analysis.figures != figuresBefore);
    refreshFromModel();
    report(status);
}

void MainWindow::deleteRocketProfileNamed(const QString& name) {
    if (m_dialogs.ask(this, "Delete the rocket profile \"" + name + "\"?",
                      {Dialogs::Choice::Delete, Dialogs::Choice::Cancel}) != Dialogs::Choice::Delete)
        return;
    if (!RocketProfileStore().remove(name.toStdString()))
        m_dialogs.message(this, "The rocket profile \"" + name + "\" could not be deleted.",
                          Dialogs::Icon::Exclamation);
}

}  // namespace tarvel
