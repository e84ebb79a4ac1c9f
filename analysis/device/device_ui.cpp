#include "device_ui.h"

#include <QEventLoop>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <filesystem>
#include <optional>
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
                    QString::fromUtf8(kAppTitle.data(), static_cast<int>(kAppTitle.size())),
                    messageText(text), QMessageBox::Ok, parent);
    box.exec();
}

bool askConfirmation(QWidget* parent, const std::string& text, Confirmation accept) {
    const bool fire = accept == Confirmation::Fire;
    const bool offer = accept == Confirmation::OpenDownloaded;
    QMessageBox box(fire    ? QMessageBox::Warning
                    : offer ? QMessageBox::Information
                            : QMessageBox::Question,
                    QString::fromUtf8(kAppTitle.data(), static_cast<int>(kAppTitle.size())),
                    messageText(text), QMessageBox::NoButton, parent);
    QPushButton* accepting =
        box.addButton(fire ? QStringLiteral("&Fire") : QStringLiteral("&Open"), QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(offer ? accepting : cancel);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == accepting;
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

// The running download's control, for stopRunningDownload(); window thread only.
DownloadControl* g_running = nullptr;

// A download of 20,000 samples takes minutes at 19200 baud: the library works on
// a thread of its own (and only there until it ends) while this one keeps the
// window painted and shows what has arrived. Cancel, or closing the dialog,
// stops the transfer within a second.
DownloadOutcome downloadInBackground(QWidget* window, const FltportApi& api, const std::string& comport,
                                     const DownloadTarget& target) {
    DownloadControl control(api);
    DownloadOutcome outcome;
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        outcome = downloadFlights(api, comport, target, &control);
        finished = true;
    });
    g_running = &control;

    QProgressDialog progress(window);
    progress.setObjectName("dlgDownloadProgress");
    progress.setWindowTitle(QString::fromUtf8(kAppTitle.data(), static_cast<int>(kAppTitle.size())));
    progress.setLabelText(messageText(downloadProgressText({})));
    progress.setCancelButtonText(QStringLiteral("Cancel"));
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setRange(0, 0);
    progress.setMinimumDuration(0);
    QObject::connect(&progress, &QProgressDialog::canceled, [&control] { control.stop(); });
    progress.show();

    QEventLoop loop;
    QTimer poll;
    std::optional<DownloadWatch> watch;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (finished) {
            loop.quit();
            return;
        }
        if (control.stopRequested()) return;
        if (!watch)
            if (std::string working = control.workingPrefix(); !working.empty()) watch.emplace(working);
        if (watch) progress.setLabelText(messageText(downloadProgressText(watch->poll())));
    });
    poll.start(kProgressIntervalMs);
    loop.exec();
    // The loop also ends when the application quits: the transfer is stopped then.
    if (!finished) control.stop();
    worker.join();
    g_running = nullptr;
    return outcome;
}

}  // namespace

void stopRunningDownload() {
    if (g_running) g_running->stop();
}

void downloadData(QWidget* window, const std::string& comport, const std::function<void()>& flightsArrived,
                  Declares& declares, const MessageFn& messages,
                  const std::function<void(const std::string& path)>& openFlight, const ConfirmFn& confirm,
                  bool replaceAgreed) {
    // The window stays usable during the transfer: the busy pointer, not the hourglass.
    PointerGuard pointer(window, Qt::BusyCursor);
    const FltportApi* api = bindOrWarn(window, declares, kDownloadEntries, messages);
    if (!api) return;
    // The port is read now, so a change in the port dialog counts from the next command.
    DownloadOutcome outcome =
        downloadInBackground(window, *api, comport, {std::string(kRecordPrefix), replaceAgreed});
    if (!outcome.portOpened) {
        messages(window, outcome.folderError.empty() ? portFailureMessage(comport) : outcome.folderError,
                 MessageIcon::Exclamation);
        return;
    }
    const bool clean = outcome.complete() && outcome.unreadableFiles.empty();
    if (!outcome.written.empty() && openFlight && confirm) {
        const std::string first = std::filesystem::absolute(outcome.written.front()).string();
        // After a clean download Open is what the user came for; after a faulty one
        // they should read first, so nothing opens on Enter.
        const bool open =
            confirm(window,
                    uploadedFilesMessage(outcome) + "\r\n\r\nOpen the first downloaded flight, " +
                        std::filesystem::path(first).filename().string() + ", now?",
                    clean ? Confirmation::OpenDownloaded : Confirmation::Open);
        if (flightsArrived) flightsArrived();
        if (open) openFlight(first);
        return;
    }
    messages(window, uploadedFilesMessage(outcome), clean ? MessageIcon::None : MessageIcon::Exclamation);
    if (!outcome.written.empty() && flightsArrived) flightsArrived();
}

}  // namespace tarvel::device
