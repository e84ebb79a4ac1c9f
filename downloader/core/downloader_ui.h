#pragma once
// What the download procedures need of the window: boxes, the file dialog, the
// chip status window and the progress bar. The window implements it with
// widgets; an unattended run implements it without any.

#include <string>

#include "message_icon.h"

namespace vxoem {

using suite::MessageIcon;

// A line break in the chip status window.
inline constexpr const char* kLineBreak = "\n";

class DownloaderUi {
public:
    virtual ~DownloaderUi() = default;
    // A box with the OK button only; an empty title means the window's caption.
    virtual void showMessage(const std::string& text, const std::string& title, MessageIcon icon) = 0;
    // A question with the buttons Yes and No, No being the default; false
    // when nobody is there to answer.
    virtual bool confirm(const std::string& /*question*/) { return false; }
    // The file-open dialog for program images; empty when cancelled.
    virtual std::string chooseDownloadFile(const std::string& initialDirectory) = 0;
    virtual void setChipWindowText(const std::string& text) = 0;
    virtual void appendChipWindowText(const std::string& text) = 0;
    virtual void setProgressRange(int minimum, int maximum) = 0;
    virtual void setProgressValue(int value) = 0;
    // What the progress bar says: the stage, "%p" standing for the percentage;
    // empty for the percentage alone.
    virtual void setProgressText(const std::string& /*format*/) {}
    // An operation started or ended; the window enables its actions from this.
    virtual void busyChanged(bool /*busy*/) {}
    // An action was refused because another operation still runs.
    virtual void refused(const std::string& /*notice*/) {}
};

// The window's own serial port (the terminal), lent to the chip link during
// each QM-40 action.
class TerminalPort {
public:
    virtual ~TerminalPort() = default;
    virtual bool isTerminalOpen() const = 0;
    virtual void closeTerminal() = 0;
    virtual bool openTerminal() = 0;
};

}  // namespace vxoem
