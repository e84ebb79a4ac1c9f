#include "fltport_device_commands.h"

#include "device_operations.h"
#include "device_ui.h"
#include "dialogs.h"
#include "frm_config_altimeter.h"
#include "main_window.h"

namespace tarvel::device {

namespace {

// Messages go through the main window's dialog seam, like its own.
MessageFn windowMessages(MainWindow& window) {
    return [&window](QWidget* parent, const std::string& text, MessageIcon icon) {
        window.dialogs().message(
            parent, messageText(text),
            icon == MessageIcon::Exclamation ? Dialogs::Icon::Warning : Dialogs::Icon::None);
    };
}

// Questions too, answered through the same seam.
ConfirmFn windowConfirm(MainWindow& window) {
    return [&window](QWidget* parent, const std::string& text, Confirmation accept) {
        if (accept == Confirmation::OpenDownloaded)
            return window.dialogs().offer(parent, messageText(text), Dialogs::Choice::Open) ==
                   Dialogs::Choice::Open;
        const Dialogs::Choice yes =
            accept == Confirmation::Fire ? Dialogs::Choice::Fire : Dialogs::Choice::Open;
        return window.dialogs().ask(parent, messageText(text), {yes, Dialogs::Choice::Cancel}) == yes;
    };
}

}  // namespace

void FltportDeviceCommands::uploadData(MainWindow& window) {
    downloadData(
        &window, window.analysis().Comport, [&window] { window.flightsDownloaded(); }, m_declares,
        windowMessages(window),
        [&window](const std::string& path) { window.openRecordFile(QString::fromStdString(path)); },
        windowConfirm(window), window.downloadReplaceAgreed());
}

void FltportDeviceCommands::stopDownload() { stopRunningDownload(); }

std::vector<std::string> FltportDeviceCommands::filesADownloadMayReplace() const {
    return existingDownloadFiles(std::string(kRecordPrefix));
}

void FltportDeviceCommands::configureAltimeter(MainWindow& window) {
    // Created afresh each time, so it opens with its initial contents.
    FrmConfigAltimeter form([&window] { return window.analysis().Comport; }, m_declares, &window,
                            windowMessages(window), windowConfirm(window));
    window.dialogs().runModal(form);
}

}  // namespace tarvel::device
