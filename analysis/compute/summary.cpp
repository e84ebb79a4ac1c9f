#include "summary.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "kinematics.h"
#include "number_text.h"

namespace tarvel {

namespace {

// A value that is not finite (a flight of absurd inputs) keeps the label's
// previous text instead of showing a made-up number.
void showFigure(std::string& label, double value, int decimals, const NumberLocale& locale) {
    if (std::isfinite(value)) label = figureText(value, decimals, locale);
}

}  // namespace

void DisplayAllKnownValues(FlightAnalysis& fa) {
    const auto& s = fa.samples;
    if (s.SampleCount < kMinSummarySamples) return;

    const double duration = numberOrZero(fa.detail(DetailField::txtMotorDuration));
    const double threeFeet = fa.units.Distance == 1 ? 3 / 3.281 : 3.0;

    double maxThrust = s.aThrust[0];
    double maxAltitude = 0, maxVelocity = 0, maxAccel = 0, minAccel = 0;
    double totalImpulse = 0, elapsed = 0, velocity3Ft = 0;
    bool found3Ft = false;
    // The last sample is not visited.
    const int last = std::min<int>(s.SampleCount, kLastSlot + 1);
    for (int n = 1; n < last; ++n) {
        const auto i = static_cast<size_t>(n);
        if (s.aThrust[i] > maxThrust) maxThrust = s.aThrust[i];
        if (!found3Ft && s.aAltitude[i] > threeFeet) {
            velocity3Ft = s.aVelocity[i];
            found3Ft = true;
        }
        if (s.aAltitude[i] > maxAltitude) maxAltitude = s.aAltitude[i];
        if (s.aVelocity[i] > maxVelocity) maxVelocity = s.aVelocity[i];
        if (s.aAccel[i] > maxAccel) maxAccel = s.aAccel[i];
        if (s.aAccel[i] < minAccel) minAccel = s.aAccel[i];
        elapsed += s.aDeltaTime[i];
        // A sample whose running time reaches the duration is past the burn.
        if (duration > elapsed) totalImpulse += s.aDeltaTime[i] * s.aThrust[i];
    }
    // Without a positive duration there is no burn to average over; show 0
    // rather than a division by zero.
    const double aveThrust = duration > 0 ? totalImpulse / duration : 0.0;

    auto& f = fa.figures;
    const auto& loc = fa.numberLocale;
    showFigure(f.MaxThrust, maxThrust, 2, loc);
    f.Label5 = "Ave Thrust-" + MotorClass(totalImpulse, fa.units.Thrust);
    showFigure(f.AveThrust, aveThrust, 2, loc);
    showFigure(f.MaxAccel, maxAccel, 2, loc);
    showFigure(f.MinAccel, minAccel, 2, loc);
    showFigure(f.Velocity3Ft, velocity3Ft, 1, loc);
    showFigure(f.MaxAltitude, maxAltitude, 1, loc);
    showFigure(f.MaxVelocity, maxVelocity, 1, loc);
    showFigure(f.TotalImpulse, totalImpulse, 1, loc);
}

}  // namespace tarvel
