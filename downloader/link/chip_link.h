#pragma once
// The QM-40's serial protocol: halt, run on, restart, rescue, checked block
// transfers to RAM and internal EEPROM, and the external SPI EEPROM. Framing,
// checksums and the SPI echo accounting live here; texts, progress bars and
// the `Status` out parameters belong to the chip control (chip_control.h).
//
// Every operation runs to completion on the caller's thread and returns a
// Result; each wait polls the clock. What happens meanwhile goes to the
// observer as codes.

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>

#include "chip_state.h"
#include "link_events.h"
#include "link_result.h"
#include "serial_line.h"

namespace vx {

// Numbered link errors: what the chip control raises out of WriteRam.
constexpr int32_t kErrorNoCommunications = 4301;
constexpr int32_t kErrorWriteChecksum = 4302;
constexpr uint32_t kObjectErrorBase = 0x80040000u;

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

class ChipLink {
public:
    using DeviceOfPort = std::function<std::string(int port)>;

    // `deviceOfPort` empty: defaultPortDevice. `clock` null: a SteadyClock.
    ChipLink(SerialLine& line, DeviceOfPort deviceOfPort = {}, std::shared_ptr<Clock> clock = {});
    ~ChipLink();  // closes the port, ignoring errors
    ChipLink(const ChipLink&) = delete;
    ChipLink& operator=(const ChipLink&) = delete;

    // Null: nobody listens.
    void setObserver(LinkObserver* observer) { m_observer = observer; }
    // Asked on each pass of Rescue's ten-second wait: true ends it early.
    void setCancelCheck(std::function<bool()> cancelled) { m_cancelled = std::move(cancelled); }
    // The last Rescue was ended early by that check, not by the line.
    bool rescueStopped() const { return m_rescueStopped; }

    int commPort() const { return m_commPort; }
    // Another port may lead to another chip: its state is unknown.
    void setCommPort(int port);
    bool portOpen() const;
    // The device of the port number, and why the last openPort failed.
    std::string portDevice() const { return m_deviceOfPort(m_commPort); }
    const std::string& openFailure() const { return m_openFailure; }
    // The host's belief that the chip listens for commands.
    bool halted() const { return m_halted; }
    // Halted after an acknowledged halt, Running once restart or run-on went
    // out, Unknown when the chip stopped answering.
    ChipState chipState() const { return m_chipState; }
    int32_t ackCount() const { return m_ackCount; }
    // The link error of the last time-out or wrong write checksum.
    int32_t lastErrorCode() const { return m_lastErrorCode; }
    // True: the halt sends the attention byte without pulsing DTR first.
    void setLinkMode(bool value) { m_linkMode = value; }

    Result<> openPort();
    Result<> closePort();

    // Byte k of a transfer is block[start + k]. A block too small for the
    // range, or a range the wire cannot carry, is refused untouched.
    Result<> readRam(int32_t start, int32_t length, std::span<uint8_t> block);
    Result<> readInternalEeprom(int32_t start, int32_t length, std::span<uint8_t> block);
    Result<> readExternalEeprom(int32_t start, int32_t length, std::span<uint8_t> block);
    Result<> writeRam(int32_t start, int32_t length, std::span<const uint8_t> block);
    Result<> writeInternalEeprom(int32_t start, int32_t length, std::span<const uint8_t> block);
    Result<> writeExternalEeprom(int32_t start, int32_t length, std::span<const uint8_t> block);

    Result<> halt();
    Result<> restart();
    Result<> runOn();
    Result<> rescue();

private:
    Result<> send(std::span<const uint8_t> bytes);
    Result<> send(std::initializer_list<uint8_t> bytes);
    // 0x80 n and the n bytes; the chip clocks n bytes back, counted as echoes due.
    Result<> sendSpiFrame(std::span<const uint8_t> clocked);
    // Reads what has arrived, counting it against the echoes due.
    Bytes takeInput();
    void discardInput();
    // Waits (up to the time-out) for every echo due, then drops them.
    void settleEchoes();
    Result<> drainOutput();
    Result<> padZeros();
    Result<> writeEnable();
    Result<> setWriteProtection(uint8_t statusRegister);
    // Waits until `count` bytes have arrived; false after the time-out.
    bool waitForInput(size_t count);
    Result<> pulseDtr();
    // The failure of link error `code`, told as it happens.
    Result<> linkError(int32_t code);
    Result<> timedOut();
    void tell(LinkEvent event, int32_t count = 0);
    void setChipState(ChipState state);
    void transferStarted(Transfer transfer, int32_t start, int32_t length);
    void transferAt(int32_t address);
    void transferEnded();

    Result<> readBlock(uint8_t command, int32_t start, int32_t length, std::span<uint8_t> block);
    Result<> writeBlock(uint8_t command, int32_t start, int32_t length, std::span<const uint8_t> block);
    Result<> haltHandshake();
    Result<> runCommand(std::span<const uint8_t> bytes);
    Result<> startSpiRead(int32_t address);
    // Clocks `length` bytes out of the EEPROM after a read instruction.
    Result<Bytes> collectSpiRead(int32_t length, int32_t address);
    Result<> writeExternalPages(int32_t start, int32_t length, std::span<const uint8_t> block);

    SerialLine& m_line;
    DeviceOfPort m_deviceOfPort;
    std::shared_ptr<Clock> m_clock;
    LinkObserver* m_observer = nullptr;
    std::function<bool()> m_cancelled;
    bool m_rescueStopped = false;
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
