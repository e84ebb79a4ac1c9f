#include "atmosphere.h"

#include <algorithm>
#include <cmath>

namespace tarvel::events {

namespace {

constexpr double kSeaLevelPsi = 14.6959488;
constexpr double kSeaLevelK = 288.15;
constexpr double kLapseKPerM = 0.0065;
constexpr double kTropopauseM = 11000.0;
constexpr double kExponent = 5.25588;  // g / (R lapse)
constexpr double kGasConstant = 287.053;
constexpr double kHeatRatio = 1.4;

}  // namespace

double pressureAltitudeM(double psi) {
    // A reading of zero or below has no altitude; it maps to the top of the
    // troposphere rather than to a non-number that would poison every sum.
    if (!(psi > 0)) return kTropopauseM;
    return kSeaLevelK / kLapseKPerM * (1.0 - std::pow(psi / kSeaLevelPsi, 1.0 / kExponent));
}

double speedOfSoundMps(double altitudeM) {
    const double temperature = kSeaLevelK - kLapseKPerM * std::clamp(altitudeM, -1000.0, kTropopauseM);
    return std::sqrt(kHeatRatio * kGasConstant * temperature);
}

}  // namespace tarvel::events
