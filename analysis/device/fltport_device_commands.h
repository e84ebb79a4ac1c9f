#pragma once
// The main window's flight computer commands ("&Download Data...",
// "Configure Altimeter") served through the serial-link library. The program
// hands one of these to the main window with setDeviceCommands().

#include "declares.h"
#include "device_commands.h"

namespace tarvel::device {

class FltportDeviceCommands : public tarvel::DeviceCommands {
public:
    explicit FltportDeviceCommands(Declares& declares = Declares::instance()) : m_declares(declares) {}
    void uploadData(MainWindow& window) override;
    void stopDownload() override;
    void configureAltimeter(MainWindow& window) override;
    std::vector<std::string> filesADownloadMayReplace() const override;

private:
    Declares& m_declares;
};

}  // namespace tarvel::device
