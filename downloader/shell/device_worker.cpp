#include "device_worker.h"

#include <chrono>
#include <future>
#include <mutex>
#include <type_traits>

#include "qt_serial_line.h"

namespace vxoem {

DeviceWorker::DeviceWorker(QObject& window, Dialogs& dialogs, TerminalPort* terminal,
                           vx::ChipLink::DeviceOfPort deviceOfPort, std::unique_ptr<vx::SerialLine> line,
                           std::shared_ptr<vx::Clock> clock)
    : m_window(window),
      m_dialogs(dialogs),
      m_terminal(terminal),
      m_line(line ? std::move(line) : std::make_unique<vx::QtSerialLine>()),
      m_VX(*m_line, std::move(deviceOfPort), {}, std::move(clock)),
      m_reporter(*this),
      m_procedures(m_VX, m_reporter, *this, terminal ? this : nullptr) {
    m_thread.setObjectName("device worker");
    m_VX.link().setCancelCheck([this] { return m_cancelled.load(); });
}

DeviceWorker::~DeviceWorker() {
    m_closing = true;
    m_cancelled = true;
    m_thread.quit();
    m_thread.wait();
}

void DeviceWorker::startThread() {
    if (m_thread.isRunning()) return;
    if (auto* port = dynamic_cast<vx::QtSerialLine*>(m_line.get())) port->moveToThread(&m_thread);
    moveToThread(&m_thread);
    m_thread.start();
}

void DeviceWorker::post(std::function<void()> request) {
    auto run = [this, request = std::move(request)] {
        m_cancelled = false;
        request();
        emit requestDone();
    };
    if (!m_thread.isRunning()) {
        run();
        return;
    }
    QMetaObject::invokeMethod(this, std::move(run), Qt::QueuedConnection);
}

namespace {

// A question handed to the window's thread; once abandoned it is not asked.
struct Pending {
    std::mutex mutex;
    bool abandoned = false;
};

}  // namespace

template <typename Call>
auto DeviceWorker::ask(Call call) const {
    using Answer = std::invoke_result_t<Call>;
    if (QThread::currentThread() == m_window.thread()) return call();
    auto task = std::make_shared<std::packaged_task<Answer()>>(std::move(call));
    auto pending = std::make_shared<Pending>();
    std::future<Answer> answer = task->get_future();
    QMetaObject::invokeMethod(
        &m_window,
        [task, pending] {
            const std::lock_guard lock(pending->mutex);
            if (!pending->abandoned) (*task)();
        },
        Qt::QueuedConnection);
    // A window that is going away answers nothing: the question is dropped,
    // and the request goes on with the answer nobody gave.
    while (answer.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready) {
        if (!m_closing) continue;
        const std::lock_guard lock(pending->mutex);
        if (answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready) break;
        pending->abandoned = true;
        if constexpr (std::is_void_v<Answer>) {
            return;
        } else {
            return Answer{};
        }
    }
    return answer.get();
}

void DeviceWorker::showMessage(const std::string& text, const std::string& title, MessageIcon icon) {
    // The procedure goes on once the box is closed, as it does in the window.
    ask([&] { m_dialogs.showMessage(text, title, icon); });
}

bool DeviceWorker::confirm(const std::string& question) {
    return ask([&] { return m_dialogs.confirm(question); });
}

std::string DeviceWorker::chooseDownloadFile(const std::string& initialDirectory) {
    return ask([&] { return m_dialogs.chooseDownloadFile(initialDirectory); });
}

// Signals to the window's thread are queued behind everything shown before,
// and ahead of any later question.
void DeviceWorker::setChipWindowText(const std::string& text) {
    emit chipWindowTextSet(QString::fromStdString(text));
}

void DeviceWorker::appendChipWindowText(const std::string& text) {
    emit chipWindowTextAppended(QString::fromStdString(text));
}

void DeviceWorker::setProgressRange(int minimum, int maximum) { emit progressRangeSet(minimum, maximum); }

void DeviceWorker::setProgressValue(int value) { emit progressValueSet(value); }

void DeviceWorker::setProgressText(const std::string& format) {
    emit progressTextSet(QString::fromStdString(format));
}

bool DeviceWorker::isTerminalOpen() const {
    return ask([this] { return m_terminal->isTerminalOpen(); });
}

void DeviceWorker::closeTerminal() {
    ask([this] { m_terminal->closeTerminal(); });
}

bool DeviceWorker::openTerminal() {
    return ask([this] { return m_terminal->openTerminal(); });
}

}  // namespace vxoem
