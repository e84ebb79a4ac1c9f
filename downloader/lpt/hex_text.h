#pragma once
// Upper-case hexadecimal text of a number, at least `digits` digits ("0A",
// "0378"): the one way this library writes numbers as text. A 64-bit value
// has at most 16 digits, so the conversion always fits its buffer; a failed
// one would give no text rather than the buffer's leftovers.

#include <cctype>
#include <charconv>
#include <cstdint>
#include <string>

namespace vx::lpt {

inline std::string hexText(uint64_t value, size_t digits = 2) {
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, 16);
    if (result.ec != std::errc()) return {};
    std::string text(buffer, result.ptr);
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (text.size() < digits) text.insert(0, digits - text.size(), '0');
    return text;
}

}  // namespace vx::lpt
