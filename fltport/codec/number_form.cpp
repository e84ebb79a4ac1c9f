#include "codec/number_form.h"

#include <charconv>
#include <cmath>

namespace fltport {
namespace {

void stripTrailingZeros(std::string& text) {
    const auto point = text.find('.');
    if (point == std::string::npos) return;
    auto end = text.size();
    while (end > point + 1 && text[end - 1] == '0') --end;
    text.resize(end);
}

// std::to_chars into `buffer`; the text only when the conversion succeeded
// (a failed one leaves the buffer undefined), else "0".
template <size_t N, typename... Format>
std::string charsText(char (&buffer)[N], double value, Format... format) {
    const auto r = std::to_chars(buffer, buffer + N, value, format...);
    if (r.ec != std::errc{}) return "0";
    return std::string(buffer, r.ptr);
}

}  // namespace

std::string generalForm(double value, int digits) {
    // A double has no more than 17 significant digits; so the texts below fit their buffer.
    digits = digits < 1 ? 1 : digits > 17 ? 17 : digits;
    value += 0.0;  // -0 reads as 0
    char buffer[64];
    // Round to the significant digits first: the exponent that decides the
    // notation is the one of the rounded value (9.9999999 -> 10.00000).
    const std::string sciText = charsText(buffer, value, std::chars_format::scientific, digits - 1);
    const auto ePos = sciText.find('e');
    if (ePos == std::string_view::npos) return std::string(sciText);  // inf or nan
    int exponent = 0;
    std::from_chars(sciText.data() + ePos + 1 + (sciText[ePos + 1] == '+' ? 1 : 0),
                    sciText.data() + sciText.size(), exponent);

    if (exponent < -1 || exponent > digits - 1) {
        std::string mantissa = sciText.substr(0, ePos);
        if (mantissa.find('.') == std::string::npos) mantissa += '.';
        stripTrailingZeros(mantissa);
        std::string exponentDigits = std::to_string(exponent < 0 ? -exponent : exponent);
        if (exponentDigits.size() < 3) exponentDigits.insert(0, 3 - exponentDigits.size(), '0');
        return mantissa + (exponent < 0 ? "e-" : "e+") + exponentDigits;
    }
    const int decimals = digits - 1 - exponent;
    std::string text = charsText(buffer, value, std::chars_format::fixed, decimals);
    if (decimals > 0) stripTrailingZeros(text);
    return text;
}

std::string fixedForm(double value, int decimals) {
    char buffer[400];  // fixed notation of the largest double
    return charsText(buffer, value + 0.0, std::chars_format::fixed, decimals);
}

double leadingNumber(std::string_view text) {
    size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || (text[pos] >= '\t' && text[pos] <= '\r'))) ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    // Only digits or a point may start the number: no hexadecimal, no "inf".
    const auto isDigit = [&](size_t i) { return i < text.size() && text[i] >= '0' && text[i] <= '9'; };
    if (!isDigit(pos) && !(pos < text.size() && text[pos] == '.' && isDigit(pos + 1))) return 0.0;
    double value = 0.0;
    const auto r =
        std::from_chars(text.data() + pos, text.data() + text.size(), value, std::chars_format::general);
    // Out of range (1e999) reads as no number, like any other unusable text.
    if (r.ec != std::errc{}) return 0.0;
    return negative ? -value : value;
}

}  // namespace fltport
