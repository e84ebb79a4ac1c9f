#pragma once
// A QM-10 with its SPI serial EEPROM as seen from the PC's parallel port. It
// decodes the bit-banged link from the data-port writes (bit 7 selects the
// EEPROM while bit 4 holds the chip in reset, bit 6 is the data, bit 5 the
// clock) and answers on status bit 5 while the clock is set.
//
// The chip's own programming interface opens after the sequence reset ->
// 0x1F -> 0x9F -> 0x1F (bit 4 released, bit 7 pulsed): it answers 0x47 to the
// setup check and stores 0x96 writes (address low, address high, value) in
// its internal memory.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "qm10_wire.h"

namespace vx::lpt {

struct SimulatedFaults {
    bool eepromStaysBusy = false;     // the write cycle never ends
    std::optional<uint16_t> badPage;  // this page keeps a stuck bit
    bool badSetup = false;            // the setup check answers 0xFF
};

enum class ChipState { Reset, Run, Stop, Programming };

class SimulatedQm10 {
public:
    static constexpr size_t kEepromSize = 65536;
    static constexpr size_t kInternalSize = 256;
    static constexpr size_t kPageSize = wire::kPageSize;
    // A write cycle stays busy for this many status reads.
    static constexpr int kBusyStatusReads = 3;

    explicit SimulatedQm10(SimulatedFaults faults = {});

    void writeData(uint8_t value);
    void writeControl(uint8_t value);
    uint8_t readData() const { return m_data; }
    uint8_t readStatus() const { return m_misoBit ? 0x20 : 0x00; }
    uint8_t readControl() const { return m_control; }

    ChipState chipState() const;
    const std::vector<uint8_t>& eeprom() const { return m_eeprom; }
    const std::vector<uint8_t>& internalMemory() const { return m_internal; }
    uint8_t eepromStatus() const;
    int committedPages() const { return m_committedPages; }

    // The memories as text, one row of 32 bytes per line, erased rows left out:
    //   eeprom-status 0C
    //   eeprom 0020 48 65 6C ... |Hel...|
    //   internal 0000 02 06 ...
    // Lines starting with '#' are comments; the |...| column is for reading only.
    std::string stateText() const;
    // Replaces the memories with those of `text`; false and `error` (with the
    // line number) when a line is not understood, leaving the chip unchanged.
    bool loadStateText(std::string_view text, std::string& error);

private:
    enum class Entry { None, InReset, Released, Pulsed, Programming };

    bool stopped() const;
    bool eepromSelected() const;
    void track(uint8_t oldData, uint8_t oldControl);
    bool listening() const;
    void clockBit(bool bit);
    void shiftOut();
    void eepromBegin();
    void eepromEnd();
    void eepromByte(uint8_t byte);
    void programmingByte(uint8_t byte);
    void startWriteCycle();
    bool isProtected(uint16_t address) const;

    SimulatedFaults m_faults;
    uint8_t m_data = 0;
    uint8_t m_control = 0;
    bool m_misoBit = true;
    Entry m_entry = Entry::None;

    // Shift register of the byte in flight, for whichever device listens.
    int m_bitIndex = 0;
    uint8_t m_inByte = 0;
    uint8_t m_outByte = 0xFF;
    int m_byteIndex = 0;

    // EEPROM
    std::vector<uint8_t> m_eeprom;
    uint8_t m_protectBits = 0;  // the writable bits of the status register (7, 3, 2)
    bool m_writeEnabled = false;
    int m_busyReadsLeft = 0;
    uint8_t m_instruction = 0;
    uint16_t m_address = 0;
    std::optional<uint8_t> m_pendingStatus;
    std::vector<std::optional<uint8_t>> m_pageBuffer;
    int m_dataBytes = 0;
    int m_committedPages = 0;

    // Chip
    std::vector<uint8_t> m_internal;
    uint8_t m_command = 0;
    uint16_t m_configAddress = 0;
};

}  // namespace vx::lpt
