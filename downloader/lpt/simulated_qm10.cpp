#include "simulated_qm10.h"

#include <algorithm>
#include <charconv>
#include <sstream>

#include "hex_text.h"
#include "qm10_wire.h"

namespace vx::lpt {

using namespace wire;

namespace {

constexpr uint8_t kStopControl = kStop.control;
constexpr uint8_t kWritableStatusBits = 0x8C;
constexpr uint8_t kBadSetupAnswer = 0xFF;
constexpr uint8_t kErased = 0xFF;

void appendRows(std::string& text, const char* name, const std::vector<uint8_t>& memory) {
    const size_t row = SimulatedQm10::kPageSize;
    for (size_t start = 0; start < memory.size(); start += row) {
        const auto first = memory.begin() + static_cast<ptrdiff_t>(start);
        if (std::all_of(first, first + static_cast<ptrdiff_t>(row), [](uint8_t b) { return b == kErased; }))
            continue;
        text += name;
        text += ' ';
        text += hexText(start, 4);
        std::string printable;
        for (size_t i = 0; i < row; ++i) {
            const uint8_t byte = memory[start + i];
            text += ' ';
            text += hexText(byte);
            printable += (byte >= 0x20 && byte < 0x7F) ? static_cast<char>(byte) : '.';
        }
        text += "  |" + printable + "|\n";
    }
}

bool parseHex(std::string_view token, unsigned& value) {
    if (token.empty()) return false;
    const auto result = std::from_chars(token.data(), token.data() + token.size(), value, 16);
    return result.ec == std::errc() && result.ptr == token.data() + token.size();
}

}  // namespace

SimulatedQm10::SimulatedQm10(SimulatedFaults faults)
    : m_faults(faults),
      m_eeprom(kEepromSize, kErased),
      m_pageBuffer(kPageSize),
      m_internal(kInternalSize, kErased) {}

bool SimulatedQm10::stopped() const { return m_control == kStopControl; }

// The EEPROM shares the bus with the chip, which lets go of it while held in reset.
bool SimulatedQm10::eepromSelected() const {
    return !stopped() && !(m_data & kFrameBit) && !(m_data & kRunBit);
}

ChipState SimulatedQm10::chipState() const {
    if (stopped()) return ChipState::Stop;
    if (!(m_data & kRunBit)) return ChipState::Reset;
    return m_entry == Entry::Programming ? ChipState::Programming : ChipState::Run;
}

uint8_t SimulatedQm10::eepromStatus() const {
    return static_cast<uint8_t>(m_protectBits | (m_writeEnabled ? kWriteEnableLatch : 0) |
                                (m_busyReadsLeft != 0 ? kWriteInProgress : 0));
}

void SimulatedQm10::writeData(uint8_t value) {
    const uint8_t oldData = m_data;
    m_data = value;
    track(oldData, m_control);
    if (!(oldData & kClockBit) && (value & kClockBit)) clockBit(value & kDataBit);
    if ((oldData & kClockBit) && !(value & kClockBit)) shiftOut();
}

void SimulatedQm10::writeControl(uint8_t value) {
    const uint8_t oldControl = m_control;
    m_control = value;
    track(m_data, oldControl);
}

// Follows the select lines: EEPROM frames, and the sequence that opens the
// chip's programming interface.
void SimulatedQm10::track(uint8_t oldData, uint8_t oldControl) {
    const bool wasSelected = oldControl != kStopControl && !(oldData & kFrameBit) && !(oldData & kRunBit);
    const bool selected = eepromSelected();
    if (!wasSelected && selected) eepromBegin();
    if (wasSelected && !selected) eepromEnd();

    const bool frame = m_data & kFrameBit;
    const bool run = m_data & kRunBit;
    const Entry before = m_entry;
    if (stopped() || !run) {
        m_entry = Entry::InReset;
    } else if (((oldData ^ m_data) & (kFrameBit | kRunBit)) != 0 || oldControl != m_control) {
        if (m_entry == Entry::InReset && !frame)
            m_entry = Entry::Released;
        else if (m_entry == Entry::Released && frame)
            m_entry = Entry::Pulsed;
        else if (m_entry == Entry::Pulsed && !frame)
            m_entry = Entry::Programming;
        else
            m_entry = Entry::None;
    }
    if (m_entry == Entry::Programming && before != Entry::Programming) {
        m_bitIndex = 0;
        m_byteIndex = 0;
        m_outByte = m_faults.badSetup ? kBadSetupAnswer : kSetupCheck;
        shiftOut();
    }
    if (!selected && m_entry != Entry::Programming) m_misoBit = true;
}

bool SimulatedQm10::listening() const { return eepromSelected() || m_entry == Entry::Programming; }

// The chip samples on the rising clock and moves its output on the falling
// one, so the answer bit is only sure while the clock is set.
void SimulatedQm10::shiftOut() {
    if (listening()) m_misoBit = (m_outByte >> (7 - m_bitIndex)) & 1;
}

void SimulatedQm10::clockBit(bool bit) {
    if (!listening()) return;
    m_inByte = static_cast<uint8_t>((m_inByte << 1) | (bit ? 1 : 0));
    if (++m_bitIndex < 8) return;
    m_bitIndex = 0;
    if (eepromSelected())
        eepromByte(m_inByte);
    else
        programmingByte(m_inByte);
    ++m_byteIndex;
}

void SimulatedQm10::eepromBegin() {
    m_bitIndex = 0;
    m_byteIndex = 0;
    m_outByte = 0xFF;
    m_misoBit = true;
    m_instruction = 0;
    m_dataBytes = 0;
    m_pendingStatus.reset();
    std::fill(m_pageBuffer.begin(), m_pageBuffer.end(), std::nullopt);
}

void SimulatedQm10::eepromByte(uint8_t byte) {
    const bool busy = m_busyReadsLeft != 0;
    if (m_byteIndex == 0) {
        m_instruction = byte;
        if (busy && byte != kReadStatus) m_instruction = 0;  // a busy part only answers status reads
        if (m_instruction == kWriteEnable) m_writeEnabled = true;
        if (m_instruction == kWriteDisable) m_writeEnabled = false;
        if (m_instruction == kReadStatus) m_outByte = eepromStatus();
        return;
    }
    switch (m_instruction) {
        case kReadStatus:
            if (m_busyReadsLeft > 0 && !m_faults.eepromStaysBusy && --m_busyReadsLeft == 0)
                m_writeEnabled = false;
            m_outByte = eepromStatus();
            break;
        case kWriteStatus:
            if (m_byteIndex == 1) m_pendingStatus = byte;
            break;
        case kRead:
        case kWrite:
            if (m_byteIndex == 1) {
                m_address = static_cast<uint16_t>(byte << 8);
            } else if (m_byteIndex == 2) {
                m_address = static_cast<uint16_t>(m_address | byte);
                if (m_instruction == kRead) m_outByte = m_eeprom[m_address % kEepromSize];
            } else if (m_instruction == kRead) {
                m_address = static_cast<uint16_t>(m_address + 1);
                m_outByte = m_eeprom[m_address % kEepromSize];
            } else {
                // Page writes wrap inside the page.
                m_pageBuffer[(m_address + m_dataBytes) % kPageSize] = byte;
                ++m_dataBytes;
            }
            break;
        default:
            break;
    }
}

bool SimulatedQm10::isProtected(uint16_t address) const {
    switch (m_protectBits & 0x0C) {
        case 0x04:
            return address >= kEepromSize * 3 / 4;
        case 0x08:
            return address >= kEepromSize / 2;
        case 0x0C:
            return true;
        default:
            return false;
    }
}

void SimulatedQm10::startWriteCycle() { m_busyReadsLeft = m_faults.eepromStaysBusy ? -1 : kBusyStatusReads; }

void SimulatedQm10::eepromEnd() {
    m_misoBit = true;
    if (!m_writeEnabled || m_busyReadsLeft != 0) return;
    if (m_instruction == kWriteStatus && m_pendingStatus) {
        m_protectBits = *m_pendingStatus & kWritableStatusBits;
        startWriteCycle();
    } else if (m_instruction == kWrite && m_dataBytes > 0 && m_byteIndex >= 3) {
        const uint16_t page = static_cast<uint16_t>(m_address - m_address % kPageSize);
        if (isProtected(page)) return;
        for (size_t i = 0; i < kPageSize; ++i)
            if (m_pageBuffer[i]) m_eeprom[(page + i) % kEepromSize] = *m_pageBuffer[i];
        if (m_faults.badPage && *m_faults.badPage == page) m_eeprom[page % kEepromSize] ^= 0x01;
        ++m_committedPages;
        startWriteCycle();
    }
}

void SimulatedQm10::programmingByte(uint8_t byte) {
    if (m_byteIndex == 0) m_command = byte;
    if (m_command == kConfigWrite) {
        if (m_byteIndex == 1) m_configAddress = byte;
        if (m_byteIndex == 2) m_configAddress = static_cast<uint16_t>(m_configAddress | (byte << 8));
        if (m_byteIndex == 3) {
            if (m_configAddress < kInternalSize) m_internal[m_configAddress] = byte;
            m_byteIndex = -1;  // the next byte is a new command
        }
        m_outByte = 0x00;
        return;
    }
    m_byteIndex = -1;
    m_outByte = m_faults.badSetup ? kBadSetupAnswer : kSetupCheck;
}

std::string SimulatedQm10::stateText() const {
    std::string text =
        "# Simulated QM-10. Rows of 32 bytes in hexadecimal; rows left out are erased (FF).\n"
        "# eeprom-status HH | eeprom ADDR HH .. | internal ADDR HH .. ; |...| is for reading only.\n";
    text += "eeprom-status " + hexText(m_protectBits) + "\n";
    appendRows(text, "eeprom", m_eeprom);
    appendRows(text, "internal", m_internal);
    return text;
}

bool SimulatedQm10::loadStateText(std::string_view text, std::string& error) {
    std::vector<uint8_t> eeprom(kEepromSize, kErased);
    std::vector<uint8_t> internal(kInternalSize, kErased);
    uint8_t protectBits = 0;
    std::istringstream lines{std::string(text)};
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        std::istringstream words(line);
        std::string keyword;
        if (!(words >> keyword) || keyword[0] == '#') continue;
        const auto fail = [&](const std::string& what) {
            error = "line " + std::to_string(number) + ": " + what;
            return false;
        };
        unsigned value = 0;
        std::string token;
        if (keyword == "eeprom-status") {
            if (!(words >> token) || !parseHex(token, value) || value > 0xFF)
                return fail("a status byte expected");
            protectBits = static_cast<uint8_t>(value) & kWritableStatusBits;
            continue;
        }
        if (keyword != "eeprom" && keyword != "internal") return fail("unknown keyword \"" + keyword + "\"");
        auto& memory = keyword == "eeprom" ? eeprom : internal;
        unsigned address = 0;
        if (!(words >> token) || !parseHex(token, address)) return fail("an address expected");
        while (words >> token && token[0] != '|') {
            if (!parseHex(token, value) || value > 0xFF) return fail("\"" + token + "\" is not a byte");
            if (address >= memory.size()) return fail("address beyond the " + keyword + " memory");
            memory[address++] = static_cast<uint8_t>(value);
        }
    }
    m_eeprom = std::move(eeprom);
    m_internal = std::move(internal);
    m_protectBits = protectBits;
    return true;
}

}  // namespace vx::lpt
