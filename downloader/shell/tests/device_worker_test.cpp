// The device worker on its own thread: what it shows arrives on the window's
// thread in the order it was shown, a box mid-operation waits for its answer
// there, and a Rescue can be stopped.

#include "device_worker.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <atomic>
#include <fstream>

#include "link_test_support.h"
#include "memory_serial_line.h"
#include "qm40.h"

namespace vxoem {
namespace {

// The window's side: records each call and the thread it ran on.
class RecordingWindow final : public QObject, public Dialogs {
public:
    void listen(DeviceWorker& worker) {
        connect(&worker, &DeviceWorker::chipWindowTextSet, this,
                [this](const QString& text) { note("set " + text.toStdString()); });
        connect(&worker, &DeviceWorker::chipWindowTextAppended, this,
                [this](const QString& text) { note("add " + text.toStdString()); });
        connect(&worker, &DeviceWorker::progressRangeSet, this,
                [this](int, int maximum) { note("range " + std::to_string(maximum)); });
        connect(&worker, &DeviceWorker::progressValueSet, this,
                [this](int value) { note("value " + std::to_string(value)); });
    }
    void showMessage(const std::string& text, const std::string&, MessageIcon) override {
        note("box " + text);
    }
    bool confirm(const std::string& question) override {
        note("ask " + question);
        return false;
    }
    std::string chooseDownloadFile(const std::string&) override { return {}; }

    void note(const std::string& call) {
        calls.push_back(call);
        if (QThread::currentThread() != thread()) ++offThread;
    }
    std::vector<std::string> calls;
    int offThread = 0;
};

struct WorkerRig {
    // `clock` null: the steady clock.
    explicit WorkerRig(vx::MemorySerialLine::Peer peer, std::shared_ptr<vx::Clock> clock = {}) {
        auto owned = std::make_unique<vx::MemorySerialLine>(std::move(peer));
        line = owned.get();
        worker = std::make_unique<DeviceWorker>(
            window, window, nullptr, [](int) { return std::string("memory"); }, std::move(owned),
            std::move(clock));
        window.listen(*worker);
        worker->procedures().setChip(Chip::QM40);
        worker->procedures().setWorkDirectory(folder.path().toStdString());
        worker->startThread();
    }
    // Posts `request` and waits until it is done.
    bool run(std::function<void()> request, int timeoutMs = 5000) {
        QSignalSpy done(worker.get(), &DeviceWorker::requestDone);
        worker->post(std::move(request));
        // A short request may be done before the wait starts; what it showed
        // is then still queued for this thread.
        const bool finished = !done.isEmpty() || done.wait(timeoutMs);
        QCoreApplication::sendPostedEvents();
        return finished;
    }

    QTemporaryDir folder;
    RecordingWindow window;
    vx::MemorySerialLine* line = nullptr;
    std::unique_ptr<DeviceWorker> worker;
};

TEST(DeviceWorker, ShowsInOrderOnTheWindowThreadAndBoxesWaitThere) {
    qm40sim::Qm40 chip;
    bool answering = true;
    WorkerRig rig([&](uint8_t byte) { return answering ? chip.receive(byte) : vx::Bytes{}; },
                  std::make_shared<vxtest::FakeClock>());
    const std::string image = rig.folder.filePath("blink.vxb").toStdString();
    std::ofstream(image, std::ios::binary) << std::string(300, '\x5A');
    rig.worker->procedures().setDownloadFilePath(image);

    ASSERT_TRUE(rig.run([&] { rig.worker->procedures().cmdDownload_Click(); }));
    EXPECT_EQ(rig.window.calls, (std::vector<std::string>{"set \nOpening file: " + image + "\n", "range 300",
                                                          "add \nDownloading File\n",
                                                          "add \nFinished Downloading", "value 0"}));
    EXPECT_TRUE(rig.worker->procedures().downloadSucceeded());

    // A chip that stops answering: the box is shown on the window's thread
    // before the procedure goes on to say how the download ended.
    rig.window.calls.clear();
    answering = false;
    ASSERT_TRUE(rig.run([&] { rig.worker->procedures().cmdDownload_Click(); }));
    ASSERT_GE(rig.window.calls.size(), 2u);
    EXPECT_EQ(rig.window.calls[rig.window.calls.size() - 2], "box Error halting QM-40");
    EXPECT_EQ(rig.window.calls.back(), "add \nDownload failed: Error halting QM-40");
    EXPECT_EQ(rig.window.offThread, 0);
}

TEST(DeviceWorker, CancelEndsARescueBeforeItsTenSecondsWithoutABox) {
    WorkerRig rig({});
    QSignalSpy done(rig.worker.get(), &DeviceWorker::requestDone);
    QElapsedTimer clock;
    clock.start();
    rig.worker->post([&] { rig.worker->procedures().qm40res_Click(); });
    QTest::qWait(100);
    EXPECT_EQ(done.count(), 0) << "the rescue waits ten seconds unless stopped";
    rig.worker->cancel();
    ASSERT_TRUE(!done.isEmpty() || done.wait(2000));
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_TRUE(rig.worker->VX().link().rescueStopped());
    EXPECT_GT(rig.line->dtrPulses, 0);
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(rig.window.calls.empty()) << "a stopped Rescue is no failure to tell";
    EXPECT_FALSE(rig.worker->VX().PortOpen()) << "the port was given back";

    // The next request starts afresh: not cancelled by the earlier stop.
    bool ran = false;
    ASSERT_TRUE(rig.run([&] { ran = !rig.worker->VX().link().halted(); }));
    EXPECT_TRUE(ran);
}

TEST(DeviceWorker, GoesAwayWhileItsRequestWaitsForABox) {
    auto rig = std::make_unique<WorkerRig>(vx::MemorySerialLine::Peer{});
    std::atomic<bool> asked = false;
    rig->worker->post([&] {
        asked = true;
        rig->worker->ui().showMessage("Error halting QM-40", {}, MessageIcon::None);
    });
    while (!asked) QThread::msleep(1);
    // The window's thread never turns to the box: the worker must not wait for it.
    QElapsedTimer clock;
    clock.start();
    rig->worker.reset();
    EXPECT_LT(clock.elapsed(), 1000);
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(rig->window.calls.empty()) << "an abandoned box is not shown later";
}

}  // namespace
}  // namespace vxoem
