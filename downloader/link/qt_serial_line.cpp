#include "qt_serial_line.h"

#include "qm40_protocol.h"

namespace vx {

QtSerialLine::QtSerialLine() = default;

QtSerialLine::~QtSerialLine() {
    if (m_port.isOpen()) m_port.close();
}

bool QtSerialLine::open(const std::string& device) {
    if (m_port.isOpen()) return false;
    m_port.setPortName(QString::fromStdString(device));
    if (!m_port.open(QIODevice::ReadWrite)) return false;
    // Settings a pseudo-terminal refuses do not make the line unusable.
    m_port.setBaudRate(qm40::kBaud);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    m_port.setReadBufferSize(0);  // the link reads often; never drop input
    m_port.clearError();
    return true;
}

bool QtSerialLine::close() {
    if (!m_port.isOpen()) return true;
    m_port.close();
    return !m_port.isOpen();
}

bool QtSerialLine::isOpen() const { return m_port.isOpen(); }

std::string QtSerialLine::openError() const { return m_port.errorString().toStdString(); }

void QtSerialLine::setDtr(bool on) {
    if (!m_port.setDataTerminalReady(on)) m_port.clearError();
}

void QtSerialLine::write(std::span<const uint8_t> bytes) {
    m_port.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    m_port.flush();
}

size_t QtSerialLine::bytesAvailable() {
    // Without an event loop the port only reads when asked to.
    m_port.waitForReadyRead(0);
    return static_cast<size_t>(m_port.bytesAvailable());
}

size_t QtSerialLine::bytesToWrite() {
    if (m_port.bytesToWrite() > 0) {
        m_port.flush();
        // Keep taking the answers in meanwhile, or a long write fills the
        // peer's side of the line and stalls it.
        m_port.waitForReadyRead(0);
    }
    return static_cast<size_t>(m_port.bytesToWrite());
}

Bytes QtSerialLine::readAll() {
    m_port.waitForReadyRead(0);
    const QByteArray data = m_port.readAll();
    return Bytes(data.begin(), data.end());
}

void QtSerialLine::clearInput() {
    m_port.waitForReadyRead(0);
    m_port.clear(QSerialPort::Input);
}

}  // namespace vx
