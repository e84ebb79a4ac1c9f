#pragma once
// What the chip link's tests share: a clock that only moves when the link
// waits, and a chip control wired to a memory line with what it shows recorded.

#include <functional>
#include <string>
#include <vector>

#include "chip_control.h"
#include "memory_serial_line.h"

namespace vxtest {

class FakeClock final : public vx::Clock {
public:
    int64_t nowMs() override { return now; }
    void sleepMs(int ms) override { now += ms; }
    void idle() override {
        now += 1;
        if (onIdle) onIdle();
    }
    int64_t now = 0;
    std::function<void()> onIdle;  // runs on each pass of a wait
};

// An SPI frame as sent: the bytes clocked through, 0x80 and count stripped.
using Frame = vx::Bytes;
std::vector<Frame> spiFrames(const vx::Bytes& sent);

struct LinkRig {
    explicit LinkRig(vx::MemorySerialLine::Peer peer = {});
    void open();

    vx::MemorySerialLine line;
    std::shared_ptr<FakeClock> clock = std::make_shared<FakeClock>();
    std::vector<std::string> texts;       // status texts in order
    std::vector<std::string> chipWindow;  // texts written to the chip status window
    bool progressShown = false;
    std::function<void()> onWait;  // runs on each pass of a wait
    vx::ChipControl link;

    bool saw(const std::string& text) const;
};

}  // namespace vxtest
