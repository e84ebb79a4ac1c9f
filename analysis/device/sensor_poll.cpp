#include "sensor_poll.h"

namespace tarvel::device {

SensorPoll::SensorPoll(DeviceWorker& worker, QObject* context, Handlers handlers)
    : m_worker(worker), m_context(context), m_handlers(std::move(handlers)) {}

void SensorPoll::setState(State state) {
    if (m_state == state) return;
    m_state = state;
    if (m_handlers.changed) m_handlers.changed(state);
}

bool SensorPoll::start(const std::string& port, Sensor sensor, std::string& error) {
    if (m_state != State::Idle) return false;
    // The work may outlive this object (the window closed meanwhile): it reaches
    // only the worker, and `this` only in calls that run while the window lives.
    const auto work = [this, &worker = m_worker, port, sensor](const FltportApi& api,
                                                               DeviceControl& control) {
        return pollSensor(
            api, port, sensor, 0, control,
            [this, &worker](const std::string& value) {
                // Also a reading that arrives just after Stop: it was read.
                worker.post([this, value] {
                    if (m_handlers.reading) m_handlers.reading(value);
                });
            },
            [this, &worker, sensor] {
                worker.post([this, sensor] {
                    if (m_state == State::Polling && m_handlers.opened) m_handlers.opened(sensor);
                });
            });
    };
    const auto done = [this](DeviceOutcome& outcome) {
        // Stopped by the user: already Idle, nothing to tell.
        if (m_state != State::Polling || outcome) {
            setState(State::Idle);
            return;
        }
        setState(outcome.status == DeviceStatus::PortFailed ? State::PortFailed : State::Idle);
        if (m_handlers.failed) m_handlers.failed(outcome);
    };
    if (!m_worker.start<DeviceOutcome>(
            m_context,
            {FltportEntry::InitComport, FltportEntry::ReadConfigCommand, FltportEntry::CloseComport}, work,
            done, error))
        return false;
    setState(State::Polling);
    return true;
}

void SensorPoll::stop() {
    if (m_state == State::Polling) m_worker.cancel();
    setState(State::Idle);
}

}  // namespace tarvel::device
