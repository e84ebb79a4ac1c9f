#include "number_text.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <locale>
#include <span>
#include <system_error>

#if defined(__unix__) || defined(__APPLE__)
#include <langinfo.h>
#include <locale.h>
#endif

namespace tarvel {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// A decimal value as up to 15 significant digits: value = 0.d1d2d3... x 10^exponent.
// Fifteen digits is what the program's number-to-text conversion has always
// produced, so every text form below starts from the same digits.
struct Digits {
    bool negative = false;
    std::string digits;  // no leading or trailing zeros; empty for zero
    int exponent = 0;    // position of the point relative to the first digit
};

// std::to_chars into `buffer`; the text only when the conversion succeeded.
template <typename... Format>
std::optional<std::string_view> charsText(std::span<char> buffer, double value, Format... format) {
    const auto res = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, format...);
    if (res.ec != std::errc()) return std::nullopt;
    return std::string_view(buffer.data(), static_cast<size_t>(res.ptr - buffer.data()));
}

Digits significantDigits(double value) {
    Digits d;
    if (value == 0.0 || !std::isfinite(value)) return d;
    // d.dddddddddddddde±xx: 15 significant digits, correctly rounded.
    char buffer[32];
    const std::optional<std::string_view> scientific =
        charsText(buffer, value, std::chars_format::scientific, 14);
    if (!scientific) return d;
    const std::string_view text = *scientific;
    size_t pos = 0;
    if (text[pos] == '-') {
        d.negative = true;
        ++pos;
    }
    size_t ePos = text.find('e');
    for (size_t i = pos; i < ePos; ++i)
        if (text[i] != '.') d.digits.push_back(text[i]);
    int exp10 = 0;
    std::from_chars(text.data() + ePos + (text[ePos + 1] == '+' ? 2 : 1), text.data() + text.size(), exp10);
    while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
    d.exponent = exp10 + 1;
    return d;
}

// Plain decimal text of the digits, never in exponent form: "0.009", "150", "-3.14159".
std::string plainText(const Digits& d) {
    if (d.digits.empty()) return "0";
    std::string out = d.negative ? "-" : "";
    const int n = static_cast<int>(d.digits.size());
    if (d.exponent <= 0) {
        out += "0.";
        out.append(static_cast<size_t>(-d.exponent), '0');
        out += d.digits;
    } else if (d.exponent >= n) {
        out += d.digits;
        out.append(static_cast<size_t>(d.exponent - n), '0');
    } else {
        out.append(d.digits, 0, static_cast<size_t>(d.exponent));
        out += '.';
        out.append(d.digits, static_cast<size_t>(d.exponent));
    }
    return out;
}

// Keep at most `decimals` digits after the point; drop a bare trailing point.
std::string cutAfterPoint(std::string text, int decimals) {
    size_t point = text.find('.');
    if (point == std::string::npos) return text;
    size_t keep = point + 1 + static_cast<size_t>(decimals);
    if (keep < text.size()) text.resize(keep);
    if (decimals == 0) text.resize(point);
    return text;
}

// Eight ASCII digits at `p` as their number, eight at a time: most numbers in
// a record file have fifteen digits, and a file has tens of thousands.
bool eightDigits(const char* p, uint64_t& value) {
    if constexpr (std::endian::native != std::endian::little) return false;
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    // Every byte between '0' and '9': high nibble 3, and adding 6 keeps it 3.
    if (((v & 0xF0F0F0F0F0F0F0F0) | (((v + 0x0606060606060606) & 0xF0F0F0F0F0F0F0F0) >> 4)) !=
        0x3333333333333333)
        return false;
    v = ((v & 0x0F0F0F0F0F0F0F0F) * 2561) >> 8;
    v = ((v & 0x00FF00FF00FF00FF) * 6553601) >> 16;
    value = ((v & 0x0000FFFF0000FFFF) * 42949672960001) >> 32;
    return true;
}

// Appends the run of digits from s[i] to `value` (wrapping past 19 digits,
// where the caller no longer uses it); returns the index after the run.
size_t appendDigits(std::string_view s, size_t i, uint64_t& value) {
    uint64_t v = value;
    const char* p = s.data();
    const size_t size = s.size();
    for (uint64_t chunk; size - i >= 8 && eightDigits(p + i, chunk); i += 8) v = v * 100000000 + chunk;
    for (; i < size && p[i] >= '0' && p[i] <= '9'; ++i) v = v * 10 + static_cast<uint64_t>(p[i] - '0');
    value = v;
    return i;
}

}  // namespace

std::optional<std::string> fixedPointText(double value, int decimals) {
    if (!std::isfinite(value)) return std::nullopt;
    decimals = std::max(decimals, 0);
    // The largest double has 309 integer digits.
    std::string buffer(320 + static_cast<size_t>(decimals), '\0');
    const auto text = charsText(buffer, value, std::chars_format::fixed, decimals);
    return text ? std::optional<std::string>(*text) : std::nullopt;
}

std::optional<std::string> shortestText(double value) {
    char buffer[32];
    const auto text = charsText(buffer, value);
    return text ? std::optional<std::string>(*text) : std::nullopt;
}

std::string hexText(uint64_t value, size_t digits) {
    char buffer[16];  // the 16 digits of the largest 64-bit value
    const auto res = std::to_chars(buffer, buffer + sizeof buffer, value, 16);
    std::string text = res.ec == std::errc() ? std::string(buffer, res.ptr) : std::string();
    if (text.size() < digits) text.insert(0, digits - text.size(), '0');
    return text;
}

std::optional<double> parseNumber(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && isBlank(text[b])) ++b;
    while (e > b && isBlank(text[e - 1])) --e;
    std::string_view s = text.substr(b, e - b);
    if (s.empty()) return std::nullopt;

    // Validate the shape ourselves: from_chars would also take "inf" and "nan",
    // which the program never treated as numbers. The digits are gathered on
    // the way for the quick conversion below.
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    size_t i = 0;
    bool negative = false;
    if (s[i] == '+' || s[i] == '-') negative = s[i++] == '-';
    const size_t mantissaStart = i;
    // value = mantissa x 10^scale; exact while it has at most 15 significant digits.
    uint64_t mantissa = 0;
    int scale = 0;
    size_t digits = 0, significant = 0;
    const size_t integerStart = i;
    while (i < s.size() && s[i] == '0') ++i;
    const size_t integerDigits = i;
    i = appendDigits(s, i, mantissa);
    significant = i - integerDigits;
    digits = i - integerStart;
    if (i < s.size() && s[i] == '.') {
        const size_t fractionStart = ++i;
        if (mantissa == 0)
            while (i < s.size() && s[i] == '0') ++i;
        const size_t fractionDigits = i;
        i = appendDigits(s, i, mantissa);
        significant += i - fractionDigits;
        digits += i - fractionStart;
        scale = -static_cast<int>(i - fractionStart);
    }
    if (digits == 0) return std::nullopt;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        size_t j = i + 1;
        bool expNegative = false;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) expNegative = s[j++] == '-';
        size_t expDigits = 0;
        int exponent = 0;
        while (j < s.size() && isDigit(s[j])) {
            if (exponent < 10000) exponent = exponent * 10 + (s[j] - '0');
            ++j, ++expDigits;
        }
        if (expDigits == 0) return std::nullopt;
        scale += expNegative ? -exponent : exponent;
        i = j;
    }
    if (i != s.size()) return std::nullopt;

    // Up to 15 digits and a power of ten up to 22 are exact doubles, so one
    // multiplication or division rounds exactly as the full conversion does.
    static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                         1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    if (significant <= 15 && scale >= -22 && scale <= 22) {
        const auto m = static_cast<double>(mantissa);
        const double value = scale < 0 ? m / kPowers[-scale] : m * kPowers[scale];
        return negative ? -value : value;
    }

    // from_chars takes no leading '+', so the sign is applied here.
    double value = 0;
    auto res = std::from_chars(s.data() + mantissaStart, s.data() + s.size(), value);
    if (res.ec != std::errc() || res.ptr != s.data() + s.size()) return std::nullopt;
    return negative ? -value : value;
}

double numberOrZero(std::string_view text) { return parseNumber(text).value_or(0.0); }

int16_t roundHalfEvenToInt16(double value) {
    if (std::isnan(value)) return 0;
    // nearbyint follows the default rounding mode: to nearest, halves to even.
    double r = std::nearbyint(value);
    // An overflow was a run-time error; saturating keeps every caller's index in range.
    if (r > std::numeric_limits<int16_t>::max()) return std::numeric_limits<int16_t>::max();
    if (r < std::numeric_limits<int16_t>::min()) return std::numeric_limits<int16_t>::min();
    return static_cast<int16_t>(r);
}

std::string generalNumberText(double value) {
    Digits d = significantDigits(value);
    if (d.digits.empty()) return "0";
    // Magnitudes below 0.0001 or from 1E+15 on in exponent form ("1.5E-05",
    // "1E+20"); the reader takes both forms.
    const int exp10 = d.exponent - 1;
    if (exp10 < -4 || exp10 >= 15) {
        std::string out = d.negative ? "-" : "";
        out += d.digits[0];
        if (d.digits.size() > 1) {
            out += '.';
            out.append(d.digits, 1);
        }
        std::string exponent = std::to_string(std::abs(exp10));
        if (exponent.size() < 2) exponent.insert(0, 1, '0');
        return out + (exp10 < 0 ? "E-" : "E+") + exponent;
    }
    return plainText(d);
}

std::string twoDecimalText(double value) { return cutAfterPoint(plainText(significantDigits(value)), 2); }

std::string cutText(double value, int decimals) {
    // Cut the plain digits, not the exponent form: cutting "1.5E-05" after the
    // point would turn a tiny figure into 1.5.
    return cutAfterPoint(plainText(significantDigits(value)), decimals);
}

std::string figureText(double value, int decimals, const NumberLocale& locale, bool leadingZero) {
    if (decimals < 0) decimals = 0;
    Digits d = significantDigits(value);
    // Integer and fraction digits of the 15-digit decimal value, then rounded
    // half away from zero at `decimals` places, as the window's formatting does.
    std::string intPart, fracPart;
    const int n = static_cast<int>(d.digits.size());
    for (int pos = 0; pos < std::max(d.exponent, 0); ++pos) intPart += pos < n ? d.digits[pos] : '0';
    for (int pos = d.exponent; pos < d.exponent + decimals + 1; ++pos)
        fracPart += (pos >= 0 && pos < n) ? d.digits[pos] : '0';
    const bool roundUp = fracPart.back() >= '5';
    fracPart.pop_back();
    std::string all = intPart + fracPart;
    if (roundUp) {
        int i = static_cast<int>(all.size()) - 1;
        while (i >= 0 && all[i] == '9') all[i--] = '0';
        if (i >= 0)
            ++all[i];
        else
            all.insert(all.begin(), '1');
    }
    const size_t intLen = all.size() - static_cast<size_t>(decimals);
    intPart = all.substr(0, intLen);
    fracPart = all.substr(intLen);
    size_t firstNonZero = intPart.find_first_not_of('0');
    intPart.erase(0, firstNonZero == std::string::npos ? intPart.size() : firstNonZero);
    const bool isZero = intPart.empty() && fracPart.find_first_not_of('0') == std::string::npos;

    if (intPart.empty() && (leadingZero || decimals == 0)) intPart.push_back('0');
    std::string grouped;
    if (!locale.groupSeparator.empty()) {
        for (size_t i = 0; i < intPart.size(); ++i) {
            if (i > 0 && (intPart.size() - i) % 3 == 0) grouped += locale.groupSeparator;
            grouped += intPart[i];
        }
    } else {
        grouped = intPart;
    }
    // A value that rounds to zero shows without a sign ("-.00" would be noise).
    std::string out = (d.negative && !isZero) ? "-" : "";
    out += grouped;
    if (decimals > 0) {
        out += locale.decimalPoint;
        out += fracPart;
    }
    return out;
}

namespace {

std::optional<NumberLocale> fromStdLocale(const std::string& name) {
#if defined(__unix__) || defined(__APPLE__)
    // The C library's texts, whole: std::numpunct<char> gives one byte of a
    // point or separator that takes several.
    const locale_t loc = ::newlocale(LC_NUMERIC_MASK, name.c_str(), locale_t(0));
    if (loc == locale_t(0)) return std::nullopt;
    const NumberLocale result = NumberLocale::fromPunctuation(
        ::nl_langinfo_l(RADIXCHAR, loc), ::nl_langinfo_l(THOUSEP, loc), ::nl_langinfo_l(GROUPING, loc));
    ::freelocale(loc);
    return result;
#else
    try {
        std::locale loc(name);
        const auto& punct = std::use_facet<std::numpunct<char> >(loc);
        return NumberLocale::fromPunctuation(std::string(1, punct.decimal_point()),
                                             std::string(1, punct.thousands_sep()), punct.grouping());
    } catch (const std::exception&) {
        return std::nullopt;
    }
#endif
}

}  // namespace

NumberLocale NumberLocale::fromPunctuation(std::string_view point, std::string_view separator,
                                           std::string_view grouping) {
    NumberLocale result;
    result.decimalPoint = point.empty() ? "." : std::string(point);
    const bool groups = !grouping.empty() && grouping[0] > 0 && grouping[0] != CHAR_MAX;
    result.groupSeparator = groups ? std::string(separator) : std::string();
    return result;
}

NumberLocale NumberLocale::system() {
    const char* names[] = {"LC_ALL", "LC_NUMERIC", "LANG"};
    for (const char* var : names) {
        const char* value = std::getenv(var);
        if (value && *value) {
            if (auto loc = named(value)) return *loc;
            break;
        }
    }
    return NumberLocale{".", ""};
}

std::optional<NumberLocale> NumberLocale::named(std::string_view name) {
    std::string n(name);
    if (n == "C" || n == "POSIX" || n.rfind("C.", 0) == 0) return NumberLocale{".", ""};
    // The locales tests and scripts rely on are fixed here, so they do not
    // depend on which locales the machine has installed.
    std::string base = n.substr(0, n.find_first_of(".@"));
    if (base == "en_US" || base == "en_GB" || base == "en_AU" || base == "en_CA")
        return NumberLocale{".", ","};
    if (base == "de_DE" || base == "de_AT" || base == "nl_NL" || base == "it_IT" || base == "es_ES")
        return NumberLocale{",", "."};
    if (auto loc = fromStdLocale(n)) return loc;
    if (auto loc = fromStdLocale(n + ".UTF-8")) return loc;
    return std::nullopt;
}

}  // namespace tarvel
