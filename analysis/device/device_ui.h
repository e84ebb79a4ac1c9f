#pragma once
// Window-side pieces shared by the device commands: the window's messages and
// questions for the flight computer's texts, and the "&Download Data..." command.

#include <QString>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "device_operations.h"
#include "device_worker.h"
#include "dialogs.h"

namespace tarvel::device {

using suite::MessageIcon;

// The text as a message box shows it (CR LF becomes a line break).
QString messageText(const std::string& text);
// A message box with the OK button; CR LF in `text` breaks the line.
void tell(Dialogs& dialogs, QWidget* parent, const std::string& text, MessageIcon icon = MessageIcon::None);

// What "&Download Data..." downloads and what it does with the flights.
struct DownloadRequest {
    std::string port;  // read when the command starts
    DownloadTarget target;
    // After a download that brought at least one flight (enables the record commands, resets the graph).
    std::function<void()> flightsArrived;
    // When given, the final message offers to open the first downloaded flight
    // and, when the user accepts, passes its path after `flightsArrived`.
    std::function<void(const std::string& path)> openFlight;
    // Lines added to the final message about the files written (CR LF between
    // lines), empty for none.
    std::function<std::string(const std::vector<std::string>& written)> remarks;
};

// "&Download Data...": starts downloading every stored flight into the
// request's target on `worker` and returns at once. A progress dialog counts
// the flights and samples meanwhile (its Cancel stops the transfer within a
// second, keeping the flights written whole); once the transfer has ended its
// outcome is told through `dialogs`, on the window's thread. False, after a
// message saying why, when the download did not start.
bool downloadData(QWidget* window, DeviceWorker& worker, Dialogs& dialogs, DownloadRequest request);

}  // namespace tarvel::device
