#pragma once
// The main window's flight computer commands ("&Download Data...",
// "Configure Altimeter") served through the serial-link library. The program
// hands one of these to the main window with setDeviceCommands(); it owns the
// program's one device worker.

#include "declares.h"
#include "device_commands.h"
#include "device_worker.h"

namespace tarvel::device {

class FltportDeviceCommands : public tarvel::DeviceCommands {
public:
    // `declares`: the program's binding of the serial-link library, made in main().
    explicit FltportDeviceCommands(Declares& declares);
    void uploadData(MainWindow& window) override;
    void stopDownload() override;
    void configureAltimeter(MainWindow& window) override;
    std::vector<std::string> filesADownloadMayReplace() const override;
    void setBusyListener(std::function<void(bool busy)> listener) override;

    DeviceWorker& worker() { return m_worker; }

private:
    DeviceWorker m_worker;
};

}  // namespace tarvel::device
