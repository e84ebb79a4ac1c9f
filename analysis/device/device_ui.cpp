#include "device_ui.h"

#include <QPointer>
#include <QProgressDialog>
#include <chrono>
#include <filesystem>
#include <memory>

#include "pointer_guard.h"

namespace tarvel::device {

QString messageText(const std::string& text) {
    QString shown = QString::fromStdString(text);
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return shown;
}

void tell(Dialogs& dialogs, QWidget* parent, const std::string& text, MessageIcon icon) {
    dialogs.message(parent, messageText(text), icon);
}

namespace {

// The progress dialog's text changes at most this often, and as each flight begins.
constexpr auto kProgressInterval = std::chrono::milliseconds(100);

QProgressDialog* makeProgressDialog(QWidget* window) {
    auto* progress = new QProgressDialog(window);
    progress->setObjectName("dlgDownloadProgress");
    progress->setWindowTitle(QString::fromLatin1(tarvel::kAppTitle));
    progress->setLabelText(messageText(downloadProgressText({})));
    progress->setCancelButtonText(QStringLiteral("Cancel"));
    progress->setAutoClose(false);
    progress->setAutoReset(false);
    progress->setRange(0, 0);
    progress->setMinimumDuration(0);
    return progress;
}

// Tells the user what a finished download wrote, and offers the first flight.
void tellOutcome(QWidget* window, Dialogs& dialogs, const DownloadRequest& request,
                 const DownloadOutcome& outcome) {
    if (!outcome.portOpened) {
        tell(dialogs, window,
             outcome.folderError.empty() ? portFailureMessage(request.port) : outcome.folderError,
             MessageIcon::Exclamation);
        return;
    }
    const bool clean = outcome.complete() && outcome.unreadableFiles.empty();
    std::string summary = uploadedFilesMessage(outcome);
    if (const std::string more = request.remarks ? request.remarks(outcome.written) : std::string();
        !more.empty())
        summary += "\r\n\r\n" + more;
    if (!outcome.written.empty() && request.openFlight) {
        const std::string first = std::filesystem::absolute(outcome.written.front()).string();
        const QString text = messageText(summary + "\r\n\r\nOpen the first downloaded flight, " +
                                         std::filesystem::path(first).filename().string() + ", now?");
        // After a clean download Open is what the user came for; after a faulty one
        // they should read first, so nothing opens on Enter.
        const bool open = clean
                              ? dialogs.offer(window, text, Dialogs::Choice::Open) == Dialogs::Choice::Open
                              : dialogs.ask(window, text, {Dialogs::Choice::Open, Dialogs::Choice::Cancel}) ==
                                    Dialogs::Choice::Open;
        if (request.flightsArrived) request.flightsArrived();
        if (open) request.openFlight(first);
        return;
    }
    tell(dialogs, window, summary, clean ? MessageIcon::None : MessageIcon::Exclamation);
    if (!outcome.written.empty() && request.flightsArrived) request.flightsArrived();
}

}  // namespace

bool downloadData(QWidget* window, DeviceWorker& worker, Dialogs& dialogs, DownloadRequest request) {
    // The window stays usable during the transfer: the busy pointer, not the hourglass.
    auto pointer = std::make_shared<PointerGuard>(window, Qt::BusyCursor);
    QProgressDialog* progress = makeProgressDialog(window);
    QObject::connect(progress, &QProgressDialog::canceled, &worker, &DeviceWorker::cancel);
    const auto work = [&worker, progress, port = request.port, target = request.target](
                          const FltportApi& api, DeviceControl& control) {
        // Called for every sample row: only a new flight, or the first row after a
        // pause, changes the text.
        auto shownAt = std::chrono::steady_clock::time_point();
        int32_t shownFlights = -1;
        control.setProgress([&](const DownloadProgress& now) {
            const auto at = std::chrono::steady_clock::now();
            if (now.flights == shownFlights && at - shownAt < kProgressInterval) return;
            shownAt = at;
            shownFlights = now.flights;
            worker.post([progress, now] { progress->setLabelText(messageText(downloadProgressText(now))); });
        });
        return downloadFlights(api, port, target, &control);
    };
    const auto done = [window, &dialogs, request, pointer, progress](DownloadOutcome& outcome) {
        delete progress;
        pointer->restore();  // the messages show the ordinary pointer
        tellOutcome(window, dialogs, request, outcome);
    };
    std::string error;
    if (worker.start<DownloadOutcome>(window, kDownloadEntries, work, done, error)) {
        progress->show();
        return true;
    }
    delete progress;
    pointer->restore();
    tell(dialogs, window, error, MessageIcon::Exclamation);
    return false;
}

}  // namespace tarvel::device
