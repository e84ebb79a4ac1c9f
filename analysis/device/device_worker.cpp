#include "device_worker.h"

#include <utility>

namespace tarvel::device {

DeviceWorker::DeviceWorker(Declares& declares, QObject* parent)
    : QObject(parent), m_declares(declares), m_runner(new QObject) {
    m_thread.setObjectName(QStringLiteral("flight computer"));
    m_runner->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_runner, &QObject::deleteLater);
    m_thread.start();
}

DeviceWorker::~DeviceWorker() {
    cancel();
    m_thread.quit();
    m_thread.wait();
}

bool DeviceWorker::startWork(QObject* context, std::initializer_list<FltportEntry> entries, Work work,
                             std::function<void()> done, std::string& error) {
    if (m_busy) {
        error = "The flight computer is busy with another command.";
        return false;
    }
    BindResult bound = m_declares.bind(entries);
    if (!bound) {
        error = bound.error;
        return false;
    }
    m_busy = true;
    m_context = context;
    m_done = std::move(done);
    m_control = std::make_unique<DeviceControl>(*bound.api);
    emit busyChanged(true);
    QMetaObject::invokeMethod(
        m_runner,
        [this, api = bound.api, control = m_control.get(), work = std::move(work)] {
            work(*api, *control);
            QMetaObject::invokeMethod(this, &DeviceWorker::finish, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
    return true;
}

void DeviceWorker::post(std::function<void()> call) {
    QMetaObject::invokeMethod(
        this,
        [this, call = std::move(call)] {
            if (m_context) call();
        },
        Qt::QueuedConnection);
}

void DeviceWorker::cancel() {
    if (m_busy && m_control) m_control->stop();
}

void DeviceWorker::finish() {
    // The port is free again before the result runs, so the result may start the next request.
    m_busy = false;
    m_control.reset();
    const std::function<void()> done = std::exchange(m_done, {});
    if (m_context && done) done();
    if (!m_busy) emit busyChanged(false);
}

}  // namespace tarvel::device
