// The QM-40 link's operations against a chip whose answers come from the
// input: halt answers, checked block transfers and their checksums, and the
// SPI EEPROM's read-backs. The first four bytes place the block; every byte
// the host sends is answered by the next reply. The wall clock is simulated,
// so time-outs cost nothing.

#include <array>
#include <cstdint>
#include <memory>

#include "chip_control.h"
#include "device_script.h"
#include "memory_serial_line.h"
#include "waiting_clock.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    // Blocks reach past the end of the buffer now and then, which the link must refuse.
    const int32_t start = (data[0] | data[1] << 8) % 600;
    const int32_t length = (data[2] | data[3] << 8) % 600;
    fuzzing::DeviceScript chip(data + 4, size - 4);

    vx::MemorySerialLine line([&chip](uint8_t) {
        const auto reply = chip.nextReply();
        return vx::Bytes(reply.begin(), reply.end());
    });
    vx::ChipControl link(
        line, [](int) { return std::string("memory"); }, {}, std::make_shared<fuzzing::WaitingClock>());
    std::array<uint8_t, 1024> block{};
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 7);

    int32_t status = 0;
    link.OpenPort(true, status);
    link.HaltVelmix(status);
    link.ReadRam(start, length, block);
    link.ReadInternalEEprom(start, length, block);
    try {
        link.WriteRam(start, length, block);
    } catch (const std::exception&) {
    }
    link.WriteInternalEEprom(start, length, block, status);
    link.HaltVelmix(status);
    link.ReadExternalEEprom(start, length, block);
    link.HaltVelmix(status);
    link.WriteExternalEEprom(start, length, block, status);
    link.ContinueVelmix(status);
    link.HaltVelmix(status);
    link.ResetVelmix(status);
    link.OpenPort(false, status);
    return 0;
}
