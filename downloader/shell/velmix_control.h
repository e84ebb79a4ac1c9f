#pragma once
// The chip control of the downloader's window: a status line with a progress
// bar laid over it, and the QM-40 operations, carried out by ChipLink.

#include <QWidget>
#include <cstdint>
#include <memory>
#include <span>

#include "chip_link.h"

class QLineEdit;
class QProgressBar;

class VelmixControl : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int CommPort READ CommPort WRITE setCommPort)
    Q_PROPERTY(bool PortOpen READ PortOpen)

public:
    // `line` null: a QSerialPort line. `deviceOfPort` empty: COMn / /dev/ttyS(n-1).
    explicit VelmixControl(QWidget* parent = nullptr, std::unique_ptr<vx::SerialLine> line = {},
                           vx::ChipLink::DeviceOfPort deviceOfPort = {},
                           std::shared_ptr<vx::Clock> clock = {});
    ~VelmixControl() override;

    int CommPort() const { return m_link->CommPort(); }
    void setCommPort(int port) { m_link->setCommPort(port); }
    bool PortOpen() const { return m_link->PortOpen(); }
    void setText(const QString& NewText);
    QString text() const;
    // Where Rescue writes its instructions: the main window's chip status text.
    void setChipWindowWriter(std::function<void(const QString&)> writer);
    vx::ChipLink& link() { return *m_link; }

    QLineEdit* txtStatus() const { return m_txtStatus; }
    QProgressBar* PBar() const { return m_pbar; }

    void PCLink(bool Value) { m_link->PCLink(Value); }
    void OpenPort(bool OpenThePort, int32_t& Status) { m_link->OpenPort(OpenThePort, Status); }
    void ReadRam(int32_t StartingAddress, int32_t Length, std::span<uint8_t> ByteBlock) {
        m_link->ReadRam(StartingAddress, Length, ByteBlock);
    }
    void ReadInternalEEprom(int32_t StartingAddress, int32_t Length, std::span<uint8_t> ByteBlock) {
        m_link->ReadInternalEEprom(StartingAddress, Length, ByteBlock);
    }
    void ReadExternalEEprom(int32_t StartingAddress, int32_t Length, std::span<uint8_t> ByteBlock) {
        m_link->ReadExternalEEprom(StartingAddress, Length, ByteBlock);
    }
    void WriteExternalEEprom(int32_t StartingAddress, int32_t Length, std::span<const uint8_t> ByteBlock,
                             int32_t& Status) {
        m_link->WriteExternalEEprom(StartingAddress, Length, ByteBlock, Status);
    }
    void WriteInternalEEprom(int32_t StartingAddress, int32_t Length, std::span<const uint8_t> ByteBlock,
                             int32_t& Status) {
        m_link->WriteInternalEEprom(StartingAddress, Length, ByteBlock, Status);
    }
    // Throws vx::LinkError.
    void WriteRam(int32_t StartingAddress, int32_t Length, std::span<const uint8_t> ByteBlock) {
        m_link->WriteRam(StartingAddress, Length, ByteBlock);
    }
    void HaltVelmix(int32_t& Status) { m_link->HaltVelmix(Status); }
    void ResetVelmix(int32_t& Status) { m_link->ResetVelmix(Status); }
    void ContinueVelmix(int32_t& Status) { m_link->ContinueVelmix(Status); }
    void Rescue(int32_t& Status) { m_link->Rescue(Status); }

signals:
    // What the host knows of the chip changed (link().chipState()).
    void chipStateChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QLineEdit* m_txtStatus;
    QProgressBar* m_pbar;
    std::unique_ptr<vx::SerialLine> m_line;
    std::unique_ptr<vx::ChipLink> m_link;
    std::function<void(const QString&)> m_chipWindowWriter;
};
