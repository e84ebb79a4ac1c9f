// The main window's "&Download Data..." and "Configure Altimeter" served by
// the device commands, with the window's dialogs answered by the test.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <set>

#include "codec/raw_flight.h"
#include "device_operations.h"
#include "dialogs.h"
#include "fcsim_process.h"
#include "flight_analysis.h"
#include "flights_window.h"
#include "fltport_device_commands.h"
#include "frm_config_altimeter.h"
#include "logbook_model.h"
#include "main_window.h"
#include "pty_peer.h"
#include "test_support.h"
#include "user_preferences.h"

namespace tarvel::device {
namespace {

using testing::PtyPeer;

class AnsweredDialogs : public Dialogs {
public:
    struct Message {
        std::string text;
        Icon icon;
    };
    std::vector<Message> messages;
    std::deque<std::function<void(QDialog&)>> modalScripts;
    std::deque<Choice> answers;  // Cancel when none is left
    std::vector<std::string> questions;
    size_t offers = 0;  // questions asked as the offer after a clean command

    std::optional<QString> openFile(QWidget*, const QString&, const QString&) override {
        return std::nullopt;
    }
    std::optional<QString> saveFile(QWidget*, const QString&, const QString&) override {
        return std::nullopt;
    }
    void message(QWidget*, const QString& text, Icon icon) override {
        messages.push_back({text.toStdString(), icon});
    }
    bool choosePrinter(QWidget*, QPrinter&) override { return false; }
    Choice ask(QWidget*, const QString& text, std::initializer_list<Choice>) override {
        questions.push_back(text.toStdString());
        if (answers.empty()) return Choice::Cancel;
        const Choice answer = answers.front();
        answers.pop_front();
        return answer;
    }
    Choice offer(QWidget* parent, const QString& text, Choice accept) override {
        ++offers;
        return ask(parent, text, {accept, Choice::Cancel});
    }
    int runModal(QDialog& dialog) override {
        if (modalScripts.empty()) return QDialog::Rejected;  // never left waiting
        auto script = std::move(modalScripts.front());
        modalScripts.pop_front();
        script(dialog);
        return dialog.result();
    }
};

const std::string kOfferAfterThree =
    "Uploaded files: 3\nOpen downloaded file(s) by clicking on the File->Open menu.\n\n"
    "Written by this download:\n    tmprecord0.rcd\n    tmprecord1.rcd\n    tmprecord2.rcd\n\n"
    "Open the first downloaded flight, tmprecord0.rcd, now?";

// A device command runs on the worker: waits until it has ended and told its outcome.
void settleDevice(const MainWindow& window) {
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.deviceBusy(); }, 20000));
}

class MainWindowDevice : public ::testing::Test {
protected:
    void SetUp() override {
        testing::boundApi();
        window = std::make_unique<MainWindow>(dialogs, TarvelSettings(settingsDir.path().toStdString()));
        window->setDeviceCommands(&commands);
    }
    bool enabled(const char* action) const { return window->action(action)->isEnabled(); }
    // A device command runs on the worker: waits until it has ended and told its outcome.
    void trigger(const char* action) {
        window->action(action)->trigger();
        settleDevice(*window);
    }

    testing::ScratchDirectory scratch;
    QTemporaryDir settingsDir;
    AnsweredDialogs dialogs;
    FltportDeviceCommands commands{testing::library(), std::string(kRecordPrefix)};
    std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowDevice, DownloadEnablesTheRecordCommandsOnlyWhenFlightsArrive) {
    window->analysis().Comport = testing::kMissingPort;
    trigger("mnuConnectUploadData");
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Unable to open communtications port " + testing::kMissingPort);
    EXPECT_EQ(dialogs.messages[0].icon, Dialogs::Icon::Exclamation);

    PtyPeer empty;
    window->analysis().Comport = empty.path();
    trigger("mnuConnectUploadData");
    EXPECT_EQ(dialogs.messages.back().text.substr(0, 18), "Uploaded files: 0\n");
    for (const char* name : {"mnuFileSave", "mnuFilePrint", "mnuRecalc"}) EXPECT_FALSE(enabled(name)) << name;

    PtyPeer peer({testing::smallFlight(5, 1), testing::smallFlight(6, 2), testing::smallFlight(7, 3)});
    window->analysis().Comport = peer.path();  // read at the moment the port opens
    trigger("mnuConnectUploadData");
    // The final message offers the first flight; Cancel leaves it to File, Open.
    EXPECT_EQ(dialogs.questions.back(), kOfferAfterThree);
    EXPECT_FALSE(window->analysis().bValidFile);
    // "&Recalculate" is enabled too but stays hidden, and a hidden action reports itself disabled.
    for (const char* name : {"mnuFileSave", "mnuFilePrint"}) EXPECT_TRUE(enabled(name)) << name;
    EXPECT_FALSE(enabled("mnuFileSaveAs"));  // only an Open enables the rest
    EXPECT_FALSE(window->testAttribute(Qt::WA_SetCursor) && window->cursor().shape() == Qt::WaitCursor);

    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(window->openRecordFile(QString("tmprecord%1.rcd").arg(i)));
        EXPECT_EQ(window->analysis().samples.SampleCount, 5 + i);
    }
}

TEST_F(MainWindowDevice, DownloadAsksBeforeReplacingRecordFiles) {
    std::ofstream("tmprecord1.rcd") << "keep me";
    std::ofstream("tmprecord.rcd") << "not a download's name";
    std::ofstream("tmprecord01.rcd") << "nor this";
    PtyPeer peer({testing::smallFlight(5, 1), testing::smallFlight(6, 2)});
    window->analysis().Comport = peer.path();

    trigger("mnuConnectUploadData");  // Cancel: nothing is downloaded
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_NE(dialogs.questions[0].find("tmprecord1.rcd"), std::string::npos) << dialogs.questions[0];
    EXPECT_EQ(dialogs.questions[0].find("tmprecord.rcd"), std::string::npos);
    EXPECT_EQ(dialogs.questions[0].find("tmprecord01.rcd"), std::string::npos);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_FALSE(std::filesystem::exists("tmprecord0.rcd"));
    EXPECT_TRUE(peer.takeReceived().empty());

    // Replace, then Open: the first downloaded flight is opened at once.
    dialogs.answers = {Dialogs::Choice::Replace, Dialogs::Choice::Open};
    trigger("mnuConnectUploadData");
    ASSERT_EQ(dialogs.questions.size(), 3u);
    EXPECT_NE(dialogs.questions[2].find("Uploaded files: 2\n"), std::string::npos);
    ASSERT_EQ(dialogs.messages.size(), 1u);  // 5 samples are too few for the figures, and it says so
    EXPECT_NE(dialogs.messages[0].text.find("holds 5 samples"), std::string::npos);
    EXPECT_TRUE(window->analysis().bValidFile);
    EXPECT_EQ(window->analysis().samples.SampleCount, 5);
    EXPECT_EQ(std::filesystem::path(window->analysis().CurOpenFileName),
              std::filesystem::absolute("tmprecord0.rcd"));
    EXPECT_TRUE(window->openRecordFile("tmprecord1.rcd"));
    EXPECT_EQ(window->analysis().samples.SampleCount, 6);

    // Unsaved edits come first: Cancel there stops the download before it asks about files.
    window->notesEdit()->setPlainText("edited");
    trigger("mnuConnectUploadData");
    EXPECT_EQ(dialogs.questions.size(), 4u);
    EXPECT_NE(dialogs.questions.back().find("not been saved"), std::string::npos);
}

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

int samplesOf(const std::string& path) {
    auto analysis = std::make_unique<FlightAnalysis>();
    bool opened = false;  // a flight this short opens, with a note that it has no figures
    analysis->openRecordFile(path, &opened);
    return opened ? analysis->samples.SampleCount : -1;
}

int samplesShown(const QString& progressText) {
    const auto match = QRegularExpression("Samples: (\\d+)").match(progressText);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

TEST_F(MainWindowDevice, PacedDownloadKeepsTheWindowServedAndCountsWhatArrives) {
    const std::vector<fltport::RawFlight> flights = {testing::smallFlight(150, 1),
                                                     testing::smallFlight(200, 2)};
    std::ofstream("flights.txt") << fltport::formatRawFlights(flights);
    fcsim::FcsimProcess simulator({"--pace", "flights.txt"});  // about 3 s at 19200 baud
    ASSERT_TRUE(simulator.started());
    window->analysis().Comport = simulator.path();
    window->resize(1024, 768);
    window->show();

    // Watches the window from its own event loop while the transfer runs.
    int ticks = 0;
    bool otherCommandsWaited = true;
    std::vector<QString> progressTexts;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        ++ticks;
        // Only while the transfer holds the port: a tick in the same pass of the
        // event loop as its end sees the commands enabled again, rightly.
        for (const char* name :
             {"mnuConnectUploadData", "mnuConnectUploadFirmware", "mnuConfigurationAltimeter"})
            otherCommandsWaited = otherCommandsWaited && (!window->deviceBusy() || !enabled(name));
        if (auto* progress = window->findChild<QProgressDialog*>(); progress && progress->isVisible())
            progressTexts.push_back(progress->labelText());
        if (ticks == 5) window->close();                       // asks; Cancel lets the transfer go on
        if (ticks == 6) window->mnuConnectUploadData_Click();  // no second transfer meanwhile
    });
    probe.start(50);
    trigger("mnuConnectUploadData");
    probe.stop();

    EXPECT_GT(ticks, 20);
    EXPECT_TRUE(otherCommandsWaited);
    ASSERT_FALSE(progressTexts.empty());
    EXPECT_TRUE(progressTexts.front().startsWith("Downloading the flights from the flight computer..."));
    std::set<int> counts;
    for (const QString& text : progressTexts) counts.insert(samplesShown(text));
    EXPECT_GE(counts.size(), 4u) << "the sample count should grow while the flights arrive";
    EXPECT_TRUE(std::any_of(progressTexts.begin(), progressTexts.end(),
                            [](const QString& text) { return text.contains("Flights: 2"); }));
    EXPECT_LE(*counts.rbegin(), 350);

    // Afterwards everything as the command always did it; the window stays, as answered.
    EXPECT_TRUE(dialogs.messages.empty());
    ASSERT_EQ(dialogs.questions.size(), 2u);
    EXPECT_NE(dialogs.questions[0].find("Stop it and exit?"), std::string::npos);
    EXPECT_EQ(dialogs.questions[1].substr(0, 18), "Uploaded files: 2\n");
    EXPECT_EQ(dialogs.offers, 1u);
    for (const char* name :
         {"mnuFileSave", "mnuFilePrint", "mnuConnectUploadData", "mnuConfigurationAltimeter"})
        EXPECT_TRUE(enabled(name)) << name;
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->findChild<QProgressDialog*>(), nullptr);

    // The files are those a download on the caller's own thread writes.
    PtyPeer peer(flights);
    ASSERT_TRUE(downloadFlights(testing::boundApi(), peer.path(), {"direct"}).complete());
    for (int i = 0; i < 2; ++i) {
        const std::string name = "tmprecord" + std::to_string(i) + ".rcd";
        EXPECT_EQ(fileText(name), fileText("direct" + std::to_string(i) + ".rcd")) << name;
    }
}

// A paced transfer of a short flight and a long one (about 6 s at 19200 baud),
// stopped by `stop` once the first flight is in.
struct StoppedDownload {
    std::chrono::milliseconds afterStop{-1};
    bool commandsBack = false;
};
StoppedDownload stopLongDownload(MainWindow& window, const std::function<void()>& stop) {
    std::ofstream("flights.txt") << fltport::formatRawFlights(
        {testing::smallFlight(5, 1), testing::smallFlight(600, 2)});
    fcsim::FcsimProcess simulator({"--pace", "flights.txt"});
    EXPECT_TRUE(simulator.started());
    window.analysis().Comport = simulator.path();
    window.show();
    StoppedDownload result;
    std::chrono::steady_clock::time_point stoppedAt{};
    int ticks = 0;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (ticks < 0) return;
        // Once the second flight is on its way in the download's working folder.
        for (const auto& entry : std::filesystem::directory_iterator("."))
            if (entry.is_directory() && std::filesystem::exists(entry.path() / "tmprecord1-partial.rcd"))
                ++ticks;
        if (ticks < 2) return;
        ticks = -1;
        stoppedAt = std::chrono::steady_clock::now();
        stop();
    });
    probe.start(50);
    window.action("mnuConnectUploadData")->trigger();
    settleDevice(window);
    result.afterStop =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - stoppedAt);
    result.commandsBack = window.action("mnuConnectUploadData")->isEnabled();
    return result;
}

TEST_F(MainWindowDevice, CancelInTheProgressDialogStopsTheTransferAndKeepsTheCompleteFlight) {
    const StoppedDownload run = stopLongDownload(*window, [this] {
        auto* progress = window->findChild<QProgressDialog*>("dlgDownloadProgress");
        ASSERT_NE(progress, nullptr);
        ASSERT_TRUE(progress->isVisible());
        progress->close();  // the title-bar button: the same as Cancel
    });
    EXPECT_LT(run.afterStop, std::chrono::milliseconds(1000));
    EXPECT_TRUE(run.commandsBack);
    EXPECT_TRUE(window->isVisible());
    ASSERT_EQ(dialogs.questions.size(), 1u);  // the file written is offered, but not as a clean download
    EXPECT_EQ(dialogs.offers, 0u);
    const std::string& told = dialogs.questions[0];
    EXPECT_EQ(told.substr(0, 18), "Uploaded files: 1\n");
    EXPECT_NE(told.find("Written by this download:\n    tmprecord0.rcd\n"), std::string::npos) << told;
    EXPECT_NE(told.find("The download was stopped before its end"), std::string::npos) << told;
    EXPECT_NE(told.find("tmprecord1-partial.rcd holds only part of a flight."), std::string::npos) << told;
    EXPECT_EQ(samplesOf("tmprecord0.rcd"), 5);
    EXPECT_GT(samplesOf("tmprecord1-partial.rcd"), 0);
    EXPECT_FALSE(std::filesystem::exists("tmprecord1.rcd"));
    // Nothing else is left in the folder: the working folder is gone.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), {}), 3);  // and flights.txt
}

TEST_F(MainWindowDevice, ADownloadNamesTheLoggedFlightsOfTheSameSamples) {
    const std::filesystem::path logbook = scratch.path() / "logbook";
    std::filesystem::create_directories(logbook);
    UserPreferences().setLogbookFolders({QString::fromStdString(logbook.string())});
    {
        PtyPeer peer({testing::smallFlight(5, 1), testing::smallFlight(6, 2)});
        window->analysis().Comport = peer.path();
        trigger("mnuConnectUploadData");
    }
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_EQ(dialogs.questions[0].find("in the logbook"), std::string::npos) << dialogs.questions[0];

    // The second flight was logged under a name of the user's; the same download again names it.
    std::filesystem::copy_file("tmprecord1.rcd", logbook / "kept.rcd");
    dialogs.answers = {Dialogs::Choice::Replace};
    {
        PtyPeer peer({testing::smallFlight(5, 1), testing::smallFlight(6, 2)});
        window->analysis().Comport = peer.path();
        trigger("mnuConnectUploadData");
    }
    ASSERT_EQ(dialogs.questions.size(), 3u);
    const std::string kept = std::filesystem::canonical(logbook / "kept.rcd").string();
    EXPECT_NE(dialogs.questions[2].find("Uploaded files: 2\n"), std::string::npos);
    EXPECT_NE(dialogs.questions[2].find("    tmprecord1.rcd\n\ntmprecord1.rcd has the same samples as " +
                                        kept + " in the logbook.\n\nOpen the first downloaded flight"),
              std::string::npos)
        << dialogs.questions[2];
    EXPECT_EQ(dialogs.questions[2].find("tmprecord0.rcd has"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists("tmprecord1.rcd"));  // written as the download names it

    // The Flights window marks the logged flight.
    window->action("mnuFileFlights")->trigger();
    FlightsWindow* flights = window->flightsWindow();
    ASSERT_TRUE(QTest::qWaitFor([flights] { return !flights->scanning(); }, 5000));
    const logbook::LogbookModel& model = *flights->model();
    ASSERT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.index(0, int(logbook::Column::SameSamples)).data().toString(),
              "tmprecord1.rcd (downloaded)");
    UserPreferences().setLogbookFolders({});
}

TEST_F(MainWindowDevice, ExitDuringADownloadAsksThenStopsItAndCloses) {
    dialogs.answers = {Dialogs::Choice::StopAndExit};
    const StoppedDownload run =
        stopLongDownload(*window, [this] { window->action("mnuFileExit")->trigger(); });
    EXPECT_LT(run.afterStop, std::chrono::milliseconds(1000));
    ASSERT_EQ(dialogs.questions.size(), 2u);
    EXPECT_EQ(
        dialogs.questions[0],
        "A download from the flight computer is running.\nStop it and exit? The flights downloaded whole "
        "are kept.");
    EXPECT_NE(dialogs.questions[1].find("The download was stopped before its end"), std::string::npos);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(samplesOf("tmprecord0.rcd"), 5);
}

TEST_F(MainWindowDevice, ConfigureAltimeterOpensAFreshWindowOnTheCurrentPort) {
    PtyPeer peer;
    peer.setSetting('m', "1200");
    window->analysis().Comport = peer.path();
    const auto settleForm = [this] {
        ASSERT_TRUE(QTest::qWaitFor([&] { return !commands.worker().isBusy(); }));
    };
    bool scripted = false;
    dialogs.modalScripts.push_back([&](QDialog& dialog) {
        auto* form = qobject_cast<FrmConfigAltimeter*>(&dialog);
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(form->windowTitle(), "Configure Altimeter");
        form->cmdRead->click();
        settleForm();
        EXPECT_EQ(form->txtMainAltitude->text(), "1200");
        // Fire asks through the window's own question box.
        peer.takeReceived();
        dialogs.answers = {Dialogs::Choice::Fire};
        form->cmdFireChannel[0]->click();
        settleForm();
        EXPECT_EQ(dialogs.questions.back(), "Fire output 1 now?");
        EXPECT_EQ(peer.takeReceived(), "w1\r");
        form->cmdClose->click();
        scripted = true;
    });
    dialogs.modalScripts.push_back([&](QDialog& dialog) {
        auto* form = qobject_cast<FrmConfigAltimeter*>(&dialog);
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(form->txtMainAltitude->text(), "600");  // nothing survives closing
        form->cmdClose->click();
    });
    window->action("mnuConfigurationAltimeter")->trigger();
    window->action("mnuConfigurationAltimeter")->trigger();
    EXPECT_TRUE(scripted);
    EXPECT_TRUE(dialogs.modalScripts.empty());
    EXPECT_TRUE(dialogs.messages.empty());
}

}  // namespace
}  // namespace tarvel::device
