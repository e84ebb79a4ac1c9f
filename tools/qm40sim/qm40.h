#pragma once
// The QM-40 as its serial port sees it: a program that runs until the attention
// byte stops it, a command monitor for RAM and internal EEPROM blocks, and SPI
// frames clocked through to a 64 KiB serial EEPROM with 64-byte pages, a
// status register with block-protect bits and a timed write cycle.
//
// Time inside the model is line time: each byte received counts as one byte
// at 115200 baud, so the EEPROM's write cycle behaves the same whether or not
// the line is paced.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qm40sim {

struct Faults {
    bool noHaltAnswer = false;  // the attention byte is never answered
    bool badChecksum = false;   // every block checksum sent is off by one
    long loseReplyByte = -1;    // this reply byte (counted from 1) is never sent
    long stuckPage = -1;        // writes to the page holding this address do not stick
    long silentAfter = -1;      // after this many received bytes nothing more is answered
    long vanishAfter = -1;      // after this many received bytes the chip goes away (its line closes)
};

class Qm40 {
public:
    static constexpr size_t kMemoryBytes = 0x10000;
    using Memory = std::vector<uint8_t>;

    explicit Qm40(Faults faults = {});

    // One byte from the host; returns the bytes the chip answers.
    std::vector<uint8_t> receive(uint8_t byte);

    bool running() const { return m_running; }
    bool vanished() const { return m_faults.vanishAfter >= 0 && m_received >= m_faults.vanishAfter; }
    int restarts() const { return m_restarts; }
    const Memory& ram() const { return m_ram; }
    const Memory& internalEeprom() const { return m_eeprom; }
    const Memory& spiEeprom() const { return m_spi; }
    Memory& spiEeprom() { return m_spi; }
    uint8_t spiStatus() const { return m_spiStatus; }

    // Writes ram.bin, eeprom.bin, spi_eeprom.bin and state.txt into `dir`.
    bool dump(const std::string& dir) const;

private:
    enum class State { Idle, RunSub, RestartEnd, Header, WriteData, SpiCount, SpiData };

    std::vector<uint8_t> monitor(uint8_t byte);
    std::vector<uint8_t> startBlock();
    uint8_t checksumByte(unsigned sum) const;
    uint8_t clockSpi(uint8_t in);
    void endSpiInstruction();
    bool protectedAddress(uint32_t address) const;
    bool spiBusy() const { return m_lineTime < m_writeCycleEnd; }

    Faults m_faults;
    bool m_running = true;
    int m_restarts = 0;
    long m_received = 0;
    long m_replied = 0;
    long m_lineTime = 0;  // bytes received so far, in byte times

    State m_state = State::Idle;
    uint8_t m_command = 0;
    std::array<uint8_t, 4> m_header{};
    int m_headerFill = 0;
    uint32_t m_address = 0;
    int m_remaining = 0;
    unsigned m_sum = 0;

    Memory m_ram, m_eeprom, m_spi;

    // SPI EEPROM
    bool m_selected = false;
    bool m_ignored = false;              // selected during a write cycle: only the status answers
    std::vector<uint8_t> m_instruction;  // bytes clocked in since chip select
    uint8_t m_spiStatus;
    long m_writeCycleEnd = 0;
};

}  // namespace qm40sim
