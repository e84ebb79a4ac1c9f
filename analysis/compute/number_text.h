#pragma once
// Number <-> text rules of the analysis program. Each rule is exact: files and
// screens depend on cutting, not rounding, and on halves going to even.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "flight.h"

namespace tarvel {

// The ordinary text-to-number conversion: spaces around the number, a sign
// and an exponent are accepted; anything else is not a number.
std::optional<double> parseNumber(std::string_view text);
// Like parseNumber, for detail fields: a text that is not a number reads as 0.
double numberOrZero(std::string_view text);

// The checked way from a number to text through std::to_chars: the text only
// when the conversion succeeded (a failed one leaves its buffer undefined).
// "." whatever the locale. Fixed decimals ("0.057"); nothing for infinities and NaN.
std::optional<std::string> fixedPointText(double value, int decimals);
// The shortest text that reads back as the same double ("0.1", "1e+100").
std::optional<std::string> shortestText(double value);

// Lower-case hexadecimal, at least `digits` digits ("001f").
std::string hexText(uint64_t value, size_t digits);

// Real to 16-bit integer: nearest, halves to even.
int16_t roundHalfEvenToInt16(double value);

// General number text: up to 15 significant digits, no trailing zeros, no
// grouping, "." as point, "0." before fractions, "-" for negatives.
std::string generalNumberText(double value);

// Two-decimal text of the saved record: plain decimals cut (never rounded)
// after the second fractional digit; whole values stay whole.
std::string twoDecimalText(double value);

// Cut-N of the units dialog: general number text cut to N fractional digits
// when it has a point, otherwise unchanged.
std::string cutText(double value, int decimals);

// Figure text as the window shows it: fixed decimals, rounded, digits grouped
// by the locale; figures have no leading zero before the point (".50"), graph
// tick labels keep it ("0.50").
std::string figureText(double value, int decimals, const NumberLocale& locale, bool leadingZero = false);

}  // namespace tarvel
