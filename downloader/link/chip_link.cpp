#include "chip_link.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "qm40_protocol.h"

namespace vx {

using namespace qm40;

namespace {

constexpr char kPortClosed[] = "Port is closed";

uint8_t lowByte(int32_t value) { return static_cast<uint8_t>(value & 0xFF); }
uint8_t highByte(int32_t value) { return static_cast<uint8_t>((value >> 8) & 0xFF); }

// The range a transfer touches must lie inside the caller's block, and the
// chip's 16-bit address and length fields must carry it without wrapping.
bool blockFits(int32_t start, int32_t length, size_t blockSize, int64_t addressLimit) {
    if (start < 0 || length < 0) return false;
    const int64_t end = int64_t{start} + length;
    // A transfer may fill the address space to its last byte: `end` is one past it.
    return end <= static_cast<int64_t>(blockSize) && start < addressLimit && end <= addressLimit;
}

bool checkedBlockFits(int32_t start, int32_t length, size_t blockSize) {
    // Address and length each travel in 16 bits; the end may lie beyond.
    if (start < 0 || length < 0 || start > 0xFFFF || length > 0xFFFF) return false;
    return int64_t{start} + length <= static_cast<int64_t>(blockSize);
}

}  // namespace

int64_t SteadyClock::nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SteadyClock::sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void SteadyClock::idle() { std::this_thread::sleep_for(std::chrono::microseconds(200)); }

ChipLink::ChipLink(SerialLine& line, DeviceOfPort deviceOfPort, ChipLinkHooks hooks,
                   std::shared_ptr<Clock> clock)
    : m_line(line),
      m_deviceOfPort(deviceOfPort ? std::move(deviceOfPort) : DeviceOfPort(defaultPortDevice)),
      m_hooks(std::move(hooks)),
      m_clock(clock ? std::move(clock) : std::make_shared<SteadyClock>()) {}

ChipLink::~ChipLink() {
    try {
        if (m_line.isOpen()) m_line.close();
    } catch (...) {
    }
}

bool ChipLink::PortOpen() const { return m_line.isOpen(); }

void ChipLink::setCommPort(int port) {
    if (port != m_commPort) setChipState(ChipState::Unknown);
    m_commPort = port;
}

void ChipLink::OpenPort(bool OpenThePort, int32_t& Status) {
    try {
        if (OpenThePort) {
            const std::string device = m_deviceOfPort(m_commPort);
            m_openFailure.clear();
            if (m_line.isOpen()) {
                m_openFailure = "the port is already open";
            } else if (device.empty()) {
                m_openFailure = "no device for port " + std::to_string(m_commPort);
            } else if (!m_line.open(device)) {
                m_openFailure = m_line.openError();
                if (m_openFailure.empty()) m_openFailure = "it cannot be opened";
            }
            Status = m_openFailure.empty() ? kStatusOk : kStatusOpenFailed;
            m_echoesDue = 0;
        } else {
            Status = !m_line.isOpen() || m_line.close() ? kStatusOk : kStatusCloseFailed;
        }
    } catch (const std::exception& error) {
        if (OpenThePort) m_openFailure = error.what();
        Status = OpenThePort ? kStatusOpenFailed : kStatusCloseFailed;
    }
}

// --- wire helpers ---

void ChipLink::showStatus(const std::string& text) {
    if (m_hooks.statusText) m_hooks.statusText(text);
}

void ChipLink::setChipState(ChipState state) {
    if (state == m_chipState) return;
    m_chipState = state;
    if (m_hooks.chipState) m_hooks.chipState(state);
}

void ChipLink::send(std::span<const uint8_t> bytes) {
    if (!m_line.isOpen()) throw std::runtime_error(kPortClosed);
    m_line.write(bytes);
}

void ChipLink::send(std::initializer_list<uint8_t> bytes) {
    send(std::span<const uint8_t>(bytes.begin(), bytes.size()));
}

void ChipLink::sendSpiFrame(std::span<const uint8_t> clocked) {
    Bytes frame{kSpiFrame, static_cast<uint8_t>(clocked.size())};
    frame.insert(frame.end(), clocked.begin(), clocked.end());
    send(frame);
    m_echoesDue += clocked.size();
}

Bytes ChipLink::takeInput() {
    Bytes got = m_line.readAll();
    m_echoesDue -= std::min(m_echoesDue, got.size());
    return got;
}

void ChipLink::discardInput() { takeInput(); }

void ChipLink::settleEchoes() {
    waitForInput(m_echoesDue);
    discardInput();
    m_echoesDue = 0;
}

void ChipLink::drainOutput() {
    // A line that takes nothing for the whole time-out is dead, not slow.
    size_t left = m_line.bytesToWrite();
    int64_t lastProgress = m_clock->nowMs();
    while (left > 0) {
        if (m_hooks.pump) m_hooks.pump();
        m_clock->idle();
        const size_t now = m_line.bytesToWrite();
        if (now < left) {
            left = now;
            lastProgress = m_clock->nowMs();
        } else if (m_clock->nowMs() - lastProgress >= kTimeoutMs) {
            failTimeout();
        }
    }
}

void ChipLink::padZeros() {
    send(Bytes(kPadBytes, kFill));
    drainOutput();
}

void ChipLink::writeEnable() {
    const uint8_t instruction[] = {kSpiWriteEnable};
    sendSpiFrame(instruction);
    send({kFill});
}

bool ChipLink::waitForInput(size_t count) {
    const int64_t start = m_clock->nowMs();
    while (m_line.bytesAvailable() < count) {
        if (m_clock->nowMs() - start >= kTimeoutMs) return m_line.bytesAvailable() >= count;
        if (m_hooks.pump) m_hooks.pump();
        m_clock->idle();
    }
    return true;
}

void ChipLink::pulseDtr() {
    if (!m_line.isOpen()) throw std::runtime_error(kPortClosed);
    m_line.setDtr(true);
    m_clock->sleepMs(4);
    m_line.setDtr(false);
    m_clock->sleepMs(4);
}

void ChipLink::raiseLinkError(int32_t code) {
    m_lastErrorCode = code;
    if (code == kErrorNoCommunications) setChipState(ChipState::Unknown);
    const std::string text = code == kErrorNoCommunications ? "No Communications" : "RAM Write Chksum Bad";
    showStatus(text);
    throw LinkError(code, text);
}

void ChipLink::failTimeout() {
    showStatus(std::to_string(kErrorNoCommunications));
    m_halted = true;
    raiseLinkError(kErrorNoCommunications);
}

void ChipLink::progressSetup(int32_t start, int32_t length, const char* stage) {
    if (m_hooks.progressStage) m_hooks.progressStage(stage);
    if (m_hooks.progressRange) m_hooks.progressRange(start, start + length + 1);
    if (m_hooks.progressValue) m_hooks.progressValue(start);
    if (m_hooks.progressVisible) m_hooks.progressVisible(true);
}

void ChipLink::progressValue(int32_t value) {
    if (m_hooks.progressValue) m_hooks.progressValue(value);
}

void ChipLink::progressHide() {
    if (m_hooks.progressVisible) m_hooks.progressVisible(false);
}

// --- checked blocks ---

void ChipLink::readBlock(uint8_t command, int32_t start, int32_t length, std::span<uint8_t> block) {
    if (!checkedBlockFits(start, length, block.size())) {
        showStatus("Bad Read");
        return;
    }
    const uint8_t header[] = {command, lowByte(length), highByte(length), lowByte(start), highByte(start)};
    const size_t expected = static_cast<size_t>(length) + 1;
    try {
        for (int failures = 0;;) {
            discardInput();
            send(header);
            if (!waitForInput(expected)) {
                showStatus("String Mismatch");
            } else {
                const Bytes got = takeInput();
                unsigned sum = 0;
                for (size_t k = 0; k < expected; ++k) sum += got[k];
                if ((sum & 0xFF) == 0) {
                    std::copy_n(got.begin(), length, block.begin() + start);
                    return;
                }
                showStatus("Checksum Bad");
            }
            if (++failures > kBlockRetries) break;
        }
    } catch (...) {
    }
    showStatus("Bad Read");
    m_halted = true;
    setChipState(ChipState::Unknown);
}

void ChipLink::writeBlock(uint8_t command, int32_t start, int32_t length, std::span<const uint8_t> block) {
    if (!checkedBlockFits(start, length, block.size())) throw std::out_of_range("block outside its array");
    const bool eeprom = (command & kEepromBit) != 0;
    const auto data = block.subspan(start, length);
    discardInput();
    send({command, lowByte(length), highByte(length), lowByte(start), highByte(start)});
    if (eeprom) {
        for (const uint8_t byte : data) {
            discardInput();
            send({byte});
            if (!waitForInput(1)) failTimeout();
        }
    } else {
        send(data);
    }
    drainOutput();
    // An EEPROM write's checksum follows the answer to its last data byte, which
    // is already waiting: wait for the checksum itself, not just any byte.
    const size_t checksumAt = eeprom && length > 0 ? 1 : 0;
    if (!waitForInput(checksumAt + 1)) failTimeout();
    const Bytes got = takeInput();
    if (got[checksumAt] == checksumOf(data)) return;
    m_halted = true;
    raiseLinkError(kErrorWriteChecksum);
}

void ChipLink::ReadRam(int32_t StartingAddress, int32_t Length, std::span<uint8_t> ByteBlock) {
    readBlock(kReadRam, StartingAddress, Length, ByteBlock);
}

void ChipLink::ReadInternalEEprom(int32_t StartingAddress, int32_t Length, std::span<uint8_t> ByteBlock) {
    readBlock(kReadEeprom, StartingAddress, Length, ByteBlock);
}

void ChipLink::WriteRam(int32_t StartingAddress, int32_t Length, std::span<const uint8_t> ByteBlock) {
    writeBlock(kWriteRam, StartingAddress, Length, ByteBlock);
}

void ChipLink::WriteInternalEEprom(int32_t StartingAddress, int32_t Length,
                                   std::span<const uint8_t> ByteBlock, int32_t& Status) {
    try {
        writeBlock(kWriteEeprom, StartingAddress, Length, ByteBlock);
        Status = kStatusOk;
    } catch (const LinkError& error) {
        Status = error.code() == kErrorNoCommunications ? kStatusNoCommunication
                 : error.code() == kErrorWriteChecksum  ? kStatusBadChecksum
                                                        : kStatusWriteFailed;
    } catch (...) {
        Status = kStatusWriteFailed;
    }
}

// --- run control ---

void ChipLink::haltHandshake() {
    showStatus("Stopping Velmix");
    m_echoesDue = 0;  // whatever an earlier transfer left owing is cleared below
    int failures = 0;
    auto retry = [&] {
        ++failures;
        showStatus("Retry " + std::to_string(failures));
        if (failures > kBlockRetries) {
            m_halted = true;
            raiseLinkError(kErrorNoCommunications);
        }
    };
    for (;;) {
        if (!m_linkMode)
            for (int pulse = 0; pulse < 3; ++pulse) pulseDtr();
        send({kAttention});
        drainOutput();
        m_clock->sleepMs(4);
        discardInput();
        send({kAttention});
        if (!waitForInput(1)) {
            retry();
            discardInput();
            continue;
        }
        const Bytes got = takeInput();
        if (got.size() == 1 && got[0] == kAcknowledge) {
            showStatus("ACK Received" + std::to_string(m_ackCount));
            ++m_ackCount;
            return;
        }
        retry();
        m_clock->sleepMs(1000);
        discardInput();
    }
}

void ChipLink::HaltVelmix(int32_t& Status) {
    try {
        haltHandshake();
        m_halted = true;
        setChipState(ChipState::Halted);
        Status = kStatusOk;
    } catch (...) {
        setChipState(ChipState::Unknown);
        Status = kStatusNoCommunication;
    }
}

void ChipLink::runCommand(std::span<const uint8_t> bytes, int32_t& Status) {
    if (!m_halted) {
        Status = kStatusNotHalted;
        return;
    }
    try {
        send(bytes);
        drainOutput();
        discardInput();
        m_halted = false;
        setChipState(ChipState::Running);
        Status = kStatusOk;
    } catch (...) {
        setChipState(ChipState::Unknown);
        Status = kStatusRunFailed;
    }
}

void ChipLink::ResetVelmix(int32_t& Status) {
    const uint8_t restart[] = {kRun, kRestart, kRunOn};
    runCommand(restart, Status);
}

void ChipLink::ContinueVelmix(int32_t& Status) {
    const uint8_t runOn[] = {kRun, kRunOn};
    runCommand(runOn, Status);
}

void ChipLink::Rescue(int32_t& Status) {
    try {
        if (m_hooks.chipWindowText)
            m_hooks.chipWindowText("Press & release hardware reset button then wait 10 seconds");
        const int64_t start = m_clock->nowMs();
        while (m_clock->nowMs() - start < 10000) {
            pulseDtr();
            if (m_hooks.pump) m_hooks.pump();
        }
        if (m_hooks.chipWindowText) m_hooks.chipWindowText("**Download Program Now**");
        setChipState(ChipState::Unknown);  // reset by hand: its own program or waiting
        Status = kStatusOk;
    } catch (...) {
        Status = kStatusNoCommunication;
    }
}

// --- external SPI EEPROM ---

Bytes ChipLink::collectSpiRead(int32_t length, int32_t address) {
    Bytes collected;
    collected.reserve(static_cast<size_t>(length));
    int32_t remaining = length;
    const Bytes chunk(kSpiReadChunk, kFill);
    while (remaining >= kSpiReadChunk) {
        sendSpiFrame(chunk);
        drainOutput();
        const Bytes got = takeInput();
        collected.insert(collected.end(), got.begin(), got.end());
        remaining -= kSpiReadChunk;
        address += kSpiReadChunk;
        progressValue(address);
    }
    if (remaining > 0) sendSpiFrame(Bytes(static_cast<size_t>(remaining), kFill));
    // The zeros end the read instruction also after whole chunks only: an EEPROM
    // left selected takes the next instruction (a write enable) as more of the read.
    send({kFill, kFill});
    drainOutput();
    // Drained is not yet arrived (USB adapters, pseudo-terminals): wait for
    // every byte asked for rather than a fixed time.
    const size_t wanted = static_cast<size_t>(length);
    if (collected.size() < wanted) waitForInput(wanted - collected.size());
    const Bytes got = takeInput();
    collected.insert(collected.end(), got.begin(), got.end());
    return collected;
}

void ChipLink::startSpiRead(int32_t address) {
    const uint8_t instruction[] = {kSpiRead, highByte(address), lowByte(address)};
    sendSpiFrame(instruction);
    drainOutput();
    // The instruction's own echo, and any earlier one still on its way, must
    // be gone before the data is collected.
    settleEchoes();
}

void ChipLink::ReadExternalEEprom(int32_t StartingAddress, int32_t Length, std::span<uint8_t> ByteBlock) {
    if (!blockFits(StartingAddress, Length, ByteBlock.size(), kExternalEepromBytes)) {
        showStatus("Read Short");
        return;
    }
    progressSetup(StartingAddress, Length, "Reading external EEPROM");
    try {
        startSpiRead(StartingAddress);
        const Bytes got = collectSpiRead(Length, StartingAddress);
        if (got.size() >= static_cast<size_t>(Length)) {
            showStatus("EEprom Read Complete");
            std::copy_n(got.begin(), Length, ByteBlock.begin() + StartingAddress);
            progressValue(StartingAddress);
            send({kRun, kRunOn});
            drainOutput();
            discardInput();
            setChipState(ChipState::Running);
        } else {
            m_halted = true;
            showStatus("Read Short");
        }
    } catch (...) {
        m_halted = true;
        showStatus("Read Short");
    }
    progressHide();
}

void ChipLink::setWriteProtection(uint8_t statusRegister) {
    writeEnable();
    const uint8_t instruction[] = {kSpiWriteStatus, statusRegister};
    sendSpiFrame(instruction);
    send({kFill});
    padZeros();
}

void ChipLink::WriteExternalEEprom(int32_t StartingAddress, int32_t Length,
                                   std::span<const uint8_t> ByteBlock, int32_t& Status) {
    if (!m_halted) {
        Status = kStatusNotHalted;
        return;
    }
    if (!blockFits(StartingAddress, Length, ByteBlock.size(), kExternalEepromBytes)) {
        Status = kStatusWriteFailed;
        return;
    }
    progressSetup(StartingAddress, Length, "Writing external EEPROM");
    try {
        setWriteProtection(0);
        int32_t address = StartingAddress;
        int32_t remaining = Length;
        auto writePage = [&](int32_t count) {
            writeEnable();
            Bytes frame{kSpiWrite, highByte(address), lowByte(address)};
            const auto page = ByteBlock.subspan(address, count);
            frame.insert(frame.end(), page.begin(), page.end());
            sendSpiFrame(frame);
            send({kFill});
            padZeros();
            discardInput();
            address += count;
            remaining -= count;
        };
        if (address % kSpiPageBytes != 0)
            writePage(std::min(kSpiPageBytes - address % kSpiPageBytes, remaining));
        while (remaining >= kSpiPageBytes) {
            writePage(kSpiPageBytes);
            progressValue(address);
        }
        if (remaining > 0) writePage(remaining);
        setWriteProtection(kSpiProtectAll);
        discardInput();

        progressSetup(StartingAddress, Length, "Verifying external EEPROM");
        startSpiRead(StartingAddress);
        const Bytes readBack = collectSpiRead(Length, StartingAddress);
        progressValue(StartingAddress);
        progressHide();
        const auto written = ByteBlock.subspan(StartingAddress, Length);
        if (!std::equal(readBack.begin(), readBack.end(), written.begin(), written.end())) {
            m_halted = true;
            showStatus("Verify Error");
            Status = kStatusVerifyFailed;
            return;
        }
        showStatus("EEprom Write Successful");
        Status = kStatusOk;
    } catch (...) {
        progressHide();
        Status = kStatusWriteFailed;
    }
}

}  // namespace vx
