#include "link/transport.h"

#include <chrono>

namespace fltport {

std::atomic<bool>& cancelRequest() {
    static std::atomic<bool> requested{false};
    static_assert(std::atomic<bool>::is_always_lock_free, "set from signal handlers");
    return requested;
}

bool Transport::drain(size_t limit) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(kDrainMaxMs);
    uint8_t byte = 0;
    for (size_t discarded = 0; read(&byte, 1) == 1;)
        if (++discarded >= limit || Clock::now() >= deadline) return false;
    return true;
}

}  // namespace fltport
