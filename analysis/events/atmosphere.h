#pragma once
// The international standard atmosphere, as far up as rockets of ours fly.

namespace tarvel::events {

// Pressure altitude above sea level (m) of a pressure (psi).
double pressureAltitudeM(double psi);

// Speed of sound (m/s) at an altitude above sea level (m).
double speedOfSoundMps(double altitudeM);

}  // namespace tarvel::events
