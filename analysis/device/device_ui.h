#pragma once
// Window-side pieces shared by the device commands: message boxes with the
// application's title, the hourglass pointer, and the "&Download Data..."
// command.

#include <QCursor>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>

#include "declares.h"
#include "message_icon.h"

namespace tarvel::device {

using suite::MessageIcon;

// A modal box with the OK button only; CR LF in `text` breaks the line.
void showMessage(QWidget* parent, const std::string& text, MessageIcon icon = MessageIcon::None);
// How a command tells the user; the main window passes its own dialog seam.
using MessageFn = std::function<void(QWidget* parent, const std::string& text, MessageIcon icon)>;
// The text as a message box shows it (CR LF becomes a line break).
QString messageText(const std::string& text);

// What a question lets the user do: its button beside Cancel. OpenDownloaded is
// the offer after a clean download: the information icon, and Open the default.
enum class Confirmation { Open, Fire, OpenDownloaded };
// A question with the button of `accept` ("&Open", "&Fire") and Cancel, which
// is the default (but for OpenDownloaded), so Enter or Escape never accepts a
// risk. True when the user accepted.
bool askConfirmation(QWidget* parent, const std::string& text, Confirmation accept);
using ConfirmFn = std::function<bool(QWidget* parent, const std::string& text, Confirmation accept)>;

// Shows the hourglass (or `shape`) on `widget` and gives it back its own
// pointer when the guard ends, on every path out of a command.
class PointerGuard {
public:
    explicit PointerGuard(QWidget* widget, Qt::CursorShape shape = Qt::WaitCursor);
    ~PointerGuard() { restore(); }
    PointerGuard(const PointerGuard&) = delete;
    PointerGuard& operator=(const PointerGuard&) = delete;
    void restore();

private:
    QPointer<QWidget> m_widget;
    bool m_hadCursor = false;
    QCursor m_cursor;
    bool m_restored = false;
};

// Binds `entries`; on failure shows the binding error with the exclamation icon.
const FltportApi* bindOrWarn(QWidget* parent, Declares& declares, std::initializer_list<FltportEntry> entries,
                             const MessageFn& messages);

// "&Download Data...": downloads every stored flight into tmprecord0.rcd ... in the
// current directory (replacing files of those names only when `replaceAgreed`)
// and tells the user which files it wrote; `flightsArrived` runs after a download that
// brought at least one flight (enables the record commands, resets the graph).
// The transfer runs on a thread of its own while a progress dialog counts the
// flights and samples; the window's events are served meanwhile, and the rest
// (messages, `flightsArrived`) happens on the window's thread once it has ended.
// With `openFlight`, the final message offers to open the first downloaded
// flight and, when the user accepts, passes its path after `flightsArrived`.
void downloadData(QWidget* window, const std::string& comport, const std::function<void()>& flightsArrived,
                  Declares& declares = Declares::instance(), const MessageFn& messages = showMessage,
                  const std::function<void(const std::string& path)>& openFlight = {},
                  const ConfirmFn& confirm = askConfirmation, bool replaceAgreed = false);
// Stops the download downloadData is running, if any (its progress dialog's
// Cancel does the same): it ends within a second, keeping the flights written whole.
void stopRunningDownload();

}  // namespace tarvel::device
