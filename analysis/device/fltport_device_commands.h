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
    // `declares`: the program's binding of the serial-link library; `recordPrefix`:
    // where downloads write their record files (a path and the start of the
    // names). Both made in main().
    FltportDeviceCommands(Declares& declares, std::string recordPrefix);
    void uploadData(MainWindow& window) override;
    void stopDownload() override;
    void configureAltimeter(MainWindow& window) override;
    std::vector<std::string> filesADownloadMayReplace() const override;
    void setBusyListener(std::function<void(bool busy)> listener) override;

    DeviceWorker& worker() { return m_worker; }

private:
    DeviceWorker m_worker;
    std::string m_recordPrefix;
};

}  // namespace tarvel::device
