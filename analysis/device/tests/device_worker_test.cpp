// The device worker: what a request reports arrives on the window's thread in
// order and before its result, nothing arrives once the window is gone, Stop
// ends a waiting request, and a second request waits for the first.

#include "device_worker.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QThread>
#include <chrono>
#include <memory>
#include <vector>

#include "test_support.h"

namespace tarvel::device {
namespace {

constexpr std::initializer_list<FltportEntry> kPortEntries = {FltportEntry::InitComport,
                                                              FltportEntry::CloseComport};

struct Seen {
    std::vector<int> posts;
    int result = -1;
    std::vector<bool> busy;
    bool postedOnWindowThread = true;
};

TEST(DeviceWorker, ReportsInOrderThenTheResultAndRefusesASecondRequestMeanwhile) {
    DeviceWorker worker(testing::library());
    QObject window;
    Seen seen;
    QObject::connect(&worker, &DeviceWorker::busyChanged, [&](bool busy) { seen.busy.push_back(busy); });
    QThread* const windowThread = QThread::currentThread();
    std::string error;
    ASSERT_TRUE(worker.start<int>(
        &window, kPortEntries,
        [&worker, &seen, windowThread](const FltportApi&, DeviceControl&) {
            for (int i = 0; i < 200; ++i)
                worker.post([&seen, i, windowThread] {
                    seen.postedOnWindowThread &= QThread::currentThread() == windowThread;
                    seen.posts.push_back(i);
                });
            return 200;
        },
        [&seen](int& value) { seen.result = static_cast<int>(seen.posts.size()) == value ? value : -2; },
        error))
        << error;
    EXPECT_TRUE(worker.isBusy());
    EXPECT_FALSE(worker.start<int>(
        &window, kPortEntries, [](const FltportApi&, DeviceControl&) { return 0; }, [](int&) {}, error));
    EXPECT_EQ(error, "The flight computer is busy with another command.");

    ASSERT_TRUE(QTest::qWaitFor([&] { return !worker.isBusy(); }));
    EXPECT_EQ(seen.result, 200);  // every report came before the result
    for (int i = 0; i < 200; ++i) ASSERT_EQ(seen.posts[static_cast<size_t>(i)], i);
    EXPECT_TRUE(seen.postedOnWindowThread);
    EXPECT_EQ(seen.busy, (std::vector<bool>{true, false}));
}

TEST(DeviceWorker, StopEndsAWaitingRequestAndAGoneWindowHearsNothing) {
    DeviceWorker worker(testing::library());
    auto window = std::make_unique<QObject>();
    bool heard = false;
    std::string error;
    ASSERT_TRUE(worker.start<bool>(
        window.get(), kPortEntries,
        [&worker, &heard](const FltportApi&, DeviceControl& control) {
            const bool stopped = control.waitUnlessStopped(10000);
            worker.post([&heard] { heard = true; });
            return stopped;
        },
        [&heard](bool&) { heard = true; }, error))
        << error;
    const auto stoppedAt = std::chrono::steady_clock::now();
    window.reset();
    worker.cancel();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !worker.isBusy(); }));
    EXPECT_LT(std::chrono::steady_clock::now() - stoppedAt, std::chrono::seconds(1));
    EXPECT_FALSE(heard);

    // A library that cannot be bound starts nothing, and says why.
    Declares absent("libfltport_absent.so", executableDirectory());
    DeviceWorker unbound(absent);
    EXPECT_FALSE(unbound.start<int>(
        nullptr, kPortEntries, [](const FltportApi&, DeviceControl&) { return 0; }, [](int&) {}, error));
    EXPECT_NE(error.find("libfltport_absent.so"), std::string::npos) << error;
    EXPECT_FALSE(unbound.isBusy());
}

}  // namespace
}  // namespace tarvel::device
