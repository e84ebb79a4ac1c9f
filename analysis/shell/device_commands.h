#pragma once
// The flight computer commands of the main window's menus. They live in the
// device library; the program hands an implementation to the window, so the
// window itself needs no serial-link code.

#include <functional>
#include <string>
#include <vector>

namespace tarvel {

class MainWindow;

class DeviceCommands {
public:
    virtual ~DeviceCommands() = default;
    // "&Download Data...": starts the whole download, messages included, and
    // may return before it ends. After a download that brought flights, call
    // MainWindow::flightsDownloaded(). Replaces files of the download's names
    // only when MainWindow::downloadReplaceAgreed() says the user agreed.
    virtual void uploadData(MainWindow& window) = 0;
    // Stops the download uploadData started; it ends within a second, keeping
    // the flights written whole.
    virtual void stopDownload() {}
    // The window's busy state follows `listener`: true as a command takes the
    // port, false once the command has ended and told its outcome.
    virtual void setBusyListener(std::function<void(bool busy)> listener) { (void)listener; }
    // "Configure Altimeter": shows frmConfigAltimeter modally.
    virtual void configureAltimeter(MainWindow& window) = 0;
    // Files that a download may replace: those of the download's names that
    // exist now (the number of flights is known only once it runs).
    virtual std::vector<std::string> filesADownloadMayReplace() const { return {}; }
};

}  // namespace tarvel
