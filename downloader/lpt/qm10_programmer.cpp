#include "qm10_programmer.h"

#include <chrono>

#include "hex_text.h"
#include "qm10_wire.h"

namespace vx::lpt {

using namespace wire;

namespace {

constexpr int kSetupStepMs = 20;
constexpr int kConfigSettleMs = 4;

const char* const kLineBreak = "\r\n";

}  // namespace

ClockTimeout::ClockTimeout(std::function<int64_t()> nowMs) : m_nowMs(std::move(nowMs)) {}

void ClockTimeout::start(int milliseconds) {
    m_deadline = m_nowMs() + milliseconds;
    m_running = true;
}

int64_t steadyClockMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::array<ConfigByte, 20> configurationBlock(HeaderBlock& h) {
    h[6] = static_cast<uint8_t>(h[6] | 0x04);
    return {{{0, h[7]},   {1, h[6]}, {2, 0},    {3, h[5]},  {4, h[4]},  {5, 0},      {6, h[3]},
             {7, h[2]},   {8, 0},    {9, h[1]}, {10, h[0]}, {11, h[9]}, {12, h[10]}, {13, h[11]},
             {14, h[14]}, {15, 0},   {16, 0},   {17, 0},    {18, 0},    {31, 0xFF}}};
}

Qm10Programmer::Qm10Programmer(ParallelPort& port, EepromTimeout& timeout, ProgrammerHooks hooks)
    : m_port(port), m_timeout(timeout), m_hooks(std::move(hooks)) {}

void Qm10Programmer::message(std::string text, std::string title, bool exclamation) {
    if (m_inDownload) {
        // The lock after a page that timed out times out alike: one box for the one fault.
        for (const std::string& told : m_toldFaults)
            if (told == text) return;
        m_toldFaults.push_back(text);
    }
    if (m_hooks.message) m_hooks.message({std::move(text), std::move(title), exclamation});
}

void Qm10Programmer::writeChipState(uint8_t data, uint8_t control) {
    m_port.WriteDataPort(data);
    m_port.WriteControlPort(control);
}

// One EEPROM instruction, framed by bit 7.
void Qm10Programmer::instruction(std::initializer_list<uint8_t> bytes) {
    m_port.ClearDataBits(kFrameBit);
    for (uint8_t byte : bytes) m_port.SpiSend(byte);
    m_port.SetDataBits(kFrameBit);
}

uint8_t Qm10Programmer::EepromReadStatus() {
    m_port.ClearDataBits(kFrameBit);
    m_port.SpiSend(kReadStatus);
    const uint8_t status = m_port.SpiTransfer(0x00);
    m_port.SetDataBits(kFrameBit);
    return status;
}

// Every wait for the write cycle has the same one-second limit, so an EEPROM
// that never finishes cannot hang the program.
bool Qm10Programmer::waitWhileBusy() {
    m_timeout.start(kEepromTimeoutMs);
    for (;;) {
        if (m_timeout.expired()) {
            m_timeout.stop();
            m_timedOut = true;
            message("SPI EEPROM not ready", "EEPROM ERROR", true);
            return false;
        }
        if (!(EepromReadStatus() & kWriteInProgress)) break;
    }
    m_timeout.stop();
    return true;
}

bool Qm10Programmer::EepromUnlock() {
    instruction({kWriteEnable});
    instruction({kWriteStatus, kUnprotected});
    if (!waitWhileBusy()) return false;
    instruction({kWriteEnable});
    return true;
}

bool Qm10Programmer::EepromLock() {
    instruction({kWriteEnable});
    instruction({kWriteStatus, kWholeArrayProtected});
    if (!waitWhileBusy()) return false;
    const std::string line = "Locked, Status: " + hexText(EepromReadStatus()) + kLineBreak;
    if (m_hooks.appendStatus) m_hooks.appendStatus(line);
    return true;
}

bool Qm10Programmer::EepromWritePage(uint16_t address, std::string_view page) {
    if (!EepromUnlock()) return false;
    m_port.ClearDataBits(kFrameBit);
    m_port.SpiSend(kWrite);
    m_port.SpiSend(static_cast<uint8_t>(address >> 8));
    m_port.SpiSend(static_cast<uint8_t>(address & 0xFF));
    for (char c : page) m_port.SpiSend(static_cast<uint8_t>(c));
    m_port.SetDataBits(kFrameBit);
    if (!waitWhileBusy()) return false;

    m_port.ClearDataBits(kFrameBit);
    m_port.SpiSend(kRead);
    m_port.SpiSend(static_cast<uint8_t>(address >> 8));
    m_port.SpiSend(static_cast<uint8_t>(address & 0xFF));
    bool same = true;
    for (char c : page) same = (m_port.SpiTransfer(0x00) == static_cast<uint8_t>(c)) && same;
    m_port.SetDataBits(kFrameBit);
    return same;
}

bool Qm10Programmer::ChipSetupCheck() {
    writeChipState(kReset.data, kReset.control);
    m_port.Pause(kSetupStepMs);
    m_port.WriteDataPort(kSetupLow);
    for (int i = 0; i < 5; ++i) m_port.Pause(kSetupStepMs);
    m_port.WriteDataPort(kSetupHigh);
    m_port.Pause(kSetupStepMs);
    m_port.WriteDataPort(kSetupLow);
    for (int i = 0; i < 4; ++i) m_port.Pause(kSetupStepMs);
    const uint8_t answer = m_port.SpiTransfer(kSetupCheck);
    if (answer == kSetupCheck) return true;
    message("Setup returned invalid data: " + std::to_string(answer), "Error: Initializing Internal EEPROM");
    return false;
}

void Qm10Programmer::WriteConfigByte(uint16_t address, uint8_t value) {
    m_port.SpiSend(kConfigWrite);
    m_port.SpiSend(static_cast<uint8_t>(address & 0xFF));
    m_port.SpiSend(static_cast<uint8_t>(address >> 8));
    m_port.SpiTransfer(value);
    m_port.Pause(kConfigSettleMs);
    m_port.Pause(kConfigSettleMs);
}

DownloadResult Qm10Programmer::Download(std::string_view program, HeaderBlock& header) {
    m_inDownload = true;
    m_toldFaults.clear();
    DownloadResult result = downloadSteps(program, header);
    m_inDownload = false;
    if (!m_toldFaults.empty()) result.failure = m_toldFaults.front();
    if (result.started && result.failure.empty() && m_hooks.appendStatus)
        m_hooks.appendStatus(std::string(kLineBreak) + "Finished Downloading");
    if (result.started && m_hooks.setProgress) m_hooks.setProgress(0);
    return result;
}

DownloadResult Qm10Programmer::downloadSteps(std::string_view program, HeaderBlock& header) {
    DownloadResult result;
    if (program.size() > kMaxProgramSize) {
        message("Download file too large: " + std::to_string(program.size()) +
                    " bytes; the SPI EEPROM holds " + std::to_string(kMaxProgramSize) + ".",
                "File ERROR!", true);
        return result;
    }
    PortSession session(m_port);
    if (!session.open()) {
        message(session.error(), "Port ERROR", true);
        return result;
    }
    result.started = true;
    try {
        writeChipState(kReset.data, kReset.control);
        for (size_t offset = 0; offset < program.size(); offset += kPageSize) {
            if (m_hooks.setProgress) m_hooks.setProgress(static_cast<int>(offset + 1));
            std::string page(program.substr(offset, kPageSize));
            page.resize(kPageSize, ' ');
            m_timedOut = false;
            result.verified = EepromWritePage(static_cast<uint16_t>(offset), page);
            if (!result.verified) {
                result.badOffset = offset;
                // A page whose write never finished was already told as such.
                if (!m_timedOut) message("Bad verify at " + std::to_string(offset));
                break;
            }
        }
        result.locked = EepromLock();
        result.setupOk = ChipSetupCheck();
        if (result.setupOk) {
            for (const ConfigByte& byte : configurationBlock(header))
                WriteConfigByte(byte.address, byte.value);
            writeChipState(kReset.data, kReset.control);
        }
    } catch (const PortError& error) {
        message(error.what(), "Port ERROR", true);
    }
    return result;
}

bool Qm10Programmer::chipCommand(uint8_t data, uint8_t control) {
    PortSession session(m_port);
    if (!session.open()) {
        message(session.error(), "Port ERROR", true);
        return false;
    }
    try {
        writeChipState(data, control);
    } catch (const PortError& error) {
        message(error.what(), "Port ERROR", true);
        return false;
    }
    return true;
}

bool Qm10Programmer::StopChip() { return chipCommand(kStop.data, kStop.control); }
bool Qm10Programmer::ResetChip() { return chipCommand(kReset.data, kReset.control); }
bool Qm10Programmer::RunChip() { return chipCommand(kRun.data, kRun.control); }

}  // namespace vx::lpt
