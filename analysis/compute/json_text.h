#pragma once
// JSON string literals for the command line's machine-readable output.

#include <optional>
#include <string>
#include <string_view>

namespace tarvel {

// `text` as a quoted JSON string that is always valid UTF-8. Quotes, backslashes
// and control characters are escaped; well-formed UTF-8 passes through, and any
// other byte above 0x7F is taken as a single-byte (Latin-1) character, the code
// page of record files and of the flight computer's replies.
std::string jsonString(std::string_view text);

// `value` as the shortest JSON number that reads back as the same double;
// `null` when it is absent or no finite number (JSON has no infinities).
std::string jsonNumber(std::optional<double> value);

}  // namespace tarvel
