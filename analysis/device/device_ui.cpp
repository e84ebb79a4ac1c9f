#include "device_ui.h"

#include <QEventLoop>
#include <QMessageBox>
#include <QProgressDialog>
#include <QTimer>
#include <atomic>
#include <thread>

#include "device_operations.h"

namespace tarvel::device {

QString messageText(const std::string& text) {
    QString shown = QString::fromStdString(text);
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return shown;
}

void showMessage(QWidget* parent, const std::string& text, MessageIcon icon) {
    QMessageBox box(icon == MessageIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
                    QString::fromUtf8(kAppTitle.data(), static_cast<int>(kAppTitle.size())), messageText(text),
                    QMessageBox::Ok, parent);
    box.exec();
}

PointerGuard::PointerGuard(QWidget* widget, Qt::CursorShape shape) : m_widget(widget) {
    if (!widget) return;
    m_hadCursor = widget->testAttribute(Qt::WA_SetCursor);
    m_cursor = widget->cursor();
    widget->setCursor(shape);
}

void PointerGuard::restore() {
    if (m_restored || !m_widget) return;
    m_restored = true;
    if (m_hadCursor)
        m_widget->setCursor(m_cursor);
    else
        m_widget->unsetCursor();
}

const FltportApi* bindOrWarn(QWidget* parent, Declares& declares, std::initializer_list<FltportEntry> entries,
                             const MessageFn& messages) {
    BindResult bound = declares.bind(entries);
    if (!bound) messages(parent, bound.error, MessageIcon::Exclamation);
    return bound.api;
}

namespace {

constexpr int kProgressIntervalMs = 100;

// A download of 20,000 samples takes minutes at 19200 baud: the library works on
// a thread of its own (and only there until it ends) while this one keeps the
// window painted and shows what has arrived.
DownloadOutcome downloadInBackground(QWidget* window, const FltportApi& api, const std::string& comport) {
    DownloadWatch watch{std::string(kRecordPrefix)};
    DownloadOutcome outcome;
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        outcome = downloadFlights(api, comport);
        finished = true;
    });

    QProgressDialog progress(window);
    progress.setObjectName("dlgDownloadProgress");
    progress.setWindowTitle(QString::fromUtf8(kAppTitle.data(), static_cast<int>(kAppTitle.size())));
    progress.setLabelText(messageText(downloadProgressText({})));
    progress.setCancelButton(nullptr);  // the library cannot be stopped part way
    progress.setRange(0, 0);
    progress.setMinimumDuration(0);
    progress.show();

    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (finished) {
            loop.quit();
            return;
        }
        progress.setLabelText(messageText(downloadProgressText(watch.poll())));
    });
    poll.start(kProgressIntervalMs);
    loop.exec();
    // The loop also ends when the application quits; the transfer still finishes first.
    worker.join();
    return outcome;
}

}  // namespace

void downloadData(QWidget* window, const std::string& comport, const std::function<void()>& flightsArrived,
                  Declares& declares, const MessageFn& messages) {
    // The window stays usable during the transfer: the busy pointer, not the hourglass.
    PointerGuard pointer(window, Qt::BusyCursor);
    const FltportApi* api = bindOrWarn(window, declares, kDownloadEntries, messages);
    if (!api) return;
    // The port is read now, so a change in the port dialog counts from the next command.
    DownloadOutcome outcome = downloadInBackground(window, *api, comport);
    if (!outcome.portOpened) {
        messages(window, portFailureMessage(comport), MessageIcon::Exclamation);
        return;
    }
    messages(window, uploadedFilesMessage(outcome), MessageIcon::None);
    if (outcome.count > 0 && flightsArrived) flightsArrived();
}

}  // namespace tarvel::device
