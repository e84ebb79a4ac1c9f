#pragma once
// Raw samples of the flight computer and their physical values, both ways:
// the download decodes counts into record-file texts, the simulator encodes
// record-file values back into counts.

#include <cstdint>
#include <string>
#include <string_view>

namespace fltport {

// Stream bytes of a download.
inline constexpr uint8_t kFlightMarker = 5;
inline constexpr uint8_t kEndOfDownload = 255;
inline constexpr uint8_t kLineFeed = 0x0A;
inline constexpr uint8_t kCarriageReturn = 0x0D;

// Record type bytes inside a flight.
inline constexpr uint8_t kTimeRecord = 1;
inline constexpr uint8_t kAccelRecord = 3;
inline constexpr uint8_t kAccelRepeatRecord = 4;  // acceleration without value bytes
inline constexpr uint8_t kPressureRecord = 6;
inline constexpr uint8_t kEndOfFlight = 254;

// Record types followed by a two-byte value (high byte first).
constexpr bool hasValue(uint8_t type) {
    return type == kTimeRecord || type == kAccelRecord || type == kPressureRecord;
}

// The accelerometer word is sign and magnitude, but negative words mean
// -magnitude-1 (the complement), so 0x8000 is -1 and 0xFFFF is -32768.
int accelCount(uint16_t word);
uint16_t accelWord(int count);  // inverse; counts outside -32768..32767 are clamped

inline constexpr double kCountsPerG = 7.787;

double stepSeconds(uint16_t raw);  // units of 10 us
double pressurePsi(uint16_t raw);  // 10-bit sensor reading
double accelG(int count);

// Inverses for the simulator: nearest count, clamped to the value range.
uint16_t stepRaw(double seconds);
uint16_t pressureRaw(double psi);
int accelCountFromG(double g);

// Texts as the downloaded record file holds them.
std::string stepText(uint16_t raw);      // five decimals
std::string pressureText(uint16_t raw);  // general form, 7 digits
std::string accelText(int count);        // general form, 5 digits

// One integration step on texts. The running values travel as texts, so they
// are rounded to 7 significant digits after every sample; this rounding is part
// of the downloaded numbers and must be kept.
std::string integrateVelocity(std::string_view step, std::string_view velocity, std::string_view accel);
std::string integrateDistance(std::string_view step, std::string_view distance, std::string_view velocity);

}  // namespace fltport
