#pragma once
// Time that moves only while the chip link waits, in steps coarse enough that
// a time-out costs a run a few hundred polls, not thousands.

#include <cstdint>

#include "chip_link.h"

namespace fuzzing {

class WaitingClock final : public vx::Clock {
public:
    int64_t nowMs() override { return m_now; }
    void sleepMs(int ms) override { m_now += ms; }
    void idle() override { m_now += 10; }

private:
    int64_t m_now = 0;
};

}  // namespace fuzzing
