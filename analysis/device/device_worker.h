#pragma once
// The window program's one owner of the flight computer's port. Requests run
// one at a time on a thread of its own, over the serial-link library bound in
// main(); what a request reports reaches the window's thread as queued calls,
// its result last, so the window never waits on the line. The exchanges are
// the plain functions of device_operations.h, which the command line runs on
// its own thread.

#include <QObject>
#include <QPointer>
#include <QThread>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>

#include "declares.h"
#include "device_operations.h"

namespace tarvel::device {

class DeviceWorker : public QObject {
    Q_OBJECT
public:
    // `declares` must outlive the worker.
    explicit DeviceWorker(Declares& declares, QObject* parent = nullptr);
    // Stops a running request and waits for it to end.
    ~DeviceWorker() override;
    DeviceWorker(const DeviceWorker&) = delete;
    DeviceWorker& operator=(const DeviceWorker&) = delete;

    Declares& declares() const { return m_declares; }
    // From start() until its result has run.
    bool isBusy() const { return m_busy; }

    // Binds `entries` and starts a request: `work` runs on the worker's thread
    // with the bound library and the request's control (stop and progress);
    // `done` then gets its value on the window's thread. `done`, and every call
    // the work sends with post(), runs only while `context` lives. False, with
    // the reason in `error`, when the library or an entry is missing (or a
    // request is still running): then nothing started.
    template <typename Value>
    bool start(QObject* context, std::initializer_list<FltportEntry> entries,
               std::function<Value(const FltportApi& api, DeviceControl& control)> work,
               std::function<void(Value& value)> done, std::string& error) {
        // Written by the work before its end is queued, read by `done` after.
        auto value = std::make_shared<std::optional<Value>>();
        return startWork(
            context, entries,
            [work = std::move(work), value](const FltportApi& api, DeviceControl& control) {
                value->emplace(work(api, control));
            },
            [done = std::move(done), value] { done(**value); }, error);
    }
    // From a running request's work: runs `call` on the window's thread, in order.
    void post(std::function<void()> call);
    // Asks the running request to stop; nothing when none runs. A download
    // ends within about 100 ms, a poll at its next wait.
    void cancel();

signals:
    // Once as a request starts, once after its result has run.
    void busyChanged(bool busy);

private:
    using Work = std::function<void(const FltportApi& api, DeviceControl& control)>;
    bool startWork(QObject* context, std::initializer_list<FltportEntry> entries, Work work,
                   std::function<void()> done, std::string& error);
    void finish();

    Declares& m_declares;
    QThread m_thread;
    QObject* m_runner = nullptr;  // lives on m_thread
    bool m_busy = false;
    QPointer<QObject> m_context;
    std::function<void()> m_done;  // window thread only
    std::unique_ptr<DeviceControl> m_control;
};

}  // namespace tarvel::device
