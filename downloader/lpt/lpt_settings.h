#pragma once
// The parallel-port choice as the settings and the port dialog see it:
// address texts ("&H378"), captions ("LPT1:"), and the family defaults.

#include <array>
#include <string>
#include <string_view>

namespace vx::lpt {

// Numeric value of a text as the settings hold it: "&H" and hexadecimal
// digits, or decimal digits; leading blanks are skipped, reading stops at the
// first character that does not belong, and a text without digits is 0.
long numericValue(std::string_view text);

// "&H" and the address in upper-case hexadecimal; "&H0" when the address is
// below 500 or above 1500 (decimal), which the dialog replaces by a default.
std::string addressText(long address);

struct LptSettings {
    std::string addressText;
    int reserve = 0;
};
// From the stored Port_Address and Port_Reserve texts.
LptSettings ReadLptSettings(std::string_view portAddress, std::string_view portReserve);

// The address LPTn (1..4) uses when nothing usable is stored.
std::string_view defaultAddress(int number);
// The address text the dialog opens with for LPTn.
std::string dialogAddress(int number, const std::string& storedAddressText);
// The addresses the dialog offers.
inline constexpr std::array<std::string_view, 6> kDialogAddresses = {"&H268", "&H26C", "&H278",
                                                                     "&H27C", "&H378", "&H3BC"};

// "LPTn:".
std::string lptCaption(int number);
// Replaces the 4th character of a caption with the digit of LPTn.
std::string withPortDigit(std::string caption, int number);
// The digit in the 4th character of a caption, 0 when there is none.
int captionNumber(std::string_view caption);

// The port the program opens at start from the stored Port_Number and
// Port_Address: a number outside 1..4 is LPT1, and an address of 0 (nothing
// stored) is that port's default, so a first start never writes to port 0.
struct StartupPort {
    std::string caption;
    std::string address;  // decimal
};
StartupPort startupPort(std::string_view portNumber, std::string_view portAddress);

// "LPTn Port unavailable" for a caption "LPTn:".
std::string portUnavailableText(std::string_view caption);
inline constexpr std::string_view kPortErrorTitle = "Port ERROR";

}  // namespace vx::lpt
