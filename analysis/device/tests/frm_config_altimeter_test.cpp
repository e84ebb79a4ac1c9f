// The configuration window and the download command, driven offscreen
// against the simulated flight computer on a pseudo-terminal.

#include "frm_config_altimeter.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextCursor>
#include <filesystem>
#include <memory>

#include "device_ui.h"
#include "device_worker.h"
#include "dialogs.h"
#include "modal_driver.h"
#include "pty_peer.h"
#include "test_support.h"

namespace tarvel::device {
namespace {

using testing::ModalDriver;
using testing::PtyPeer;
using testing::SeenMessage;

// Descriptors of this process open on `path`: how a test sees whether the port is open.
int openDescriptorsOn(const std::string& path) {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        if (std::filesystem::read_symlink(entry.path(), ec) == path) ++count;
    }
    return count;
}

class DeviceWindow : public ::testing::Test {
protected:
    void SetUp() override { testing::boundApi(); }

    std::unique_ptr<FrmConfigAltimeter> openForm(const std::string& port) {
        m_port = port;
        auto form = std::make_unique<FrmConfigAltimeter>([this] { return m_port; }, worker, dialogs);
        QObject::connect(form->ProgressBar1, &QProgressBar::valueChanged,
                         [this](int v) { progress.push_back(v); });
        return form;
    }
    // Shows the window as its menu command does and waits for the read it starts.
    void showAndWaitForTheRead(FrmConfigAltimeter& form) {
        progress.clear();
        form.show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !progress.empty() && progress.back() == 0; }));
        settle();
        progress.clear();
    }
    // Waits until the worker has ended what the window started, its messages included.
    void settle(DeviceWorker* on = nullptr) {
        DeviceWorker& w = on ? *on : worker;
        ASSERT_TRUE(QTest::qWaitFor([&] { return !w.isBusy(); }, 10000));
    }

    testing::ScratchDirectory scratch;
    DeviceWorker worker{testing::library()};
    QtDialogs dialogs;
    ModalDriver modals;
    std::vector<int> progress;
    std::string m_port;
};

TEST_F(DeviceWindow, DownloadDataRestoresThePointerOnEveryPath) {
    QWidget window;
    window.setCursor(Qt::CrossCursor);  // the window's own pointer
    int arrived = 0;
    auto download = [&](const std::string& port, DeviceWorker& on) {
        DownloadRequest request;
        request.port = port;
        request.flightsArrived = [&] { ++arrived; };
        downloadData(&window, on, dialogs, request);
        settle(&on);
        EXPECT_EQ(window.cursor().shape(), Qt::CrossCursor);
        auto seen = modals.take();
        EXPECT_EQ(seen.size(), 1u);
        return seen.empty() ? SeenMessage{} : seen[0];
    };
    PtyPeer peer({testing::smallFlight(5, 1)});
    SeenMessage done = download(peer.path(), worker);
    EXPECT_EQ(done.text,
              "Uploaded files: 1\nOpen downloaded file(s) by clicking on the File->Open menu.\n\n"
              "Written by this download:\n    tmprecord0.rcd");
    EXPECT_EQ(done.title, "Tarvel-Graph");
    EXPECT_FALSE(done.exclamation);
    EXPECT_EQ(arrived, 1);

    EXPECT_TRUE(download(testing::kMissingPort, worker).exclamation);
    Declares absent("libfltport_absent.so", executableDirectory());
    DeviceWorker unboundWorker(absent);
    SeenMessage unbound = download(peer.path(), unboundWorker);
    EXPECT_TRUE(unbound.exclamation);
    EXPECT_NE(unbound.text.find("libfltport_absent.so"), std::string::npos);
    EXPECT_EQ(arrived, 1);
}

TEST_F(DeviceWindow, TheOfferAfterACleanDownloadIsInformationWithOpenTheDefault) {
    QWidget window;
    std::vector<std::string> opened;
    const auto download = [&](const std::string& port) {
        DownloadRequest request;
        request.port = port;
        request.openFlight = [&](const std::string& path) { opened.push_back(path); };
        downloadData(&window, worker, dialogs, request);
        settle();
    };
    PtyPeer peer({testing::smallFlight(5, 1)});
    modals.answers = {ModalDriver::Answer::Enter};
    download(peer.path());
    auto offers = modals.takeQuestions();
    ASSERT_EQ(offers.size(), 1u);
    EXPECT_TRUE(offers[0].information);
    EXPECT_EQ(offers[0].defaultButton, "&Open");
    EXPECT_EQ(opened, std::vector<std::string>{std::filesystem::absolute("tmprecord0.rcd").string()});

    // A flight computer that does not answer is named with its port, as a warning; the
    // earlier file is not passed off as this download's.
    fcsim::FaultModes silent;
    silent.silent = true;
    PtyPeer quiet({}, silent);
    download(quiet.path());
    const auto told = modals.take();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_TRUE(told[0].exclamation);
    EXPECT_EQ(told[0].text,
              "Uploaded files: 0\nOpen downloaded file(s) by clicking on the File->Open menu.\n\n"
              "Older files, not from this download:\n    tmprecord0.rcd\n\n"
              "The flight computer on " +
                  quiet.path() + " did not answer.");
}

TEST_F(DeviceWindow, WriteThenReadConfig) {
    PtyPeer peer;
    auto form = openForm(peer.path());
    // Written straight after opening, the lists send what they show: Launch and LED.
    form->cmdWrite->click();
    settle();
    EXPECT_EQ(peer.takeReceived(), "wg0\rrg\rwt0.0\rrt\rwm600\rrm\rwz0\rrz\r");
    EXPECT_EQ(progress, (std::vector<int>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 0}));
    auto written = modals.take();
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].text, "The settings were written and read back.");
    EXPECT_FALSE(written[0].exclamation);

    peer.setSetting('g', "1");
    peer.setSetting('t', "12.5");
    peer.setSetting('m', "2500");
    peer.setSetting('z', "1");
    peer.setSetting('v', "fc 2\xB5");  // a byte above 0x7F is one character of its own
    progress.clear();
    form->cmdRead->click();
    settle();
    EXPECT_EQ(peer.takeReceived(), "rg\rrv\rrt\rrm\rrz\r");
    EXPECT_EQ(progress, (std::vector<int>{10, 20, 35, 50, 65, 80, 100, 0}));
    EXPECT_EQ(form->cmbStageDetect->currentText(), "Motor Burnout");
    EXPECT_EQ(form->txtAltVersion->text(), QString::fromLatin1("fc 2\xB5"));
    EXPECT_EQ(form->txtStageDelay->text(), "12.5");
    EXPECT_EQ(form->txtMainAltitude->text(), "2500");
    EXPECT_EQ(form->CmbLEDBuzzer->currentText(), "Buzzer");
    EXPECT_TRUE(modals.take().empty());
    EXPECT_EQ(form->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(DeviceWindow, OpeningTheWindowReadsTheSettingsOrSaysTheFieldsArePlaceholders) {
    PtyPeer peer;
    peer.setSetting('g', "1");
    peer.setSetting('t', "12.5");
    peer.setSetting('m', "1200");
    peer.setSetting('z', "1");
    auto form = openForm(peer.path());
    showAndWaitForTheRead(*form);
    EXPECT_EQ(peer.takeReceived(), "rg\rrv\rrt\rrm\rrz\r");
    EXPECT_EQ(form->cmbStageDetect->currentText(), "Motor Burnout");
    EXPECT_EQ(form->txtStageDelay->text(), "12.5");
    EXPECT_EQ(form->txtMainAltitude->text(), "1200");
    EXPECT_EQ(form->CmbLEDBuzzer->currentText(), "Buzzer");
    EXPECT_TRUE(modals.take().empty());
    // (A write sends what the fields show: see WriteThenReadConfig.)

    // A flight computer that does not answer leaves the placeholders, and the window says so.
    fcsim::FaultModes silent;
    silent.silent = true;
    PtyPeer quiet({}, silent);
    auto unread = openForm(quiet.path());
    showAndWaitForTheRead(*unread);
    auto seen = modals.take();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(seen[0].exclamation);
    EXPECT_EQ(seen[0].text, "The flight computer on " + quiet.path() +
                                " is not answering.\nThe fields that were not read show the window's "
                                "placeholders, not the flight computer's settings.");
    EXPECT_EQ(unread->txtStageDelay->text(), "0.0");
    EXPECT_EQ(unread->txtMainAltitude->text(), "600");
    EXPECT_EQ(unread->txtAltVersion->text(), "---");
    // Only once: showing the window again reads nothing.
    unread->hide();
    unread->show();
    QApplication::processEvents();
    EXPECT_TRUE(modals.take().empty());
}

TEST_F(DeviceWindow, APortThatDoesNotOpenChangesNoControl) {
    auto form = openForm(testing::kMissingPort);
    form->cmbStageDetect->setEditText(
        QString::fromUtf8("Zündung \u03a9"));  // typed, beyond one byte a character
    form->CmbLEDBuzzer->setCurrentIndex(1);
    for (QPushButton* button : {form->cmdRead, form->cmdWrite}) {
        button->click();
        settle();
        auto seen = modals.take();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_TRUE(seen[0].exclamation);
        EXPECT_EQ(form->cmbStageDetect->currentText(), QString::fromUtf8("Zündung \u03a9"));
        EXPECT_EQ(form->CmbLEDBuzzer->currentText(), "Buzzer");
        EXPECT_EQ(form->txtAltVersion->text(), "---");
        EXPECT_EQ(form->ProgressBar1->value(), 0);
    }
}

TEST_F(DeviceWindow, LeavingANumberFieldChecksItsRange) {
    auto form = openForm(testing::kMissingPort);
    struct Case {
        bool delay;
        const char* text;
        const char* message;  // empty: accepted and kept as typed
    };
    const Case cases[] = {
        {true, "30", ""},
        {true, "1.50", ""},
        {true, "30.01", "Invalid Stage Delay: 30.01\nRange: 0.0 to 30.0"},
        {true, "soon", "Invalid Stage Delay: soon\nRange: 0.0 to 30.0"},
        {false, "200", ""},
        {false, "3000", ""},
        {false, "199", "Invalid Main Altitude: 199\nRange: 200 to 3000"},
        {false, "3001", "Invalid Main Altitude: 3001\nRange: 200 to 3000"},
        {false, "", "Invalid Main Altitude: \nRange: 200 to 3000"},
    };
    for (const Case& c : cases) {
        QLineEdit* field = c.delay ? form->txtStageDelay : form->txtMainAltitude;
        c.delay ? form->txtStageDelay_GotFocus() : form->txtMainAltitude_GotFocus();
        QString saved = field->text();
        field->setText(QString::fromLatin1(c.text));
        c.delay ? form->txtStageDelay_LostFocus() : form->txtMainAltitude_LostFocus();
        auto seen = modals.take();
        if (*c.message) {
            ASSERT_EQ(seen.size(), 1u) << c.text;
            EXPECT_EQ(seen[0].text, c.message);
            EXPECT_FALSE(seen[0].exclamation);
            EXPECT_EQ(field->text(), saved) << c.text;
        } else {
            EXPECT_TRUE(seen.empty()) << c.text;
            EXPECT_EQ(field->text(), c.text);
        }
    }
}

TEST_F(DeviceWindow, RealFocusChangesRunTheCheckAndWriteRefusesWhatWasNeverLeft) {
    PtyPeer peer;
    auto form = openForm(peer.path());
    showAndWaitForTheRead(*form);
    peer.takeReceived();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    form->txtMainAltitude->setFocus();
    form->txtMainAltitude->setText("150");
    form->cmdRead->setFocus();
    auto seen = modals.take();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, "Invalid Main Altitude: 150\nRange: 200 to 3000");
    EXPECT_EQ(form->txtMainAltitude->text(), "600");

    form->txtStageDelay->setText("45");  // focus never entered nor left the field
    form->cmdWrite_Click();
    EXPECT_EQ(modals.take().size(), 1u);
    EXPECT_EQ(form->txtStageDelay->text(), "0.0");
    EXPECT_EQ(peer.takeReceived(), "");
}

TEST_F(DeviceWindow, PollAppendsReadingsAndStopClosesThePort) {
    PtyPeer peer;
    auto form = openForm(peer.path());
    form->OptPollSensor[1]->setChecked(true);
    const int idle = openDescriptorsOn(peer.path());  // the peer's own hold on the line
    form->cmdPoll->click();
    EXPECT_EQ(form->cmdPoll->text(), "Stop");
    for (QPushButton* b : {form->cmdRead, form->cmdWrite, form->cmdReadContinuity, form->cmdClose,
                           form->cmdFireChannel[0], form->cmdFireChannel[1], form->cmdFireChannel[2]})
        EXPECT_FALSE(b->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return openDescriptorsOn(peer.path()) == idle + 1; }));
    form->OptPollSensor[0]->setChecked(true);  // no effect until the next Poll
    QTest::qWait(1400);
    form->cmdPoll->click();
    EXPECT_EQ(form->cmdPoll->text(), "Poll");
    settle();
    EXPECT_TRUE(form->cmdClose->isEnabled());
    EXPECT_EQ(openDescriptorsOn(peer.path()), idle);

    QStringList lines = form->txtSensorOutput->toPlainText().split('\n');
    EXPECT_EQ(lines[0], "Real-Time Barometric Values:");
    EXPECT_GE(lines.size(), 3);
    std::string expectedWire;
    for (int i = 1; i < lines.size(); ++i) expectedWire += "rb\r";  // one read per reading line
    EXPECT_EQ(peer.takeReceived(), expectedWire);
    EXPECT_TRUE(form->txtSensorOutput->textCursor().atEnd());

    // Stop leaves the readings; the next Poll starts over with the heading.
    QTest::qWait(600);
    EXPECT_EQ(form->txtSensorOutput->toPlainText().split('\n').size(), lines.size());
    form->cmdPoll->click();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return form->txtSensorOutput->toPlainText().startsWith("Real-Time Acceleration Values:"); }));
    form->cmdPoll->click();
    settle();
}

TEST_F(DeviceWindow, ReadingsKeepABoundedNumberOfLines) {
    auto form = openForm("COM1");
    form->txtSensorOutput->setPlainText("Real-Time Acceleration Values:");
    const int total = FrmConfigAltimeter::kMaxReadingLines + 5;
    for (int i = 0; i < total; ++i) form->appendReading(QString::number(i));
    QStringList lines = form->txtSensorOutput->toPlainText().split('\n');
    EXPECT_EQ(lines.size(), FrmConfigAltimeter::kMaxReadingLines + 1);
    EXPECT_EQ(lines.front(), "Real-Time Acceleration Values:");
    EXPECT_EQ(lines[1], "5");
    EXPECT_EQ(lines.back(), QString::number(total - 1));
    EXPECT_TRUE(form->txtSensorOutput->textCursor().atEnd());
}

TEST_F(DeviceWindow, ClosingStopsAPollAndWaitsForAnExchange) {
    PtyPeer peer;
    auto form = openForm(peer.path());
    const int idle = openDescriptorsOn(peer.path());
    form->cmdPoll->click();
    ASSERT_TRUE(form->isPolling());
    form->reject();  // Escape or the frame's close box
    EXPECT_FALSE(form->isPolling());
    settle();
    EXPECT_EQ(openDescriptorsOn(peer.path()), idle);

    // An exchange under way is not cut off: the window closes only once its outcome is told.
    fcsim::FaultModes silent;
    silent.silent = true;
    PtyPeer quiet({}, silent);
    auto reading = openForm(quiet.path());
    int closed = 0;
    QObject::connect(reading.get(), &QDialog::rejected, [&] { ++closed; });
    reading->cmdRead->click();
    reading->reject();
    EXPECT_EQ(closed, 0);
    settle();
    EXPECT_EQ(modals.take().size(), 1u);
    reading->reject();
    EXPECT_EQ(closed, 1);
}

TEST_F(DeviceWindow, PollOnAPortThatCannotOpenWaitsForStop) {
    auto form = openForm(testing::kMissingPort);
    form->cmdPoll->click();
    settle();
    auto seen = modals.take();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(seen[0].exclamation);
    EXPECT_EQ(form->cmdPoll->text(), "Stop");
    EXPECT_FALSE(form->cmdRead->isEnabled());
    QTest::qWait(600);  // ticks do nothing
    EXPECT_EQ(form->txtSensorOutput->toPlainText(), "");
    form->cmdPoll->click();
    EXPECT_EQ(form->cmdPoll->text(), "Poll");
    EXPECT_TRUE(form->cmdRead->isEnabled());
}

TEST_F(DeviceWindow, FireOnlyAfterTheUserConfirmsThenReadContinuity) {
    PtyPeer peer;
    peer.setContinuity({true, false, true});
    auto form = openForm(peer.path());
    // Cancel, Enter (Cancel is the default) and Escape-like refusals send nothing.
    modals.answers = {ModalDriver::Answer::Cancel, ModalDriver::Answer::Enter};
    form->cmdFireChannel[1]->click();
    form->cmdFireChannel[1]->click();
    auto questions = modals.takeQuestions();
    ASSERT_EQ(questions.size(), 2u);
    EXPECT_EQ(questions[0].text, "Fire output 2 now?");
    EXPECT_TRUE(questions[0].exclamation);
    EXPECT_EQ(peer.takeReceived(), "");
    EXPECT_EQ(form->shpContStatus[1]->fillColor(), FrmConfigAltimeter::kWhite);

    modals.answers = {ModalDriver::Answer::Accept};
    form->cmdFireChannel[1]->click();
    settle();
    EXPECT_EQ(modals.takeQuestions().size(), 1u);
    EXPECT_EQ(peer.takeReceived(), "w2\r");
    EXPECT_EQ(form->shpContStatus[1]->fillColor(), FrmConfigAltimeter::kRed);
    EXPECT_EQ(form->shpContStatus[1]->stateText(), "fired");

    form->cmdReadContinuity->click();
    settle();
    EXPECT_EQ(peer.takeReceived(), "r1\rr2\rr3\r");
    // Each circle says its state in words too, and names itself to screen readers.
    const std::pair<QColor, QString> expected[] = {{FrmConfigAltimeter::kGreen, "closed"},
                                                   {FrmConfigAltimeter::kWhite, "open"},
                                                   {FrmConfigAltimeter::kGreen, "closed"}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(form->shpContStatus[i]->fillColor(), expected[i].first) << i;
        EXPECT_EQ(form->shpContStatus[i]->stateText(), expected[i].second) << i;
        EXPECT_EQ(form->shpContStatus[i]->accessibleName(),
                  QString("Output %1: %2").arg(i + 1).arg(expected[i].second));
    }
    EXPECT_EQ(progress, (std::vector<int>{25, 50, 75, 90, 100, 0}));
    EXPECT_TRUE(modals.take().empty());
    EXPECT_TRUE(modals.takeQuestions().empty());

    // A test that could not reach the outputs calls none of them open.
    m_port = testing::kMissingPort;
    form->cmdReadContinuity->click();
    settle();
    EXPECT_EQ(modals.take().size(), 1u);
    for (StatusCircle* circle : form->shpContStatus) EXPECT_EQ(circle->stateText(), "");
}

TEST_F(DeviceWindow, EveryControlIsNamedAndTabGoesGroupByGroup) {
    PtyPeer peer;
    auto form = openForm(peer.path());
    showAndWaitForTheRead(*form);
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    for (QWidget* widget : form->findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(form.get()) || !(widget->focusPolicy() & Qt::TabFocus)) continue;
        if (qobject_cast<QComboBox*>(widget->parentWidget())) continue;  // the list's own text field
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
        ASSERT_NE(accessible, nullptr);
        EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty()) << widget->objectName().toStdString();
    }
    form->cmbStageDetect->setFocus();
    QStringList visited;
    for (int i = 0; i < 15; ++i) {
        QWidget* focused = QApplication::focusWidget();
        ASSERT_NE(focused, nullptr);
        // An editable list's text field stands for the list.
        if (qobject_cast<QComboBox*>(focused->parentWidget())) focused = focused->parentWidget();
        visited << focused->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    // The readings field passes Tab on instead of keeping the keyboard.
    EXPECT_EQ(visited, QStringList({"cmbStageDetect", "txtStageDelay", "txtMainAltitude", "CmbLEDBuzzer",
                                    "cmdRead", "cmdWrite", "OptPollSensor0", "cmdPoll", "txtSensorOutput",
                                    "cmdFireChannel0", "cmdFireChannel1", "cmdFireChannel2",
                                    "cmdReadContinuity", "cmdClose", "cmbStageDetect"}));
}

TEST_F(DeviceWindow, WhatTheFlightComputerDidNotSayIsToldNotShown) {
    fcsim::FaultModes silent;
    silent.silent = true;
    PtyPeer quiet({}, silent);
    const std::string notAnswering = "The flight computer on " + quiet.path() + " is not answering.";
    auto form = openForm(quiet.path());
    form->txtStageDelay->setText("2.5");
    auto toldOnce = [&](const std::string& text) {
        settle();
        auto seen = modals.take();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_TRUE(seen[0].exclamation);
        EXPECT_EQ(seen[0].text, text);
    };

    form->cmdRead->click();
    toldOnce(notAnswering);
    EXPECT_EQ(form->cmbStageDetect->currentText(), "Launch");  // not the second item of silence
    EXPECT_EQ(form->txtAltVersion->text(), "---");
    EXPECT_EQ(form->txtStageDelay->text(), "2.5");
    EXPECT_EQ(form->ProgressBar1->value(), 0);

    form->cmdReadContinuity->click();
    toldOnce(notAnswering);
    modals.answers = {ModalDriver::Answer::Accept};
    form->cmdFireChannel[0]->click();
    toldOnce(notAnswering);
    for (StatusCircle* circle : form->shpContStatus)
        EXPECT_EQ(circle->fillColor(), FrmConfigAltimeter::kWhite);

    // Polling stops at the first tick without a reading instead of listing blank lines.
    form->cmdPoll->click();
    QTest::qWait(1200);
    toldOnce(notAnswering);
    EXPECT_EQ(form->cmdPoll->text(), "Poll");
    EXPECT_TRUE(form->cmdRead->isEnabled());
    EXPECT_EQ(form->txtSensorOutput->toPlainText(), "Real-Time Acceleration Values:");

    fcsim::FaultModes refuse;
    refuse.refuseWrites = true;
    PtyPeer refusing({}, refuse);
    m_port = refusing.path();
    form->cmdWrite->click();
    toldOnce("The flight computer refused the setting Stage Detect: Launch");
    EXPECT_EQ(refusing.takeReceived(), "wg0\rrg\r");
    modals.answers = {ModalDriver::Answer::Accept};
    form->cmdFireChannel[2]->click();
    toldOnce("Output 3: the flight computer did not acknowledge the fire command");
    EXPECT_EQ(form->shpContStatus[2]->fillColor(), FrmConfigAltimeter::kWhite);
}

}  // namespace
}  // namespace tarvel::device
