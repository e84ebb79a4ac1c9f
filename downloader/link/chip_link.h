#pragma once
// The QM-40's serial protocol: halt, run on, restart, rescue, checked block
// transfers to RAM and internal EEPROM, and the external SPI EEPROM. No widget
// here: the window supplies the line, a clock and a few display hooks.
//
// Every operation runs to completion on the caller's thread. Each wait polls
// the clock and calls `pump` on each pass so the window stays live.

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>

#include "chip_state.h"
#include "serial_line.h"

namespace vx {

// Status codes of the chip operations.
enum StatusCode : int32_t {
    kStatusOk = 1,
    kStatusNoCommunication = 2,
    kStatusOpenFailed = 3,
    kStatusCloseFailed = 4,
    kStatusNotHalted = 5,
    kStatusRunFailed = 6,
    kStatusWriteFailed = 7,
    kStatusVerifyFailed = 8,
    kStatusBadChecksum = 9,
};

// Numbered link errors, raised out of the transfers.
constexpr int32_t kErrorNoCommunications = 4301;
constexpr int32_t kErrorWriteChecksum = 4302;
constexpr uint32_t kObjectErrorBase = 0x80040000u;

class LinkError : public std::runtime_error {
public:
    LinkError(int32_t code, const std::string& text) : std::runtime_error(text), m_code(code) {}
    int32_t code() const { return m_code; }
    uint32_t number() const { return kObjectErrorBase + static_cast<uint32_t>(m_code); }

private:
    int32_t m_code;
};

// Wall-clock time and sleeps; tests pass a fake one so time-outs cost nothing.
class Clock {
public:
    virtual ~Clock() = default;
    virtual int64_t nowMs() = 0;
    virtual void sleepMs(int ms) = 0;
    // A short rest between two polls, so a wait does not spin a core.
    virtual void idle() = 0;
};

class SteadyClock final : public Clock {
public:
    int64_t nowMs() override;
    void sleepMs(int ms) override;
    void idle() override;
};

// What the link shows and how it lets the window breathe; any may be empty.
struct ChipLinkHooks {
    std::function<void()> pump;                          // process the window's events
    std::function<void(const std::string&)> statusText;  // replaces the status line
    std::function<void(int32_t minimum, int32_t maximum)> progressRange;
    std::function<void(int32_t value)> progressValue;
    std::function<void(bool visible)> progressVisible;
    std::function<void(const std::string&)> chipWindowText;  // replaces the main window's chip status text
    // The external-EEPROM transfer the progress values belong to ("Writing external EEPROM" ...).
    std::function<void(const std::string& stage)> progressStage;
    std::function<void(ChipState)> chipState;  // what the host now knows of the chip
};

class ChipLink {
public:
    using DeviceOfPort = std::function<std::string(int port)>;

    // `deviceOfPort` empty: defaultPortDevice. `clock` null: a SteadyClock.
    ChipLink(SerialLine& line, DeviceOfPort deviceOfPort = {}, ChipLinkHooks hooks = {},
             std::shared_ptr<Clock> clock = {});
    ~ChipLink();  // closes the port, ignoring errors
    ChipLink(const ChipLink&) = delete;
    ChipLink& operator=(const ChipLink&) = delete;

    int CommPort() const { return m_commPort; }
    // Another port may lead to another chip: its state is unknown.
    void setCommPort(int port);
    bool PortOpen() const;
    // The device of the port number, and why the last OpenPort(true) failed.
    std::string portDevice() const { return m_deviceOfPort(m_commPort); }
    const std::string& openFailure() const { return m_openFailure; }
    bool Halted() const { return m_halted; }
    // Halted after an acknowledged halt, Running once restart or run-on went
    // out, Unknown when the chip stopped answering.
    ChipState chipState() const { return m_chipState; }
    int32_t AckCount() const { return m_ackCount; }
    int32_t LastErrorCode() const { return m_lastErrorCode; }
    void setHooks(ChipLinkHooks hooks) { m_hooks = std::move(hooks); }

    void PCLink(bool Value) { m_linkMode = Value; }
    void OpenPort(bool OpenThePort, int32_t& Status);

    // Byte k of a transfer is ByteBlock[StartingAddress + k]. A block too small
    // for the range, or a range the wire cannot carry, is refused untouched.
    void ReadRam(int32_t StartingAddress, int32_t Length, std::span<uint8_t> ByteBlock);
    void ReadInternalEEprom(int32_t StartingAddress, int32_t Length, std::span<uint8_t> ByteBlock);
    void ReadExternalEEprom(int32_t StartingAddress, int32_t Length, std::span<uint8_t> ByteBlock);
    void WriteExternalEEprom(int32_t StartingAddress, int32_t Length, std::span<const uint8_t> ByteBlock,
                             int32_t& Status);
    void WriteInternalEEprom(int32_t StartingAddress, int32_t Length, std::span<const uint8_t> ByteBlock,
                             int32_t& Status);
    // Throws LinkError on a time-out or a wrong checksum.
    void WriteRam(int32_t StartingAddress, int32_t Length, std::span<const uint8_t> ByteBlock);

    void HaltVelmix(int32_t& Status);
    void ResetVelmix(int32_t& Status);
    void ContinueVelmix(int32_t& Status);
    void Rescue(int32_t& Status);

private:
    void send(std::span<const uint8_t> bytes);
    void send(std::initializer_list<uint8_t> bytes);
    // 0x80 n and the n bytes; the chip clocks n bytes back, counted as echoes due.
    void sendSpiFrame(std::span<const uint8_t> clocked);
    // Reads what has arrived, counting it against the echoes due.
    Bytes takeInput();
    void discardInput();
    // Waits (up to the time-out) for every echo due, then drops them.
    void settleEchoes();
    void drainOutput();
    void padZeros();
    void writeEnable();
    void setWriteProtection(uint8_t statusRegister);
    // Waits until `count` bytes have arrived; false after the time-out.
    bool waitForInput(size_t count);
    void pulseDtr();
    [[noreturn]] void raiseLinkError(int32_t code);
    [[noreturn]] void failTimeout();
    void showStatus(const std::string& text);
    void setChipState(ChipState state);
    void progressSetup(int32_t start, int32_t length, const char* stage);
    void progressValue(int32_t value);
    void progressHide();

    void readBlock(uint8_t command, int32_t start, int32_t length, std::span<uint8_t> block);
    void writeBlock(uint8_t command, int32_t start, int32_t length, std::span<const uint8_t> block);
    void haltHandshake();
    void runCommand(std::span<const uint8_t> bytes, int32_t& status);
    void startSpiRead(int32_t address);
    // Clocks `length` bytes out of the EEPROM after a read instruction.
    Bytes collectSpiRead(int32_t length, int32_t address);

    SerialLine& m_line;
    DeviceOfPort m_deviceOfPort;
    ChipLinkHooks m_hooks;
    std::shared_ptr<Clock> m_clock;
    int m_commPort = 1;
    bool m_halted = false;
    ChipState m_chipState = ChipState::Unknown;
    bool m_linkMode = false;
    int32_t m_ackCount = 0;
    int32_t m_lastErrorCode = 0;
    std::string m_openFailure;
    size_t m_echoesDue = 0;  // bytes the SPI frames sent will still clock back
};

}  // namespace vx
