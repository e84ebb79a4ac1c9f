#include "json_text.h"

#include <cmath>

#include "number_text.h"

namespace tarvel {

namespace {

bool inRange(unsigned char c, unsigned char low, unsigned char high) { return c >= low && c <= high; }

// Length of the well-formed UTF-8 sequence at the start of `text`, 0 when there
// is none: no overlong forms, no surrogates, nothing above U+10FFFF.
size_t utf8SequenceLength(std::string_view text) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    size_t length = 0;
    unsigned char secondLow = 0x80, secondHigh = 0xBF;
    if (inRange(lead, 0xC2, 0xDF)) {
        length = 2;
    } else if (inRange(lead, 0xE0, 0xEF)) {
        length = 3;
        if (lead == 0xE0) secondLow = 0xA0;
        if (lead == 0xED) secondHigh = 0x9F;
    } else if (inRange(lead, 0xF0, 0xF4)) {
        length = 4;
        if (lead == 0xF0) secondLow = 0x90;
        if (lead == 0xF4) secondHigh = 0x8F;
    }
    if (length == 0 || text.size() < length || !inRange(byte(1), secondLow, secondHigh)) return 0;
    for (size_t i = 2; i < length; ++i)
        if (!inRange(byte(i), 0x80, 0xBF)) return 0;
    return length;
}

}  // namespace

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7f) {
            out += "\\u" + hexText(c, 4);
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (const size_t length = utf8SequenceLength(text.substr(i))) {
            out.append(text.substr(i, length));
            i += length - 1;
        } else {
            out += static_cast<char>(0xc0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3f));
        }
    }
    return out + "\"";
}

std::string jsonNumber(std::optional<double> value) {
    if (!value || !std::isfinite(*value)) return "null";
    if (*value == 0) return "0";  // no "-0"
    return shortestText(*value).value_or("null");
}

}  // namespace tarvel
