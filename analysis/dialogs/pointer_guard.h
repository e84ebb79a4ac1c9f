#pragma once
// The busy pointer of the analysis program's windows.

#include <QCursor>
#include <QPointer>
#include <QWidget>

namespace tarvel {

// Shows the hourglass (or `shape`) on `widget` and gives it back its own
// pointer when the guard ends, on every path out of a command.
class PointerGuard {
public:
    explicit PointerGuard(QWidget* widget, Qt::CursorShape shape = Qt::WaitCursor);
    ~PointerGuard() { restore(); }
    PointerGuard(const PointerGuard&) = delete;
    PointerGuard& operator=(const PointerGuard&) = delete;
    // Before a message, which shows the ordinary pointer.
    void restore();

private:
    QPointer<QWidget> m_widget;
    bool m_hadCursor = false;
    QCursor m_cursor;
    bool m_restored = false;
};

}  // namespace tarvel
