#pragma once
// The QM-40's serial command bytes and the host's timing around them. Shared by
// the chip link and the simulator so both speak the same protocol.

#include <cstdint>

namespace vx::qm40 {

constexpr int kBaud = 115200;
constexpr int kBufferBytes = 4096;

constexpr uint8_t kAttention = 0x01;    // stops the running program
constexpr uint8_t kAcknowledge = 0x6C;  // the only accepted answer to the attention byte
constexpr uint8_t kRun = 0x10;          // 0x10 0x00 runs on, 0x10 0xD6 0x00 restarts
constexpr uint8_t kRunOn = 0x00;
constexpr uint8_t kRestart = 0xD6;

constexpr uint8_t kReadRam = 0x20;
constexpr uint8_t kWriteRam = 0x24;
constexpr uint8_t kReadEeprom = 0x40;
constexpr uint8_t kWriteEeprom = 0x44;
constexpr uint8_t kEepromBit = 0x40;  // marks the internal EEPROM commands
constexpr uint8_t kSpiFrame = 0x80;   // 0x80 n + n bytes clocked through the SPI EEPROM
constexpr uint8_t kFill = 0x00;       // ends an EEPROM instruction; padding

// Instructions of the external SPI EEPROM.
constexpr uint8_t kSpiWriteStatus = 0x01;
constexpr uint8_t kSpiWrite = 0x02;
constexpr uint8_t kSpiRead = 0x03;
constexpr uint8_t kSpiReadStatus = 0x05;
constexpr uint8_t kSpiWriteEnable = 0x06;
constexpr uint8_t kSpiProtectAll = 0x0C;  // both block-protect bits of the status register

constexpr int kSpiPageBytes = 64;
constexpr int kSpiReadChunk = 128;
constexpr int kPadBytes = 116;  // zeros sent for the EEPROM's write cycle
constexpr int kExternalEepromBytes = 0x10000;

constexpr int kTimeoutMs = 2000;
constexpr int kBlockRetries = 3;  // a fourth failure ends a checked read or the halt

// The 8-bit sum of the data bytes and this byte is zero.
template <typename Bytes>
uint8_t checksumOf(const Bytes& data) {
    unsigned sum = 0;
    for (const auto byte : data) sum += static_cast<uint8_t>(byte);
    return static_cast<uint8_t>(256 - (sum & 0xFF));
}

}  // namespace vx::qm40
