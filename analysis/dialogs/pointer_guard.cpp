#include "pointer_guard.h"

namespace tarvel {

PointerGuard::PointerGuard(QWidget* widget, Qt::CursorShape shape) : m_widget(widget) {
    if (!widget) return;
    m_hadCursor = widget->testAttribute(Qt::WA_SetCursor);
    m_cursor = widget->cursor();
    widget->setCursor(shape);
}

void PointerGuard::restore() {
    if (m_restored || !m_widget) return;
    m_restored = true;
    if (m_hadCursor)
        m_widget->setCursor(m_cursor);
    else
        m_widget->unsetCursor();
}

}  // namespace tarvel
