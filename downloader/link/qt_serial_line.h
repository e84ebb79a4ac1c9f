#pragma once
// SerialLine over QSerialPort. Works without a running event loop: reads and
// writes are pushed along whenever the link asks for its counts.

#include <QSerialPort>

#include "serial_line.h"

namespace vx {

class QtSerialLine final : public SerialLine {
public:
    QtSerialLine();
    ~QtSerialLine() override;

    bool open(const std::string& device) override;
    bool close() override;
    bool isOpen() const override;
    std::string openError() const override;
    void setDtr(bool on) override;
    void write(std::span<const uint8_t> bytes) override;
    size_t bytesAvailable() override;
    size_t bytesToWrite() override;
    Bytes readAll() override;
    void clearInput() override;

    // The port's notifiers belong to the thread that polls it.
    void moveToThread(QThread* thread) { m_port.moveToThread(thread); }

private:
    QSerialPort m_port;
};

}  // namespace vx
