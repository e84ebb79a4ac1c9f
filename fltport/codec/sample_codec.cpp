#include "codec/sample_codec.h"

#include <algorithm>
#include <cmath>

#include "codec/number_form.h"

namespace fltport {
namespace {

// Pressure sensor: millivolts on a 5000 mV scale, 45.9 mV per kPa with 204 mV
// at 15 kPa, then psi at 145.04 / 1000 per kPa.
constexpr double kFullScale = 1023.0;
constexpr double kMillivolts = 5000.0;
constexpr double kOffsetMv = 204.0;
constexpr double kMvPerKpa = 45.9;
constexpr double kOffsetKpa = 15.0;
constexpr double kPsiPerKpa = 145.04 / 1000.0;

constexpr double kFeetPerSecond2PerG = 32.1768;

template <typename T>
T clampedRound(double value, double low, double high) {
    if (std::isnan(value)) return static_cast<T>(low);
    return static_cast<T>(std::clamp(std::nearbyint(value), low, high));
}

}  // namespace

int accelCount(uint16_t word) {
    if (word <= 0x7FFF) return word;
    return -static_cast<int>(word & 0x7FFF) - 1;
}

uint16_t accelWord(int count) {
    count = std::clamp(count, -32768, 32767);
    if (count >= 0) return static_cast<uint16_t>(count);
    return static_cast<uint16_t>(0x8000 | (-count - 1));
}

double stepSeconds(uint16_t raw) { return raw / 100000.0; }

double pressurePsi(uint16_t raw) {
    // Evaluated in this order; the last digits of the file depend on it.
    return (((raw / kFullScale * kMillivolts - kOffsetMv) / kMvPerKpa + kOffsetKpa) * 145.04) / 1000.0;
}

double accelG(int count) { return count / kCountsPerG; }

uint16_t stepRaw(double seconds) { return clampedRound<uint16_t>(seconds * 100000.0, 0, 65535); }

uint16_t pressureRaw(double psi) {
    const double kpa = psi / kPsiPerKpa;
    return clampedRound<uint16_t>(((kpa - kOffsetKpa) * kMvPerKpa + kOffsetMv) / kMillivolts * kFullScale, 0,
                                  65535);
}

int accelCountFromG(double g) { return clampedRound<int>(g * kCountsPerG, -32768, 32767); }

std::string stepText(uint16_t raw) { return fixedForm(stepSeconds(raw), 5); }
std::string pressureText(uint16_t raw) { return generalForm(pressurePsi(raw), 7); }
std::string accelText(int count) { return generalForm(accelG(count), 5); }

std::string integrateVelocity(std::string_view step, std::string_view velocity, std::string_view accel) {
    const double result =
        (((leadingNumber(accel) * kFeetPerSecond2PerG) * leadingNumber(step)) * 3600.0) / 5280.0 +
        leadingNumber(velocity);
    return generalForm(result, 7);
}

std::string integrateDistance(std::string_view step, std::string_view distance, std::string_view velocity) {
    const double result =
        ((leadingNumber(velocity) * 5280.0) / 3600.0) * leadingNumber(step) + leadingNumber(distance);
    return generalForm(result, 7);
}

}  // namespace fltport
