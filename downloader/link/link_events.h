#pragma once
// What the chip link tells while it works, as codes, and the one table that
// turns them into the texts the user sees.

#include <cstdint>
#include <string>

#include "chip_state.h"

namespace vx {

enum class LinkEvent {
    StoppingChip,         // the halt sequence starts
    Retry,                // a halt try failed; count = tries so far
    AckReceived,          // count = acknowledged halts before this one
    StringMismatch,       // a checked read timed out
    ChecksumBad,          // a checked read's checksum failed
    BadRead,              // a checked read gave up
    ReadShort,            // an external read brought fewer bytes than asked
    VerifyError,          // the external EEPROM read back differently
    WriteChecksumBad,     // a checked write was answered with a wrong checksum
    TimedOut,             // the chip did not answer in time; count = the link error code
    NoCommunications,     // the link error that follows a time-out
    EepromReadComplete,   // an external read ended well
    EepromWriteComplete,  // an external write read back as written
    RescuePrompt,         // Rescue starts: the user presses the reset button
    RescueDone,           // Rescue ends: the chip waits for a program
};

// The external-EEPROM transfer a progress value belongs to.
enum class Transfer { ReadingExternal, WritingExternal, VerifyingExternal };

// Where an event's text goes: the control's status line, or the main
// window's chip status window (replacing its text).
enum class EventPlace { StatusLine, ChipWindow };

std::string eventText(LinkEvent event, int32_t count = 0);
EventPlace eventPlace(LinkEvent event);
std::string transferText(Transfer transfer);

// What the chip link reports while an operation runs.
class LinkObserver {
public:
    virtual ~LinkObserver() = default;
    virtual void linkEvent(LinkEvent event, int32_t count) = 0;
    // The addresses from `minimum` to `maximum`; the transfer starts at `minimum`.
    virtual void transferStarted(Transfer transfer, int32_t minimum, int32_t maximum) = 0;
    virtual void transferAt(int32_t address) = 0;
    virtual void transferEnded() = 0;
    virtual void chipStateChanged(ChipState state) = 0;
};

}  // namespace vx
