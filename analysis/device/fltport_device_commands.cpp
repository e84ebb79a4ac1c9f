#include "fltport_device_commands.h"

#include "device_operations.h"
#include "device_ui.h"
#include "dialogs.h"
#include "frm_config_altimeter.h"
#include "main_window.h"

namespace tarvel::device {

FltportDeviceCommands::FltportDeviceCommands(Declares& declares, std::string recordPrefix)
    : m_worker(declares), m_recordPrefix(std::move(recordPrefix)) {}

void FltportDeviceCommands::uploadData(MainWindow& window) {
    DownloadRequest request;
    request.port = window.analysis().Comport;
    request.target = {m_recordPrefix, window.downloadReplaceAgreed()};
    request.flightsArrived = [&window] { window.flightsDownloaded(); };
    request.openFlight = [&window](const std::string& path) {
        window.openRecordFile(QString::fromStdString(path));
    };
    request.remarks = [&window](const std::vector<std::string>& written) {
        return window.sameFlightsInLogbook(written);
    };
    downloadData(&window, m_worker, window.dialogs(), std::move(request));
}

void FltportDeviceCommands::stopDownload() { m_worker.cancel(); }

std::vector<std::string> FltportDeviceCommands::filesADownloadMayReplace() const {
    return existingDownloadFiles(m_recordPrefix);
}

void FltportDeviceCommands::setBusyListener(std::function<void(bool busy)> listener) {
    QObject::disconnect(&m_worker, &DeviceWorker::busyChanged, nullptr, nullptr);
    if (listener) QObject::connect(&m_worker, &DeviceWorker::busyChanged, std::move(listener));
}

void FltportDeviceCommands::configureAltimeter(MainWindow& window) {
    // Created afresh each time, so it opens with its initial contents.
    FrmConfigAltimeter form([&window] { return window.analysis().Comport; }, m_worker, window.dialogs(),
                            &window);
    window.dialogs().runModal(form);
}

}  // namespace tarvel::device
