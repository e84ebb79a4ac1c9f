#include "link/transport.h"

#include <chrono>

namespace fltport {

bool Transport::drain(size_t limit) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(kDrainMaxMs);
    uint8_t byte = 0;
    for (size_t discarded = 0; read(&byte, 1) == 1;)
        if (++discarded >= limit || Clock::now() >= deadline) return false;
    return true;
}

}  // namespace fltport
