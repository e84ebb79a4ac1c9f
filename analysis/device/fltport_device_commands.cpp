#include "fltport_device_commands.h"

#include "device_ui.h"
#include "frm_config_altimeter.h"
#include "main_window.h"

namespace tarvel::device {

void FltportDeviceCommands::uploadData(MainWindow& window) {
    downloadData(&window, window.analysis().Comport, [&window] { window.flightsDownloaded(); }, m_declares);
}

void FltportDeviceCommands::configureAltimeter(MainWindow& window) {
    // Created afresh each time, so it opens with its initial contents.
    FrmConfigAltimeter form([&window] { return window.analysis().Comport; }, m_declares, &window);
    form.exec();
}

}  // namespace tarvel::device
