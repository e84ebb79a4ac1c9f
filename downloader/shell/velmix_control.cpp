#include "velmix_control.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QProgressBar>

#include "qt_serial_line.h"

VelmixControl::VelmixControl(QWidget* parent, std::unique_ptr<vx::SerialLine> line,
                             vx::ChipLink::DeviceOfPort deviceOfPort, std::shared_ptr<vx::Clock> clock)
    : QWidget(parent),
      m_txtStatus(new QLineEdit(this)),
      m_pbar(new QProgressBar(this)),
      m_line(line ? std::move(line) : std::make_unique<vx::QtSerialLine>()) {
    m_txtStatus->setObjectName("txtStatus");
    m_txtStatus->setReadOnly(true);
    m_pbar->setObjectName("PBar");
    m_pbar->hide();

    vx::ChipLinkHooks hooks;
    hooks.pump = [] { QCoreApplication::processEvents(); };
    hooks.statusText = [this](const std::string& text) { setText(QString::fromLatin1(text)); };
    hooks.progressRange = [this](int32_t minimum, int32_t maximum) { m_pbar->setRange(minimum, maximum); };
    hooks.progressValue = [this](int32_t value) { m_pbar->setValue(value); };
    hooks.progressVisible = [this](bool visible) {
        m_pbar->setVisible(visible);
        if (visible) m_pbar->raise();
    };
    hooks.chipWindowText = [this](const std::string& text) {
        if (m_chipWindowWriter) m_chipWindowWriter(QString::fromLatin1(text));
    };
    hooks.progressStage = [this](const std::string& stage) {
        m_pbar->setFormat(QString::fromLatin1(stage) + QStringLiteral(": %p%"));
    };
    hooks.chipState = [this](vx::ChipState) { emit chipStateChanged(); };
    m_link =
        std::make_unique<vx::ChipLink>(*m_line, std::move(deviceOfPort), std::move(hooks), std::move(clock));
}

// The link closes the port before the line it uses goes away.
VelmixControl::~VelmixControl() { m_link.reset(); }

void VelmixControl::setText(const QString& NewText) { m_txtStatus->setText(NewText); }

QString VelmixControl::text() const { return m_txtStatus->text(); }

void VelmixControl::setChipWindowWriter(std::function<void(const QString&)> writer) {
    m_chipWindowWriter = std::move(writer);
}

void VelmixControl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const QRect area = contentsRect();
    m_txtStatus->setGeometry(area);
    m_pbar->setGeometry(area);
}
