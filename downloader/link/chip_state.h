#pragma once
// What the host knows of a chip's state, for the window to show. It follows
// what the host last did and the chip confirmed; nothing reads it back.

namespace vx {

enum class ChipState {
    Unknown,      // nothing done yet, the chip stopped answering, or another port
    Halted,       // stopped: a QM-40 in its command monitor, a QM-10 in the stop state
    HeldInReset,  // a QM-10 held in reset (also where a download leaves it)
    Running,      // its program was started
};

}  // namespace vx
