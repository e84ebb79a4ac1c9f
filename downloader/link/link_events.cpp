#include "link_events.h"

#include <array>

namespace vx {
namespace {

struct EventRow {
    LinkEvent event;
    const char* text;
    bool withCount;  // the count follows the text in decimal
    EventPlace place;
};

constexpr std::array<EventRow, 15> kEvents{{
    {LinkEvent::StoppingChip, "Stopping Velmix", false, EventPlace::StatusLine},
    {LinkEvent::Retry, "Retry ", true, EventPlace::StatusLine},
    {LinkEvent::AckReceived, "ACK Received", true, EventPlace::StatusLine},
    {LinkEvent::StringMismatch, "String Mismatch", false, EventPlace::StatusLine},
    {LinkEvent::ChecksumBad, "Checksum Bad", false, EventPlace::StatusLine},
    {LinkEvent::BadRead, "Bad Read", false, EventPlace::StatusLine},
    {LinkEvent::ReadShort, "Read Short", false, EventPlace::StatusLine},
    {LinkEvent::VerifyError, "Verify Error", false, EventPlace::StatusLine},
    {LinkEvent::WriteChecksumBad, "RAM Write Chksum Bad", false, EventPlace::StatusLine},
    {LinkEvent::TimedOut, "", true, EventPlace::StatusLine},
    {LinkEvent::NoCommunications, "No Communications", false, EventPlace::StatusLine},
    {LinkEvent::EepromReadComplete, "EEprom Read Complete", false, EventPlace::StatusLine},
    {LinkEvent::EepromWriteComplete, "EEprom Write Successful", false, EventPlace::StatusLine},
    {LinkEvent::RescuePrompt, "Press & release hardware reset button then wait 10 seconds", false,
     EventPlace::ChipWindow},
    {LinkEvent::RescueDone, "**Download Program Now**", false, EventPlace::ChipWindow},
}};

const EventRow& rowOf(LinkEvent event) {
    for (const EventRow& row : kEvents)
        if (row.event == event) return row;
    return kEvents.front();
}

}  // namespace

std::string eventText(LinkEvent event, int32_t count) {
    const EventRow& row = rowOf(event);
    return row.withCount ? row.text + std::to_string(count) : std::string(row.text);
}

EventPlace eventPlace(LinkEvent event) { return rowOf(event).place; }

std::string transferText(Transfer transfer) {
    switch (transfer) {
        case Transfer::ReadingExternal:
            return "Reading external EEPROM";
        case Transfer::WritingExternal:
            return "Writing external EEPROM";
        case Transfer::VerifyingExternal:
            break;
    }
    return "Verifying external EEPROM";
}

}  // namespace vx
