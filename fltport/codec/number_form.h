#pragma once
// Number texts of the serial-link library. They must not depend on the C
// locale: the library is loaded into a program that may switch LC_NUMERIC to a
// comma decimal point, and record files always use ".".

#include <string>
#include <string_view>

namespace fltport {

// General form with `digits` significant digits: fixed notation while the
// decimal exponent lies in -1..digits-1, otherwise one digit, point, digits and
// a three-digit exponent (5.e-002). Trailing fractional zeros are removed but
// the point stays ("100.", "0."); a fixed text without decimals has no point.
std::string generalForm(double value, int digits);

// Fixed notation with exactly `decimals` decimals (0.01000).
std::string fixedForm(double value, int decimals);

// The leading decimal number of a text: white space skipped, an optional sign,
// digits with an optional point and exponent; parsing stops at the first
// character that cannot continue the number. No number gives 0.
double leadingNumber(std::string_view text);

}  // namespace fltport
