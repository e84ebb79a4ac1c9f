#pragma once
// The QM-10 link on the parallel port, shared by the programmer and the
// simulated chip: data-port bits, whole-port chip states, the SPI EEPROM's
// instructions and the chip's programming commands.

#include <cstddef>
#include <cstdint>

namespace vx::lpt::wire {

// Data port
constexpr uint8_t kFrameBit = 0x80;  // low during an EEPROM instruction
constexpr uint8_t kDataBit = 0x40;   // to the chip, most significant bit first
constexpr uint8_t kClockBit = 0x20;
constexpr uint8_t kRunBit = 0x10;  // low holds the chip in reset
// Status port
constexpr uint8_t kStatusDataBit = 0x20;

struct ChipStateValues {
    uint8_t data;
    uint8_t control;
};
constexpr ChipStateValues kReset{0x8F, 0x04};
constexpr ChipStateValues kRun{0x9F, 0x04};
constexpr ChipStateValues kStop{0x00, 0x0B};
// Bit 4 released with bit 7 low, then bit 7 pulsed: the chip opens its
// programming interface.
constexpr uint8_t kSetupLow = 0x1F;
constexpr uint8_t kSetupHigh = 0x9F;

// SPI EEPROM: 16-bit addresses, 32-byte pages.
constexpr size_t kPageSize = 32;
constexpr uint8_t kWriteEnable = 0x06;
constexpr uint8_t kWriteDisable = 0x04;
constexpr uint8_t kWriteStatus = 0x01;
constexpr uint8_t kReadStatus = 0x05;
constexpr uint8_t kWrite = 0x02;
constexpr uint8_t kRead = 0x03;
constexpr uint8_t kWriteInProgress = 0x01;
constexpr uint8_t kWriteEnableLatch = 0x02;
constexpr uint8_t kUnprotected = 0x00;
constexpr uint8_t kWholeArrayProtected = 0x0C;

// The chip's programming interface.
constexpr uint8_t kSetupCheck = 0x47;   // answered with itself
constexpr uint8_t kConfigWrite = 0x96;  // address low, address high, value

}  // namespace vx::lpt::wire
