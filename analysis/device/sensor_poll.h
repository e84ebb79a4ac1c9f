#pragma once
// Poll and Stop of the configuration window: one request on the device worker
// from Poll to Stop, which keeps the port open and reads the sensor every
// 500 ms. The window's Poll button shows Stop in every state but Idle.

#include <QObject>
#include <functional>
#include <string>

#include "device_operations.h"
#include "device_worker.h"

namespace tarvel::device {

class SensorPoll {
public:
    enum class State {
        Idle,        // nothing polled, the port closed
        Polling,     // the request runs: readings arrive
        PortFailed,  // the port did not open; Stop brings the window back
    };
    // Runs on the window's thread, while `context` lives.
    struct Handlers {
        std::function<void(Sensor sensor)> opened;  // the port opened: readings of `sensor` follow
        std::function<void(const std::string& reading)> reading;
        // The poll ended by itself (no port, no reply): what the user is told.
        std::function<void(const DeviceOutcome& outcome)> failed;
        std::function<void(State state)> changed;
    };

    SensorPoll(DeviceWorker& worker, QObject* context, Handlers handlers);
    State state() const { return m_state; }

    // Idle only: starts polling `sensor` on `port`. False, with the reason in
    // `error`, when the request could not start (the state stays Idle).
    bool start(const std::string& port, Sensor sensor, std::string& error);
    // Back to Idle: a running poll stops and closes its port at once.
    void stop();

private:
    void setState(State state);

    DeviceWorker& m_worker;
    QObject* m_context;
    Handlers m_handlers;
    State m_state = State::Idle;
};

}  // namespace tarvel::device
