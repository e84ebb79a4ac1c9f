#include "qm40.h"

#include <cstdio>

#include "qm40_protocol.h"

namespace qm40sim {

using namespace vx::qm40;

namespace {

constexpr long kWriteCycleBytes = 58;  // 5 ms at 115200 baud
constexpr uint8_t kSpiWriteDisable = 0x04;
constexpr uint8_t kWriteInProgress = 0x01;
constexpr uint8_t kWriteEnableLatch = 0x02;
constexpr uint8_t kIdleMiso = 0xFF;  // what the EEPROM drives while it has nothing to say

bool writeFile(const std::string& path, const void* data, size_t size) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool ok = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && ok;
}

}  // namespace

Qm40::Qm40(Faults faults)
    : m_faults(faults),
      m_ram(kMemoryBytes, 0),
      m_eeprom(kMemoryBytes, 0xFF),
      m_spi(kMemoryBytes, 0xFF),
      m_spiStatus(kSpiProtectAll) {}

std::vector<uint8_t> Qm40::receive(uint8_t byte) {
    ++m_received;
    ++m_lineTime;
    if (m_faults.silentAfter >= 0 && m_received > m_faults.silentAfter) return {};
    if (m_faults.vanishAfter >= 0 && m_received > m_faults.vanishAfter) return {};
    std::vector<uint8_t> replies;
    if (m_running) {
        // A running program only listens for the attention byte.
        if (byte == kAttention) {
            m_running = false;
            m_state = State::Idle;
            if (!m_faults.noHaltAnswer) replies.push_back(kAcknowledge);
        }
    } else {
        replies = monitor(byte);
    }
    if (m_faults.loseReplyByte > 0) {
        std::vector<uint8_t> kept;
        for (const uint8_t reply : replies)
            if (++m_replied != m_faults.loseReplyByte) kept.push_back(reply);
        return kept;
    }
    return replies;
}

uint8_t Qm40::checksumByte(unsigned sum) const {
    const uint8_t right = static_cast<uint8_t>(256 - (sum & 0xFF));
    return m_faults.badChecksum ? static_cast<uint8_t>(right + 1) : right;
}

std::vector<uint8_t> Qm40::monitor(uint8_t byte) {
    switch (m_state) {
        case State::Idle:
            switch (byte) {
                case kAttention:
                    if (m_faults.noHaltAnswer) return {};
                    return {kAcknowledge};
                case kRun:
                    m_state = State::RunSub;
                    return {};
                case kReadRam:
                case kWriteRam:
                case kReadEeprom:
                case kWriteEeprom:
                    m_command = byte;
                    m_headerFill = 0;
                    m_state = State::Header;
                    return {};
                case kSpiFrame:
                    m_state = State::SpiCount;
                    return {};
                case kFill:
                    if (m_selected) endSpiInstruction();
                    return {};
                default:
                    return {};
            }
        case State::RunSub:
            m_state = State::Idle;
            if (byte == kRunOn) m_running = true;
            if (byte == kRestart) m_state = State::RestartEnd;
            return {};
        case State::RestartEnd:
            m_state = State::Idle;
            if (byte == kRunOn) {
                m_running = true;
                ++m_restarts;
            }
            return {};
        case State::Header:
            m_header[m_headerFill++] = byte;
            if (m_headerFill < 4) return {};
            return startBlock();
        case State::WriteData: {
            Memory& memory = m_command == kWriteEeprom ? m_eeprom : m_ram;
            memory[m_address++ & 0xFFFF] = byte;
            m_sum += byte;
            std::vector<uint8_t> replies;
            if (m_command == kWriteEeprom) replies.push_back(kWriteEeprom);
            if (--m_remaining == 0) {
                replies.push_back(checksumByte(m_sum));
                m_state = State::Idle;
            }
            return replies;
        }
        case State::SpiCount:
            m_remaining = byte;
            m_state = byte ? State::SpiData : State::Idle;
            return {};
        case State::SpiData:
            if (--m_remaining == 0) m_state = State::Idle;
            return {clockSpi(byte)};
    }
    return {};
}

std::vector<uint8_t> Qm40::startBlock() {
    const int length = m_header[0] | (m_header[1] << 8);
    m_address = m_header[2] | (m_header[3] << 8);
    m_sum = 0;
    m_state = State::Idle;
    if (m_command == kReadRam || m_command == kReadEeprom) {
        const Memory& memory = m_command == kReadEeprom ? m_eeprom : m_ram;
        std::vector<uint8_t> replies;
        for (int k = 0; k < length; ++k) {
            const uint8_t value = memory[(m_address + k) & 0xFFFF];
            replies.push_back(value);
            m_sum += value;
        }
        replies.push_back(checksumByte(m_sum));
        return replies;
    }
    if (length == 0) return {checksumByte(0)};
    m_remaining = length;
    m_state = State::WriteData;
    return {};
}

uint8_t Qm40::clockSpi(uint8_t in) {
    if (!m_selected) {
        m_selected = true;
        m_instruction.clear();
        m_ignored = spiBusy();
    }
    m_instruction.push_back(in);
    const size_t position = m_instruction.size() - 1;
    const uint8_t instruction = m_instruction[0];
    if (instruction == kSpiReadStatus && position >= 1)
        return static_cast<uint8_t>(m_spiStatus | (spiBusy() ? kWriteInProgress : 0));
    if (m_ignored) return kIdleMiso;
    if (instruction == kSpiRead && position >= 3) {
        const uint32_t start = (m_instruction[1] << 8) | m_instruction[2];
        return m_spi[(start + position - 3) & 0xFFFF];
    }
    return kIdleMiso;
}

bool Qm40::protectedAddress(uint32_t address) const {
    switch (m_spiStatus & kSpiProtectAll) {
        case 0x04:
            return address >= 0xC000;
        case 0x08:
            return address >= 0x8000;
        case 0x0C:
            return true;
        default:
            return false;
    }
}

void Qm40::endSpiInstruction() {
    m_selected = false;
    if (m_ignored || m_instruction.empty()) return;
    const uint8_t instruction = m_instruction[0];
    const bool enabled = (m_spiStatus & kWriteEnableLatch) != 0;
    if (instruction == kSpiWriteEnable) {
        m_spiStatus |= kWriteEnableLatch;
    } else if (instruction == kSpiWriteDisable) {
        m_spiStatus &= ~kWriteEnableLatch;
    } else if (instruction == kSpiWriteStatus && m_instruction.size() >= 2 && enabled) {
        m_spiStatus = static_cast<uint8_t>(m_instruction[1] & kSpiProtectAll);
        m_writeCycleEnd = m_lineTime + kWriteCycleBytes;
    } else if (instruction == kSpiWrite && m_instruction.size() >= 4 && enabled) {
        // Data beyond the end of the page wraps to its start, as in the part.
        const uint32_t start = (m_instruction[1] << 8) | m_instruction[2];
        const uint32_t page = start & ~uint32_t{kSpiPageBytes - 1};
        const bool stuck = m_faults.stuckPage >= 0 && page == (m_faults.stuckPage & ~long{kSpiPageBytes - 1});
        if (!protectedAddress(page) && !stuck)
            for (size_t k = 3; k < m_instruction.size(); ++k)
                m_spi[page + ((start + k - 3) & (kSpiPageBytes - 1))] = m_instruction[k];
        m_spiStatus &= ~kWriteEnableLatch;
        m_writeCycleEnd = m_lineTime + kWriteCycleBytes;
    }
}

bool Qm40::dump(const std::string& dir) const {
    const std::string state = std::string("running ") + (m_running ? "1" : "0") + "\nrestarts " +
                              std::to_string(m_restarts) + "\nspi_status " + std::to_string(m_spiStatus) +
                              "\n";
    bool ok = writeFile(dir + "/ram.bin", m_ram.data(), m_ram.size());
    ok = writeFile(dir + "/eeprom.bin", m_eeprom.data(), m_eeprom.size()) && ok;
    ok = writeFile(dir + "/spi_eeprom.bin", m_spi.data(), m_spi.size()) && ok;
    return writeFile(dir + "/state.txt", state.data(), state.size()) && ok;
}

}  // namespace qm40sim
