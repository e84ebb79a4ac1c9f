#pragma once
// The chip control's face in the downloader's window: a status line with a
// progress bar laid over it. The operations themselves are vx::ChipControl's,
// run by the device worker; what they show arrives here as queued signals.

#include <QWidget>
#include <cstdint>

#include "chip_control.h"

class QLineEdit;
class QProgressBar;

class VelmixControl : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int CommPort READ CommPort)
    Q_PROPERTY(bool PortOpen READ PortOpen)

public:
    explicit VelmixControl(QWidget* parent = nullptr);

    // What `control` shows, shown here; callable from any thread.
    vx::ChipDisplay display();
    // The control whose port this face names; read while no operation runs.
    void setControl(const vx::ChipControl* control) { m_control = control; }
    const vx::ChipControl& link() const { return *m_control; }
    int CommPort() const { return m_control ? m_control->CommPort() : 1; }
    bool PortOpen() const { return m_control && m_control->PortOpen(); }
    // The last chip state the control reported.
    vx::ChipState chipState() const { return m_chipState; }

    void setText(const QString& NewText);
    QString text() const;
    // Where Rescue writes its instructions: the main window's chip status text.
    void setChipWindowWriter(std::function<void(const QString&)> writer);

    QLineEdit* txtStatus() const { return m_txtStatus; }
    QProgressBar* PBar() const { return m_pbar; }

signals:
    // What the host knows of the chip changed (chipState()).
    void chipStateChanged();
    // Emitted from the worker's thread, delivered on this one.
    void statusPosted(const QString& text);
    void chipWindowPosted(const QString& text);
    void stagePosted(const QString& stage);
    void rangePosted(int minimum, int maximum);
    void valuePosted(int value);
    void visiblePosted(bool visible);
    void statePosted(int state);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QLineEdit* m_txtStatus;
    QProgressBar* m_pbar;
    const vx::ChipControl* m_control = nullptr;
    vx::ChipState m_chipState = vx::ChipState::Unknown;
    std::function<void(const QString&)> m_chipWindowWriter;
};
