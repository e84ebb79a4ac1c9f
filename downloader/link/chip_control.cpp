#include "chip_control.h"

namespace vx {

ChipControl::ChipControl(SerialLine& line, ChipLink::DeviceOfPort deviceOfPort, ChipDisplay display,
                         std::shared_ptr<Clock> clock)
    : m_display(std::move(display)), m_link(line, std::move(deviceOfPort), std::move(clock)) {
    m_link.setObserver(this);
}

void ChipControl::setText(const std::string& NewText) {
    if (m_display.statusText) m_display.statusText(NewText);
}

void ChipControl::OpenPort(bool OpenThePort, int32_t& Status) {
    Status = (OpenThePort ? m_link.openPort() : m_link.closePort()).status();
}

void ChipControl::ReadRam(int32_t StartingAddress, int32_t Length, std::span<uint8_t> ByteBlock) {
    // These reads have no status: a failure shows in the status text and Halted.
    (void)m_link.readRam(StartingAddress, Length, ByteBlock);
}

void ChipControl::ReadInternalEEprom(int32_t StartingAddress, int32_t Length, std::span<uint8_t> ByteBlock) {
    (void)m_link.readInternalEeprom(StartingAddress, Length, ByteBlock);
}

void ChipControl::ReadExternalEEprom(int32_t StartingAddress, int32_t Length, std::span<uint8_t> ByteBlock) {
    (void)m_link.readExternalEeprom(StartingAddress, Length, ByteBlock);
}

void ChipControl::WriteExternalEEprom(int32_t StartingAddress, int32_t Length,
                                      std::span<const uint8_t> ByteBlock, int32_t& Status) {
    Status = m_link.writeExternalEeprom(StartingAddress, Length, ByteBlock).status();
}

void ChipControl::WriteInternalEEprom(int32_t StartingAddress, int32_t Length,
                                      std::span<const uint8_t> ByteBlock, int32_t& Status) {
    Status = m_link.writeInternalEeprom(StartingAddress, Length, ByteBlock).status();
}

void ChipControl::WriteRam(int32_t StartingAddress, int32_t Length, std::span<const uint8_t> ByteBlock) {
    const Result<> written = m_link.writeRam(StartingAddress, Length, ByteBlock);
    switch (written.status()) {
        case kStatusOk:
            return;
        case kStatusNoCommunication:
            throw LinkError(kErrorNoCommunications, eventText(LinkEvent::NoCommunications));
        case kStatusBadChecksum:
            throw LinkError(kErrorWriteChecksum, eventText(LinkEvent::WriteChecksumBad));
        default:
            // Nothing was sent: the port is closed, or the range lies outside the block.
            if (!PortOpen()) throw std::runtime_error("Port is closed");
            throw std::out_of_range("block outside its array");
    }
}

void ChipControl::HaltVelmix(int32_t& Status) { Status = m_link.halt().status(); }

void ChipControl::ResetVelmix(int32_t& Status) { Status = m_link.restart().status(); }

void ChipControl::ContinueVelmix(int32_t& Status) { Status = m_link.runOn().status(); }

void ChipControl::Rescue(int32_t& Status) { Status = m_link.rescue().status(); }

// --- what the link tells, shown

void ChipControl::linkEvent(LinkEvent event, int32_t count) {
    const std::string text = eventText(event, count);
    if (eventPlace(event) == EventPlace::ChipWindow) {
        if (m_display.chipWindowText) m_display.chipWindowText(text);
    } else if (m_display.statusText) {
        m_display.statusText(text);
    }
}

void ChipControl::transferStarted(Transfer transfer, int32_t minimum, int32_t maximum) {
    if (m_display.progressStage) m_display.progressStage(transferText(transfer));
    if (m_display.progressRange) m_display.progressRange(minimum, maximum);
    if (m_display.progressValue) m_display.progressValue(minimum);
    if (m_display.progressVisible) m_display.progressVisible(true);
}

void ChipControl::transferAt(int32_t address) {
    if (m_display.progressValue) m_display.progressValue(address);
}

void ChipControl::transferEnded() {
    if (m_display.progressVisible) m_display.progressVisible(false);
}

void ChipControl::chipStateChanged(ChipState state) {
    if (m_display.chipState) m_display.chipState(state);
}

}  // namespace vx
