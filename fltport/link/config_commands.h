#pragma once
// The flight computer's configuration exchanges: 'r' index CR for a read,
// 'w' index then value CR for a write. Replies are at most 20 bytes.

#include <cstdint>
#include <string>
#include <string_view>

#include "link/transport.h"

namespace fltport {

inline constexpr size_t kReplyBytes = 20;
inline constexpr size_t kMaxValueChars = 18;  // a value travels with CR and a zero in 20 bytes

// Chatter beyond this while draining means the device never goes quiet; the
// drain gives up rather than hang (about 2 s at 19200 baud).
inline constexpr size_t kDrainLimit = 4096;

// The value of a read: the reply without its last two bytes (the line end);
// a reply shorter than two bytes gives an empty value. At most 18 bytes.
std::string readConfig(Transport& port, uint8_t index);

// Sends the value (at most kMaxValueChars, longer values are not sent and give
// an empty reply) and returns the acknowledgement as received, line end
// included, at most 20 bytes.
std::string writeConfig(Transport& port, uint8_t index, std::string_view value);

}  // namespace fltport
