#pragma once
// Programming the QM-10 over the parallel port: its external SPI EEPROM in
// 32-byte pages with a read-back check, the lock, the setup check and the
// configuration block in its internal memory, and the chip states.
// The caller supplies the hooks; waits poll the EEPROM on the caller's thread.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "parallel_port.h"
#include "qm10_wire.h"

namespace vx::lpt {

struct Message {
    std::string text;
    std::string title;
    bool exclamation = false;
};

struct ProgrammerHooks {
    std::function<void(const std::string&)> appendStatus;  // append to the chip status window
    std::function<void(int)> setProgress;                  // progress bar value
    std::function<void(const Message&)> message;           // message box, or the batch error file
};

// The EEPROM time-out (the window's tmrEEPROMtimeout): start clears the flag
// and enables the timer; the timer's tick sets the flag and disables itself.
class EepromTimeout {
public:
    virtual ~EepromTimeout() = default;
    virtual void start(int milliseconds) = 0;
    virtual void stop() = 0;
    virtual bool expired() const = 0;
};

// The same time-out read off a clock, for programs without an event loop and tests.
class ClockTimeout final : public EepromTimeout {
public:
    explicit ClockTimeout(std::function<int64_t()> nowMs);
    void start(int milliseconds) override;
    void stop() override { m_running = false; }
    // Past the deadline on a millisecond clock: never early by a fraction of one.
    bool expired() const override { return m_running && m_nowMs() > m_deadline; }

private:
    std::function<int64_t()> m_nowMs;
    int64_t m_deadline = 0;
    bool m_running = false;
};
int64_t steadyClockMs();

// Header bytes H0..H31 of the last QM-40 download; zeros before the first.
using HeaderBlock = std::array<uint8_t, 32>;

struct ConfigByte {
    uint16_t address;
    uint8_t value;
};
// The configuration block in writing order. Sets bit 2 of H6 in `header`, as
// the chip's copy gets it.
std::array<ConfigByte, 20> configurationBlock(HeaderBlock& header);

struct DownloadResult {
    bool started = false;             // the port was there and the program fit
    bool verified = false;            // every page read back as written
    std::optional<size_t> badOffset;  // the page that did not
    bool locked = false;
    bool setupOk = false;  // the chip answered and got its configuration
    std::string failure;   // the first fault, as told; empty when all went well
};

class Qm10Programmer {
public:
    // 16-bit EEPROM addresses: a longer program would wrap onto its own start.
    static constexpr size_t kMaxProgramSize = 65536;
    static constexpr int kEepromTimeoutMs = 1000;

    Qm10Programmer(ParallelPort& port, EepromTimeout& timeout, ProgrammerHooks hooks);

    // The whole download of a program held one character per byte; the chip is
    // left in reset. Each fault is told once; "Finished Downloading" ends the
    // chip status window only when there was none.
    DownloadResult Download(std::string_view program, HeaderBlock& header);
    // Chip states; false when the port could not be had (the hook was told).
    bool StopChip();
    bool ResetChip();
    bool RunChip();

    // The steps, for use inside a PortSession.
    uint8_t EepromReadStatus();
    bool EepromUnlock();
    bool EepromLock();
    bool EepromWritePage(uint16_t address, std::string_view page);
    bool ChipSetupCheck();
    void WriteConfigByte(uint16_t address, uint8_t value);

private:
    DownloadResult downloadSteps(std::string_view program, HeaderBlock& header);
    void writeChipState(uint8_t data, uint8_t control);
    bool chipCommand(uint8_t data, uint8_t control);
    void instruction(std::initializer_list<uint8_t> bytes);
    bool waitWhileBusy();
    void message(std::string text, std::string title = {}, bool exclamation = false);

    ParallelPort& m_port;
    EepromTimeout& m_timeout;
    ProgrammerHooks m_hooks;
    bool m_inDownload = false;
    bool m_timedOut = false;                // a busy wait ran out since this was cleared
    std::vector<std::string> m_toldFaults;  // in this download, in order
};

}  // namespace vx::lpt
