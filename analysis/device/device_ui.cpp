#include "device_ui.h"

#include <QMessageBox>

#include "device_operations.h"

namespace tarvel::device {

QString messageText(const std::string& text) {
    QString shown = QString::fromStdString(text);
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return shown;
}

void showMessage(QWidget* parent, const std::string& text, MessageIcon icon) {
    QMessageBox box(icon == MessageIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
                    QString::fromUtf8(kAppTitle.data(), static_cast<int>(kAppTitle.size())), messageText(text),
                    QMessageBox::Ok, parent);
    box.exec();
}

PointerGuard::PointerGuard(QWidget* widget) : m_widget(widget) {
    if (!widget) return;
    m_hadCursor = widget->testAttribute(Qt::WA_SetCursor);
    m_cursor = widget->cursor();
    widget->setCursor(Qt::WaitCursor);
}

void PointerGuard::restore() {
    if (m_restored || !m_widget) return;
    m_restored = true;
    if (m_hadCursor)
        m_widget->setCursor(m_cursor);
    else
        m_widget->unsetCursor();
}

const FltportApi* bindOrWarn(QWidget* parent, Declares& declares, std::initializer_list<FltportEntry> entries,
                             const MessageFn& messages) {
    BindResult bound = declares.bind(entries);
    if (!bound) messages(parent, bound.error, MessageIcon::Exclamation);
    return bound.api;
}

void downloadData(QWidget* window, const std::string& comport, const std::function<void()>& flightsArrived,
                  Declares& declares, const MessageFn& messages) {
    PointerGuard pointer(window);
    const FltportApi* api = bindOrWarn(window, declares, kDownloadEntries, messages);
    if (!api) return;
    // The port is read now, so a change in the port dialog counts from the next command.
    DownloadOutcome outcome = downloadFlights(*api, comport);
    if (!outcome.portOpened) {
        messages(window, portFailureMessage(comport), MessageIcon::Exclamation);
        return;
    }
    messages(window, uploadedFilesMessage(outcome), MessageIcon::None);
    if (outcome.count > 0 && flightsArrived) flightsArrived();
}

}  // namespace tarvel::device
