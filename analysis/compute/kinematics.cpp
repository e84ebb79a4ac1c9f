#include "kinematics.h"

#include <algorithm>
#include <cmath>

#include "number_text.h"

namespace tarvel {

namespace {

// The flight computer's own gravity figure; the library's conversion exports
// use another one, so the two never agree to the last digit.
constexpr double kGravityFtPerS2 = 32.125;
constexpr double kBaroExponent = 1.0 / 5.255876;
constexpr double kBaroScaleFt = -145442.0;
constexpr double kFeetPerMetre = 3.281;
// The burn loop never reaches the last slots of the store.
constexpr int kThrustSlotLimit = 19999;

// The detail fields are text; the thrust pass reads them once, since nothing
// can edit them while it runs.
struct ThrustInputs {
    double weight, propellant, diameter, dragCoefficient, duration;
};

ThrustInputs readThrustInputs(const FlightAnalysis& fa) {
    auto num = [&](DetailField f) { return numberOrZero(fa.detail(f)); };
    return {num(DetailField::FileDetailWeight), num(DetailField::FileDetailPropellantWt),
            num(DetailField::FileDetailDiameter), num(DetailField::FileDetailCoefficientDrag),
            num(DetailField::txtMotorDuration)};
}

double dragForce(double diameterIn, double dragCoefficient, double velocityMph) {
    const double v = velocityMph * 0.4472;  // m/s
    const double r = diameterIn / 2;
    // Divided by 39.37 once, not squared: the drag has always been computed
    // on this "area", and stored thrust curves depend on it.
    const double area = r * r * 3.1416 / 39.37;
    const double force = dragCoefficient * 0.5 * 1.2 * area * v * v;
    return force / 4.45 / 32.17;
}

double velocityToMph(int16_t unit) {
    return unit >= 0 && unit < 4 ? MainVelocityFactor[static_cast<size_t>(unit)][0] : 1.0;
}

// Thrust of one burn sample. The mass term uses the lift-off weight while the
// weight term uses the burning weight `rocWt`.
void CalcThrust(FlightAnalysis& fa, const ThrustInputs& in, double rocWt, int index) {
    double w = 0, m = 0;
    switch (fa.units.Mass) {
        case 0:
            w = rocWt / 16;
            m = in.weight / 16 / 32.17;
            break;
        case 1:
            w = rocWt;
            m = in.weight / 32.17;
            break;
        case 2:
            w = rocWt / 1000 * 2.2;
            m = in.weight / 1000 * 2.2 / 32.17;
            break;
        default:
            break;
    }
    auto& s = fa.samples;
    const double previousMph = s.aVelocity[static_cast<size_t>(index - 1)] * velocityToMph(fa.units.Velocity);
    const double drag = dragForce(in.diameter, in.dragCoefficient, previousMph);
    double thrust = m * s.aAccel[static_cast<size_t>(index)] * kGravityFtPerS2 + w + drag;
    if (fa.units.Thrust == 0) thrust *= 4.448;
    s.aThrust[static_cast<size_t>(index)] = thrust;
}

}  // namespace

double baroAltitudeFeet(double p, double p1) {
    // The sensor's steps repeat a pressure over many samples (on the pad, after
    // landing, near apogee), and the power is the costly part of reading and
    // recalculating a flight: the last result is kept for the same inputs.
    thread_local double lastP = std::nan(""), lastP1 = std::nan(""), lastFeet = 0;
    if (p == lastP && p1 == lastP1) return lastFeet;
    // A ground pressure of zero (or a negative ratio) has no altitude; 0 keeps
    // undefined values out of the figures and the graph.
    const double h = (std::pow(p / p1, kBaroExponent) - 1) * kBaroScaleFt;
    lastP = p, lastP1 = p1, lastFeet = std::isfinite(h) ? h : 0.0;
    return lastFeet;
}

void CalculateAllValues(FlightAnalysis& fa) {
    CalculateThrustValues(fa);
    bool VelocityDone = false;
    for (int index = 1; index <= fa.samples.SampleCount && index <= kLastSlot; ++index) {
        CalculateValues(fa, static_cast<int16_t>(index), VelocityDone);
    }
}

void CalculateValues(FlightAnalysis& fa, int16_t Index, bool& VelocityDone) {
    CalculateVelocity(fa, Index, VelocityDone);
    CalculateAltitude(fa, Index);
}

void CalculateVelocity(FlightAnalysis& fa, int16_t Index, bool& VelocityDone) {
    if (Index < 1 || Index > kLastSlot) return;
    auto& s = fa.samples;
    const auto i = static_cast<size_t>(Index);
    if (VelocityDone) {
        // Past the stopping sample the velocity reads as on a freshly opened
        // record: zero. Leaving the previous pass's values would show them in
        // the old unit after a unit change (mph figures captioned m/s).
        s.aVelocity[i] = 0;
        return;
    }
    const double a = s.aAccel[i];
    const double dt = s.aDeltaTime[i];
    double increment = 0;
    switch (fa.units.Velocity) {
        case 0:
            increment = a * kGravityFtPerS2 * dt * 3600 / 5280;
            break;
        case 1:
            increment = a * kGravityFtPerS2 * dt;
            break;
        case 2:
            increment = a * kGravityFtPerS2 * dt * 1.097;
            break;
        case 3:
            increment = a * kGravityFtPerS2 * dt / kFeetPerMetre;
            break;
        default:
            break;
    }
    // The absolute value of the sum: a deceleration past zero still reads as speed.
    s.aVelocity[i] = std::fabs(increment + s.aVelocity[i - 1]);
    if (!(s.aVelocity[i] >= 1)) VelocityDone = true;
}

void CalculateAltitude(FlightAnalysis& fa, int16_t Index) {
    if (Index < 1 || Index > kLastSlot) return;
    auto& s = fa.samples;
    const auto i = static_cast<size_t>(Index);
    const double feet = baroAltitudeFeet(s.aPressure[i], s.aPressure[1]);
    s.aAltitude[i] = fa.units.Distance == 1 ? feet / kFeetPerMetre : feet;
}

void CalculateThrustValues(FlightAnalysis& fa) {
    const ThrustInputs in = readThrustInputs(fa);
    double elapsed = 0;
    int index = 1;
    while (index < kThrustSlotLimit) {
        // A duration of zero, a negative one or a non-number is no burn at
        // all, rather than a division by zero on the first sample.
        if (!(in.duration > 0) || in.duration < elapsed) break;
        elapsed += fa.samples.aDeltaTime[static_cast<size_t>(index)];
        const double fraction = elapsed / in.duration;
        // Propellant burns off linearly; the last burn sample may pass 1.
        const double rocWt = in.weight - in.propellant * fraction;
        CalcThrust(fa, in, rocWt, index);
        ++index;
    }
    fa.MotorDurationIndex = static_cast<int16_t>(index);
    // Past the burn the thrust reads as on a freshly opened record: zero. A
    // longer burn of an earlier pass would otherwise leave its values there,
    // in the unit of that pass, to be shown and saved under the new caption.
    std::fill(fa.samples.aThrust.begin() + index, fa.samples.aThrust.end(), 0.0);
}

void CalculateAltitudes(FlightAnalysis& fa) {
    for (int index = 1; index <= fa.samples.SampleCount && index <= kLastSlot; ++index)
        CalculateAltitude(fa, static_cast<int16_t>(index));
}

double CalculateDragForce(const FlightAnalysis& fa, double curVelocityMph) {
    const ThrustInputs in = readThrustInputs(fa);
    return dragForce(in.diameter, in.dragCoefficient, curVelocityMph);
}

std::string MotorClass(double impulse, int16_t thrustUnit) {
    struct Band {
        double low, high;
        char letter;
    };
    // Bounds inclusive; the gaps between a band's top and the next one's
    // bottom (2.5 .. 2.51) belong to no class.
    static constexpr Band kBands[] = {
        {1.25, 2.5, 'A'},      {2.51, 5, 'B'},         {5.01, 10, 'C'},        {10.01, 20, 'D'},
        {20.01, 40, 'E'},      {40.01, 80, 'F'},       {80.01, 160, 'G'},      {160.01, 320, 'H'},
        {320.01, 640, 'I'},    {640.01, 1280, 'J'},    {1280.01, 2560, 'K'},   {2560.01, 5120, 'L'},
        {5120.01, 10240, 'M'}, {10240.01, 20480, 'N'}, {20480.01, 40960, 'O'}, {40960.01, 81920, 'P'},
    };
    if (thrustUnit == 1) impulse *= 4.448;
    for (const Band& band : kBands) {
        if (impulse >= band.low && impulse <= band.high) return std::string(1, band.letter);
    }
    return {};
}

}  // namespace tarvel
