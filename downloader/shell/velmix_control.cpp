#include "velmix_control.h"

#include <QLineEdit>
#include <QProgressBar>

VelmixControl::VelmixControl(QWidget* parent)
    : QWidget(parent), m_txtStatus(new QLineEdit(this)), m_pbar(new QProgressBar(this)) {
    m_txtStatus->setObjectName("txtStatus");
    m_txtStatus->setReadOnly(true);
    m_pbar->setObjectName("PBar");
    m_pbar->hide();

    connect(this, &VelmixControl::statusPosted, this, &VelmixControl::setText);
    connect(this, &VelmixControl::chipWindowPosted, this, [this](const QString& text) {
        if (m_chipWindowWriter) m_chipWindowWriter(text);
    });
    connect(this, &VelmixControl::stagePosted, this,
            [this](const QString& stage) { m_pbar->setFormat(stage + QStringLiteral(": %p%")); });
    connect(this, &VelmixControl::rangePosted, m_pbar, &QProgressBar::setRange);
    connect(this, &VelmixControl::valuePosted, m_pbar, &QProgressBar::setValue);
    connect(this, &VelmixControl::visiblePosted, this, [this](bool visible) {
        m_pbar->setVisible(visible);
        if (visible) m_pbar->raise();
    });
    connect(this, &VelmixControl::statePosted, this, [this](int state) {
        m_chipState = static_cast<vx::ChipState>(state);
        emit chipStateChanged();
    });
}

vx::ChipDisplay VelmixControl::display() {
    vx::ChipDisplay shown;
    shown.statusText = [this](const std::string& text) { emit statusPosted(QString::fromLatin1(text)); };
    shown.chipWindowText = [this](const std::string& text) {
        emit chipWindowPosted(QString::fromLatin1(text));
    };
    shown.progressStage = [this](const std::string& stage) { emit stagePosted(QString::fromLatin1(stage)); };
    shown.progressRange = [this](int32_t minimum, int32_t maximum) { emit rangePosted(minimum, maximum); };
    shown.progressValue = [this](int32_t value) { emit valuePosted(value); };
    shown.progressVisible = [this](bool visible) { emit visiblePosted(visible); };
    shown.chipState = [this](vx::ChipState state) { emit statePosted(static_cast<int>(state)); };
    return shown;
}

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
