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

namespace tarvel::device {

enum class MessageIcon { None, Exclamation };

// A modal box with the OK button only; CR LF in `text` breaks the line.
void showMessage(QWidget* parent, const std::string& text, MessageIcon icon = MessageIcon::None);
// How a command tells the user; the main window passes its own dialog seam.
using MessageFn = std::function<void(QWidget* parent, const std::string& text, MessageIcon icon)>;
// The text as a message box shows it (CR LF becomes a line break).
QString messageText(const std::string& text);

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
// current directory and tells the user; `flightsArrived` runs after a download that
// brought at least one flight (enables the record commands, resets the graph).
// The transfer runs on a thread of its own while a progress dialog counts the
// flights and samples; the window's events are served meanwhile, and the rest
// (messages, `flightsArrived`) happens on the window's thread once it has ended.
void downloadData(QWidget* window, const std::string& comport, const std::function<void()>& flightsArrived,
                  Declares& declares = Declares::instance(), const MessageFn& messages = showMessage);

}  // namespace tarvel::device
