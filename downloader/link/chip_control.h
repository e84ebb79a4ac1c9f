#pragma once
// The chip control: the QM-40 operations under the names the procedures
// know, with `Status` out parameters, over the protocol of ChipLink. It turns
// the link's results into status codes and its events into the texts and
// progress that a display shows.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>

#include "chip_link.h"

namespace vx {

// The raised link errors of WriteRam: number 0x80040000 plus the code.
class LinkError : public std::runtime_error {
public:
    LinkError(int32_t code, const std::string& text) : std::runtime_error(text), m_code(code) {}
    int32_t code() const { return m_code; }
    uint32_t number() const { return kObjectErrorBase + static_cast<uint32_t>(m_code); }

private:
    int32_t m_code;
};

// What the control shows; any member may be empty.
struct ChipDisplay {
    std::function<void(const std::string&)> statusText;      // replaces the status line
    std::function<void(const std::string&)> chipWindowText;  // replaces the main window's chip status text
    // The external-EEPROM transfer the progress values belong to ("Writing external EEPROM" ...).
    std::function<void(const std::string& stage)> progressStage;
    std::function<void(int32_t minimum, int32_t maximum)> progressRange;
    std::function<void(int32_t value)> progressValue;
    std::function<void(bool visible)> progressVisible;
    std::function<void(ChipState)> chipState;  // what the host now knows of the chip
};

class ChipControl final : private LinkObserver {
public:
    // `deviceOfPort` empty: defaultPortDevice. `clock` null: a SteadyClock.
    ChipControl(SerialLine& line, ChipLink::DeviceOfPort deviceOfPort = {}, ChipDisplay display = {},
                std::shared_ptr<Clock> clock = {});
    ChipControl(const ChipControl&) = delete;
    ChipControl& operator=(const ChipControl&) = delete;

    void setDisplay(ChipDisplay display) { m_display = std::move(display); }
    ChipLink& link() { return m_link; }
    const ChipLink& link() const { return m_link; }

    int CommPort() const { return m_link.commPort(); }
    void setCommPort(int port) { m_link.setCommPort(port); }
    bool PortOpen() const { return m_link.portOpen(); }
    std::string portDevice() const { return m_link.portDevice(); }
    const std::string& openFailure() const { return m_link.openFailure(); }
    bool Halted() const { return m_link.halted(); }
    ChipState chipState() const { return m_link.chipState(); }
    int32_t AckCount() const { return m_link.ackCount(); }
    int32_t LastErrorCode() const { return m_link.lastErrorCode(); }
    // The last Rescue was stopped by the user, not ended by the line.
    bool rescueStopped() const { return m_link.rescueStopped(); }
    // The Text property: replaces the status text.
    void setText(const std::string& NewText);

    void PCLink(bool Value) { m_link.setLinkMode(Value); }
    void OpenPort(bool OpenThePort, int32_t& Status);

    void ReadRam(int32_t StartingAddress, int32_t Length, std::span<uint8_t> ByteBlock);
    void ReadInternalEEprom(int32_t StartingAddress, int32_t Length, std::span<uint8_t> ByteBlock);
    void ReadExternalEEprom(int32_t StartingAddress, int32_t Length, std::span<uint8_t> ByteBlock);
    void WriteExternalEEprom(int32_t StartingAddress, int32_t Length, std::span<const uint8_t> ByteBlock,
                             int32_t& Status);
    void WriteInternalEEprom(int32_t StartingAddress, int32_t Length, std::span<const uint8_t> ByteBlock,
                             int32_t& Status);
    // Throws LinkError on a time-out or a wrong checksum; std::out_of_range
    // for a range outside the block, std::runtime_error on a closed port.
    void WriteRam(int32_t StartingAddress, int32_t Length, std::span<const uint8_t> ByteBlock);

    void HaltVelmix(int32_t& Status);
    void ResetVelmix(int32_t& Status);
    void ContinueVelmix(int32_t& Status);
    void Rescue(int32_t& Status);

private:
    void linkEvent(LinkEvent event, int32_t count) override;
    void transferStarted(Transfer transfer, int32_t minimum, int32_t maximum) override;
    void transferAt(int32_t address) override;
    void transferEnded() override;
    void chipStateChanged(ChipState state) override;

    ChipDisplay m_display;
    ChipLink m_link;
};

}  // namespace vx
