#pragma once
// What the download procedures need of the window: boxes, the file dialog, the
// chip status window and the progress bar. The window implements it with
// widgets; an unattended run implements it without any; the device worker
// carries the calls over to the window's thread.

#include <string>

#include "message_icon.h"

namespace vxoem {

using suite::MessageIcon;

// A line break in the chip status window.
inline constexpr const char* kLineBreak = "\n";

// The boxes and the file dialog: what needs an answer from the user. The
// window shows them; window tests record them instead.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A box with the OK button only; an empty title means the window's caption.
    virtual void showMessage(const std::string& text, const std::string& title, MessageIcon icon) = 0;
    // A question with the buttons Yes and No, No being the default; false
    // when nobody is there to answer.
    virtual bool confirm(const std::string& /*question*/) { return false; }
    // The file-open dialog for program images; empty when cancelled.
    virtual std::string chooseDownloadFile(const std::string& initialDirectory) = 0;
};

class DownloaderUi : public Dialogs {
public:
    virtual void setChipWindowText(const std::string& text) = 0;
    virtual void appendChipWindowText(const std::string& text) = 0;
    virtual void setProgressRange(int minimum, int maximum) = 0;
    virtual void setProgressValue(int value) = 0;
    // What the progress bar says: the stage, "%p" standing for the percentage;
    // empty for the percentage alone.
    virtual void setProgressText(const std::string& /*format*/) {}
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
