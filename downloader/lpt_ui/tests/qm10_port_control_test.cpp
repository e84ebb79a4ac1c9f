// The port dialog behind the LPT menu items, and the EEPROM time-out, against
// the simulated QM-10.

#include "qm10_port_control.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QWidget>
#include <optional>

#include "frm_lpt.h"
#include "simulated_port.h"

using namespace vx::lpt;

namespace {

struct Rig {
    explicit Rig(SimulatedFaults faults = {}) {
        SimulatedPortOptions options;
        options.faults = faults;
        options.sleep = [](int) {};
        auto owned = std::make_unique<SimulatedBackend>(options);
        backend = owned.get();
        Qm10PortHooks hooks;
        hooks.readSettings = [this] { return stored; };
        hooks.writeSettings = [this](const LptStoredSettings& s) {
            stored = s;
            ++writes;
        };
        hooks.programmer.appendStatus = [this](const std::string& text) { status += text; };
        hooks.programmer.message = [this](const Message& m) {
            messages.push_back(m);
            messageAtMs.push_back(clock.elapsed());
        };
        control = std::make_unique<Qm10PortControl>(&window, hooks, std::move(owned));
        clock.start();
    }

    // Opens LPTn's dialog, lets `edit` change it while it is shown, and presses a button.
    void choosePort(int n, const std::function<void(FrmLpt&)>& edit, bool ok = true) {
        QTimer::singleShot(0, [this, edit, ok] {
            FrmLpt& dialog = *control->frmLPT();
            shownCaption = dialog.windowTitle();
            shownAddress = dialog.lptAddressCombo()->currentText();
            edit(dialog);
            (ok ? dialog.cmdOkLPT() : dialog.cmdCancelLPT())->click();
        });
        control->LPT_Click(n);
    }

    QWidget window;
    SimulatedBackend* backend = nullptr;
    std::unique_ptr<Qm10PortControl> control;
    LptStoredSettings stored;
    int writes = 0;
    QString shownCaption, shownAddress;
    std::string status;
    std::vector<Message> messages;
    std::vector<qint64> messageAtMs;
    QElapsedTimer clock;
};

}  // namespace

TEST(Qm10PortControl, PortDialogStoresTheChoiceAndReservesOnlyWhenAsked) {
    Rig rig;
    QSignalSpy checked(rig.control.get(), &Qm10PortControl::portChecked);
    rig.stored = {"2", "400", "0"};

    rig.choosePort(2, [](FrmLpt&) {});
    EXPECT_EQ(rig.shownCaption, "LPT2:");
    EXPECT_EQ(rig.shownAddress, "&H278") << "a stored 400 opens on the family default";
    EXPECT_EQ(rig.stored.portNumber, "2");
    EXPECT_EQ(rig.stored.portAddress, "&H278");
    EXPECT_EQ(rig.stored.portReserve, "0");
    EXPECT_EQ(rig.control->port().dataAddress(), 0x278);
    EXPECT_EQ(rig.backend->reservedPort(), 0);
    ASSERT_EQ(checked.count(), 1);
    EXPECT_EQ(checked.takeFirst().at(0).toInt(), 2);

    rig.choosePort(3, [](FrmLpt& d) {
        d.lptAddressCombo()->setCurrentText("&H3BC");
        d.reservePortCheck1()->setChecked(true);
    });
    EXPECT_EQ(rig.shownCaption, "LPT3:");
    EXPECT_EQ(rig.shownAddress, "&H278") << "the stored address, which is valid";
    EXPECT_EQ(rig.backend->reservedPort(), 3);
    EXPECT_EQ(rig.stored.portReserve, "1");

    rig.choosePort(3, [](FrmLpt& d) { d.reservePortCheck1()->setChecked(false); });
    EXPECT_EQ(rig.backend->reservedPort(), 0) << "turning the reservation off gives the port back";

    const int writes = rig.writes;
    rig.choosePort(
        1, [](FrmLpt& d) { d.lptAddressCombo()->setCurrentText("&H268"); }, false);
    EXPECT_EQ(rig.writes, writes) << "Cancel stores nothing";
    EXPECT_EQ(rig.control->port().dataAddress(), 0x3BC);
    EXPECT_TRUE(rig.messages.empty());
}

TEST(Qm10PortControl, StartUpOpensTheStoredPortOrLpt1sDefault) {
    Rig rig;
    rig.stored = {"", "", ""};
    rig.control->openStoredPort();
    EXPECT_EQ(rig.control->checkedPort(), 1);
    EXPECT_EQ(rig.control->port().dataAddress(), 0x378);

    rig.stored = {"4", "&H268", "1"};
    rig.control->openStoredPort();
    EXPECT_EQ(rig.control->checkedPort(), 4);
    EXPECT_EQ(rig.backend->reservedPort(), 4);
    EXPECT_TRUE(rig.control->frmLPT()->reservePortCheck1()->isChecked());
}

TEST(Qm10PortControl, BusyEepromIsReportedAfterAboutOneSecond) {
    SimulatedFaults busy;
    busy.eepromStaysBusy = true;
    Rig rig(busy);
    rig.control->openStoredPort();
    vxoem::HeaderBlock header{};
    EXPECT_EQ(rig.control->download("a program", header).failure, "SPI EEPROM not ready");
    ASSERT_EQ(rig.messages.size(), 1u);
    EXPECT_EQ(rig.messages[0].text, "SPI EEPROM not ready");
    EXPECT_GE(rig.messageAtMs[0], 1000);
    EXPECT_LT(rig.messageAtMs[0], 5000);
    EXPECT_FALSE(QString::fromStdString(rig.status).contains("Finished Downloading"));
}
