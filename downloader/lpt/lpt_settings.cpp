#include "lpt_settings.h"

#include "hex_text.h"

namespace vx::lpt {

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

long numericValue(std::string_view text) {
    size_t i = text.find_first_not_of(" \t");
    if (i == std::string_view::npos) return 0;
    // Addresses are 16-bit; more digits than that are not an address.
    constexpr long kLimit = 0xFFFFFF;
    long value = 0;
    if (text.size() - i >= 2 && text[i] == '&' && (text[i + 1] == 'H' || text[i + 1] == 'h')) {
        for (i += 2; i < text.size() && hexDigit(text[i]) >= 0 && value <= kLimit; ++i)
            value = value * 16 + hexDigit(text[i]);
        return value;
    }
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && value <= kLimit; ++i)
        value = value * 10 + (text[i] - '0');
    return value;
}

std::string addressText(long address) {
    if (address < 500 || address > 1500) return "&H0";
    return "&H" + hexText(static_cast<uint64_t>(address), 1);
}

LptSettings ReadLptSettings(std::string_view portAddress, std::string_view portReserve) {
    return {addressText(numericValue(portAddress)), static_cast<int>(numericValue(portReserve))};
}

std::string_view defaultAddress(int number) {
    switch (number) {
        case 2:
            return "&H278";
        case 3:
            return "&H3BC";
        case 4:
            return "&H268";
        default:
            return "&H378";
    }
}

std::string dialogAddress(int number, const std::string& storedAddressText) {
    return storedAddressText == "&H0" ? std::string(defaultAddress(number)) : storedAddressText;
}

std::string lptCaption(int number) { return "LPT" + std::to_string(number) + ":"; }

std::string withPortDigit(std::string caption, int number) {
    if (caption.size() < 4) caption.resize(4, ' ');
    caption[3] = static_cast<char>('0' + number);
    return caption;
}

int captionNumber(std::string_view caption) {
    if (caption.size() < 4 || caption[3] < '1' || caption[3] > '4') return 0;
    return caption[3] - '0';
}

StartupPort startupPort(std::string_view portNumber, std::string_view portAddress) {
    long number = numericValue(portNumber);
    if (number < 1 || number > 4) number = 1;
    long address = numericValue(portAddress);
    if (address == 0) address = numericValue(defaultAddress(static_cast<int>(number)));
    return {lptCaption(static_cast<int>(number)), std::to_string(address)};
}

std::string portUnavailableText(std::string_view caption) {
    const char digit = caption.size() >= 4 ? caption[3] : ' ';
    return std::string("LPT") + digit + " Port unavailable";
}

}  // namespace vx::lpt
