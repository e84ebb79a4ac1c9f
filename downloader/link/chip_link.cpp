#include "chip_link.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "qm40_protocol.h"

namespace vx {

using namespace qm40;

namespace {

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

ChipLink::ChipLink(SerialLine& line, DeviceOfPort deviceOfPort, std::shared_ptr<Clock> clock)
    : m_line(line),
      m_deviceOfPort(deviceOfPort ? std::move(deviceOfPort) : DeviceOfPort(defaultPortDevice)),
      m_clock(clock ? std::move(clock) : std::make_shared<SteadyClock>()) {}

ChipLink::~ChipLink() {
    if (m_line.isOpen()) m_line.close();
}

bool ChipLink::portOpen() const { return m_line.isOpen(); }

void ChipLink::setCommPort(int port) {
    if (port != m_commPort) setChipState(ChipState::Unknown);
    m_commPort = port;
}

Result<> ChipLink::openPort() {
    m_openFailure.clear();
    m_echoesDue = 0;
    const std::string device = m_deviceOfPort(m_commPort);
    if (m_line.isOpen()) {
        m_openFailure = "the port is already open";
    } else if (device.empty()) {
        m_openFailure = "no device for port " + std::to_string(m_commPort);
    } else if (!m_line.open(device)) {
        m_openFailure = m_line.openError();
        if (m_openFailure.empty()) m_openFailure = "it cannot be opened";
    }
    return m_openFailure.empty() ? kStatusOk : kStatusOpenFailed;
}

Result<> ChipLink::closePort() { return !m_line.isOpen() || m_line.close() ? kStatusOk : kStatusCloseFailed; }

// --- wire helpers ---

void ChipLink::tell(LinkEvent event, int32_t count) {
    if (m_observer) m_observer->linkEvent(event, count);
}

void ChipLink::setChipState(ChipState state) {
    if (state == m_chipState) return;
    m_chipState = state;
    if (m_observer) m_observer->chipStateChanged(state);
}

Result<> ChipLink::send(std::span<const uint8_t> bytes) {
    // Nothing can go out on a closed port: a failure "with an error".
    if (!m_line.isOpen()) return kStatusWriteFailed;
    m_line.write(bytes);
    return kStatusOk;
}

Result<> ChipLink::send(std::initializer_list<uint8_t> bytes) {
    return send(std::span<const uint8_t>(bytes.begin(), bytes.size()));
}

Result<> ChipLink::sendSpiFrame(std::span<const uint8_t> clocked) {
    Bytes frame{kSpiFrame, static_cast<uint8_t>(clocked.size())};
    frame.insert(frame.end(), clocked.begin(), clocked.end());
    if (auto sent = send(frame); !sent.ok()) return sent;
    m_echoesDue += clocked.size();
    return kStatusOk;
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

Result<> ChipLink::drainOutput() {
    // A line that takes nothing for the whole time-out is dead, not slow.
    size_t left = m_line.bytesToWrite();
    int64_t lastProgress = m_clock->nowMs();
    while (left > 0) {
        m_clock->idle();
        const size_t now = m_line.bytesToWrite();
        if (now < left) {
            left = now;
            lastProgress = m_clock->nowMs();
        } else if (m_clock->nowMs() - lastProgress >= kTimeoutMs) {
            return timedOut();
        }
    }
    return kStatusOk;
}

Result<> ChipLink::padZeros() {
    if (auto sent = send(Bytes(kPadBytes, kFill)); !sent.ok()) return sent;
    return drainOutput();
}

Result<> ChipLink::writeEnable() {
    const uint8_t instruction[] = {kSpiWriteEnable};
    if (auto sent = sendSpiFrame(instruction); !sent.ok()) return sent;
    return send({kFill});
}

bool ChipLink::waitForInput(size_t count) {
    const int64_t start = m_clock->nowMs();
    while (m_line.bytesAvailable() < count) {
        if (m_clock->nowMs() - start >= kTimeoutMs) return m_line.bytesAvailable() >= count;
        m_clock->idle();
    }
    return true;
}

Result<> ChipLink::pulseDtr() {
    if (!m_line.isOpen()) return kStatusWriteFailed;
    m_line.setDtr(true);
    m_clock->sleepMs(4);
    m_line.setDtr(false);
    m_clock->sleepMs(4);
    return kStatusOk;
}

Result<> ChipLink::linkError(int32_t code) {
    m_lastErrorCode = code;
    const bool silent = code == kErrorNoCommunications;
    if (silent) setChipState(ChipState::Unknown);
    tell(silent ? LinkEvent::NoCommunications : LinkEvent::WriteChecksumBad);
    return silent ? kStatusNoCommunication : kStatusBadChecksum;
}

Result<> ChipLink::timedOut() {
    tell(LinkEvent::TimedOut, kErrorNoCommunications);
    m_halted = true;
    return linkError(kErrorNoCommunications);
}

void ChipLink::transferStarted(Transfer transfer, int32_t start, int32_t length) {
    if (m_observer) m_observer->transferStarted(transfer, start, start + length + 1);
}

void ChipLink::transferAt(int32_t address) {
    if (m_observer) m_observer->transferAt(address);
}

void ChipLink::transferEnded() {
    if (m_observer) m_observer->transferEnded();
}

// --- checked blocks ---

Result<> ChipLink::readBlock(uint8_t command, int32_t start, int32_t length, std::span<uint8_t> block) {
    if (!checkedBlockFits(start, length, block.size())) {
        tell(LinkEvent::BadRead);
        return kStatusNoCommunication;
    }
    const uint8_t header[] = {command, lowByte(length), highByte(length), lowByte(start), highByte(start)};
    const size_t expected = static_cast<size_t>(length) + 1;
    for (int failures = 0;;) {
        discardInput();
        if (!send(header).ok()) break;
        if (!waitForInput(expected)) {
            tell(LinkEvent::StringMismatch);
        } else {
            const Bytes got = takeInput();
            unsigned sum = 0;
            for (size_t k = 0; k < expected; ++k) sum += got[k];
            if ((sum & 0xFF) == 0) {
                std::copy_n(got.begin(), length, block.begin() + start);
                return kStatusOk;
            }
            tell(LinkEvent::ChecksumBad);
        }
        if (++failures > kBlockRetries) break;
    }
    tell(LinkEvent::BadRead);
    m_halted = true;
    setChipState(ChipState::Unknown);
    return kStatusNoCommunication;
}

Result<> ChipLink::writeBlock(uint8_t command, int32_t start, int32_t length,
                              std::span<const uint8_t> block) {
    if (!checkedBlockFits(start, length, block.size())) return kStatusWriteFailed;
    const bool eeprom = (command & kEepromBit) != 0;
    const auto data = block.subspan(static_cast<size_t>(start), static_cast<size_t>(length));
    discardInput();
    if (auto sent = send({command, lowByte(length), highByte(length), lowByte(start), highByte(start)});
        !sent.ok())
        return sent;
    if (eeprom) {
        for (const uint8_t byte : data) {
            discardInput();
            if (auto sent = send({byte}); !sent.ok()) return sent;
            if (!waitForInput(1)) return timedOut();
        }
    } else if (auto sent = send(data); !sent.ok()) {
        return sent;
    }
    if (auto drained = drainOutput(); !drained.ok()) return drained;
    // An EEPROM write's checksum follows the answer to its last data byte, which
    // is already waiting: wait for the checksum itself, not just any byte.
    const size_t checksumAt = eeprom && length > 0 ? 1 : 0;
    if (!waitForInput(checksumAt + 1)) return timedOut();
    const Bytes got = takeInput();
    if (got[checksumAt] == checksumOf(data)) return kStatusOk;
    m_halted = true;
    return linkError(kErrorWriteChecksum);
}

Result<> ChipLink::readRam(int32_t start, int32_t length, std::span<uint8_t> block) {
    return readBlock(kReadRam, start, length, block);
}

Result<> ChipLink::readInternalEeprom(int32_t start, int32_t length, std::span<uint8_t> block) {
    return readBlock(kReadEeprom, start, length, block);
}

Result<> ChipLink::writeRam(int32_t start, int32_t length, std::span<const uint8_t> block) {
    return writeBlock(kWriteRam, start, length, block);
}

Result<> ChipLink::writeInternalEeprom(int32_t start, int32_t length, std::span<const uint8_t> block) {
    return writeBlock(kWriteEeprom, start, length, block);
}

// --- run control ---

Result<> ChipLink::haltHandshake() {
    tell(LinkEvent::StoppingChip);
    m_echoesDue = 0;  // whatever an earlier transfer left owing is cleared below
    int failures = 0;
    // False once the fourth try has failed.
    auto retry = [&] {
        ++failures;
        tell(LinkEvent::Retry, failures);
        if (failures <= kBlockRetries) return true;
        m_halted = true;
        return false;
    };
    for (;;) {
        if (!m_linkMode)
            for (int pulse = 0; pulse < 3; ++pulse)
                if (auto pulsed = pulseDtr(); !pulsed.ok()) return pulsed;
        if (auto sent = send({kAttention}); !sent.ok()) return sent;
        if (auto drained = drainOutput(); !drained.ok()) return drained;
        m_clock->sleepMs(4);
        discardInput();
        if (auto sent = send({kAttention}); !sent.ok()) return sent;
        if (!waitForInput(1)) {
            if (!retry()) return linkError(kErrorNoCommunications);
            discardInput();
            continue;
        }
        const Bytes got = takeInput();
        if (got.size() == 1 && got[0] == kAcknowledge) {
            tell(LinkEvent::AckReceived, m_ackCount);
            ++m_ackCount;
            return kStatusOk;
        }
        if (!retry()) return linkError(kErrorNoCommunications);
        m_clock->sleepMs(1000);
        discardInput();
    }
}

Result<> ChipLink::halt() {
    if (!haltHandshake().ok()) {
        setChipState(ChipState::Unknown);
        return kStatusNoCommunication;
    }
    m_halted = true;
    setChipState(ChipState::Halted);
    return kStatusOk;
}

Result<> ChipLink::runCommand(std::span<const uint8_t> bytes) {
    if (!m_halted) return kStatusNotHalted;
    if (!send(bytes).ok() || !drainOutput().ok()) {
        setChipState(ChipState::Unknown);
        return kStatusRunFailed;
    }
    discardInput();
    m_halted = false;
    setChipState(ChipState::Running);
    return kStatusOk;
}

Result<> ChipLink::restart() {
    const uint8_t bytes[] = {kRun, kRestart, kRunOn};
    return runCommand(bytes);
}

Result<> ChipLink::runOn() {
    const uint8_t bytes[] = {kRun, kRunOn};
    return runCommand(bytes);
}

Result<> ChipLink::rescue() {
    m_rescueStopped = false;
    tell(LinkEvent::RescuePrompt);
    const int64_t start = m_clock->nowMs();
    while (m_clock->nowMs() - start < 10000) {
        if (!pulseDtr().ok()) return kStatusNoCommunication;
        // Stopped by the user: the chip's state is what it was.
        if (m_cancelled && m_cancelled()) {
            m_rescueStopped = true;
            return kStatusNoCommunication;
        }
    }
    tell(LinkEvent::RescueDone);
    setChipState(ChipState::Unknown);  // reset by hand: its own program or waiting
    return kStatusOk;
}

// --- external SPI EEPROM ---

Result<Bytes> ChipLink::collectSpiRead(int32_t length, int32_t address) {
    Bytes collected;
    collected.reserve(static_cast<size_t>(length));
    int32_t remaining = length;
    const Bytes chunk(kSpiReadChunk, kFill);
    while (remaining >= kSpiReadChunk) {
        if (auto sent = sendSpiFrame(chunk); !sent.ok()) return sent;
        if (auto drained = drainOutput(); !drained.ok()) return drained;
        const Bytes got = takeInput();
        collected.insert(collected.end(), got.begin(), got.end());
        remaining -= kSpiReadChunk;
        address += kSpiReadChunk;
        transferAt(address);
    }
    if (remaining > 0)
        if (auto sent = sendSpiFrame(Bytes(static_cast<size_t>(remaining), kFill)); !sent.ok()) return sent;
    // The zeros end the read instruction also after whole chunks only: an EEPROM
    // left selected takes the next instruction (a write enable) as more of the read.
    if (auto sent = send({kFill, kFill}); !sent.ok()) return sent;
    if (auto drained = drainOutput(); !drained.ok()) return drained;
    // Drained is not yet arrived (USB adapters, pseudo-terminals): wait for
    // every byte asked for rather than a fixed time.
    const size_t wanted = static_cast<size_t>(length);
    if (collected.size() < wanted) waitForInput(wanted - collected.size());
    const Bytes got = takeInput();
    collected.insert(collected.end(), got.begin(), got.end());
    return collected;
}

Result<> ChipLink::startSpiRead(int32_t address) {
    const uint8_t instruction[] = {kSpiRead, highByte(address), lowByte(address)};
    if (auto sent = sendSpiFrame(instruction); !sent.ok()) return sent;
    if (auto drained = drainOutput(); !drained.ok()) return drained;
    // The instruction's own echo, and any earlier one still on its way, must
    // be gone before the data is collected.
    settleEchoes();
    return kStatusOk;
}

Result<> ChipLink::readExternalEeprom(int32_t start, int32_t length, std::span<uint8_t> block) {
    if (!blockFits(start, length, block.size(), kExternalEepromBytes)) {
        tell(LinkEvent::ReadShort);
        return kStatusNoCommunication;
    }
    transferStarted(Transfer::ReadingExternal, start, length);
    const auto read = [&]() -> Result<> {
        if (auto started = startSpiRead(start); !started.ok()) return started;
        const Result<Bytes> got = collectSpiRead(length, start);
        if (!got.ok() || got.value().size() < static_cast<size_t>(length)) return kStatusNoCommunication;
        tell(LinkEvent::EepromReadComplete);
        std::copy_n(got.value().begin(), length, block.begin() + start);
        transferAt(start);
        if (auto sent = send({kRun, kRunOn}); !sent.ok()) return sent;
        if (auto drained = drainOutput(); !drained.ok()) return drained;
        discardInput();
        setChipState(ChipState::Running);
        return kStatusOk;
    };
    Result<> outcome = read();
    if (!outcome.ok()) {
        m_halted = true;
        tell(LinkEvent::ReadShort);
        outcome = kStatusNoCommunication;
    }
    transferEnded();
    return outcome;
}

Result<> ChipLink::setWriteProtection(uint8_t statusRegister) {
    if (auto enabled = writeEnable(); !enabled.ok()) return enabled;
    const uint8_t instruction[] = {kSpiWriteStatus, statusRegister};
    if (auto sent = sendSpiFrame(instruction); !sent.ok()) return sent;
    if (auto sent = send({kFill}); !sent.ok()) return sent;
    return padZeros();
}

Result<> ChipLink::writeExternalPages(int32_t start, int32_t length, std::span<const uint8_t> block) {
    if (auto unprotected = setWriteProtection(0); !unprotected.ok()) return unprotected;
    int32_t address = start;
    int32_t remaining = length;
    auto writePage = [&](int32_t count) -> Result<> {
        if (auto enabled = writeEnable(); !enabled.ok()) return enabled;
        Bytes frame{kSpiWrite, highByte(address), lowByte(address)};
        const auto page = block.subspan(static_cast<size_t>(address), static_cast<size_t>(count));
        frame.insert(frame.end(), page.begin(), page.end());
        if (auto sent = sendSpiFrame(frame); !sent.ok()) return sent;
        if (auto sent = send({kFill}); !sent.ok()) return sent;
        if (auto padded = padZeros(); !padded.ok()) return padded;
        discardInput();
        address += count;
        remaining -= count;
        return kStatusOk;
    };
    if (address % kSpiPageBytes != 0)
        if (auto written = writePage(std::min(kSpiPageBytes - address % kSpiPageBytes, remaining));
            !written.ok())
            return written;
    while (remaining >= kSpiPageBytes) {
        if (auto written = writePage(kSpiPageBytes); !written.ok()) return written;
        transferAt(address);
    }
    if (remaining > 0)
        if (auto written = writePage(remaining); !written.ok()) return written;
    if (auto protectedAgain = setWriteProtection(kSpiProtectAll); !protectedAgain.ok()) return protectedAgain;
    discardInput();
    return kStatusOk;
}

Result<> ChipLink::writeExternalEeprom(int32_t start, int32_t length, std::span<const uint8_t> block) {
    if (!m_halted) return kStatusNotHalted;
    if (!blockFits(start, length, block.size(), kExternalEepromBytes)) return kStatusWriteFailed;
    transferStarted(Transfer::WritingExternal, start, length);
    const auto writeAndVerify = [&]() -> Result<Bytes> {
        if (auto written = writeExternalPages(start, length, block); !written.ok()) return written;
        transferStarted(Transfer::VerifyingExternal, start, length);
        if (auto started = startSpiRead(start); !started.ok()) return started;
        return collectSpiRead(length, start);
    };
    const Result<Bytes> readBack = writeAndVerify();
    if (!readBack.ok()) {
        transferEnded();
        return kStatusWriteFailed;
    }
    transferAt(start);
    transferEnded();
    const auto written = block.subspan(static_cast<size_t>(start), static_cast<size_t>(length));
    if (!std::equal(readBack.value().begin(), readBack.value().end(), written.begin(), written.end())) {
        m_halted = true;
        tell(LinkEvent::VerifyError);
        return kStatusVerifyFailed;
    }
    tell(LinkEvent::EepromWriteComplete);
    return kStatusOk;
}

}  // namespace vx
