#include "kinematics.h"

#include <algorithm>
#include <cmath>

#include "number_text.h"
#include "units.h"

namespace tarvel {

namespace {

// The flight computer's own gravity figure; the library's conversion exports
// use another one, so the two never agree to the last digit.
constexpr double kGravityFtPerS2 = 32.125;
constexpr double kBaroExponent = 1.0 / 5.255876;
constexpr double kBaroScaleFt = -145442.0;
constexpr double kFeetPerMetre = 3.281;
// The burn loop never reaches the last slots a store can hold.
constexpr size_t kThrustSlotLimit = 19999;

// The detail fields are text; the thrust pass reads them once, since nothing
// can edit them while it runs.
struct ThrustInputs {
    double weight, propellant, diameter, dragCoefficient, duration;
};

ThrustInputs readThrustInputs(const DetailTexts& details) {
    auto num = [&](DetailField f) { return numberOrZero(details[static_cast<size_t>(f)]); };
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
    return unit >= 0 && unit < 4 ? VelocityFactor[static_cast<size_t>(unit)][0] : 1.0;
}

// Thrust of one burn sample. The mass term uses the lift-off weight while the
// weight term uses the burning weight `rocWt`.
double CalcThrust(const SampleStore& s, const UnitSelection& units, const ThrustInputs& in, double rocWt,
                  double previousVelocity, size_t index) {
    double w = 0, m = 0;
    switch (units.Mass) {
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
    const double previousMph = previousVelocity * velocityToMph(units.Velocity);
    const double drag = dragForce(in.diameter, in.dragCoefficient, previousMph);
    double thrust = m * at(s.aAccel, index) * kGravityFtPerS2 + w + drag;
    if (units.Thrust == 0) thrust *= 4.448;
    return thrust;
}

// Samples 1..SampleCount, never past the last slot.
size_t lastSample(const SampleStore& s) {
    return static_cast<size_t>(std::clamp<int>(s.SampleCount, 0, kLastSlot));
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

void CalculateVelocities(const SampleStore& s, const UnitSelection& units, SampleArray& velocity) {
    velocity.assign(lastSample(s) + 1, 0.0);
    for (size_t i = 1; i <= lastSample(s); ++i) {
        const double a = at(s.aAccel, i);
        const double dt = at(s.aDeltaTime, i);
        double increment = 0;
        switch (units.Velocity) {
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
        // The absolute value of the sum: a deceleration past zero still reads
        // as speed. Past the stopping sample the velocity reads as on a freshly
        // opened record: zero.
        velocity[i] = std::fabs(increment + velocity[i - 1]);
        if (!(velocity[i] >= 1)) break;
    }
}

void CalculateAltitudes(const SampleStore& s, const UnitSelection& units, SampleArray& altitude) {
    altitude.assign(lastSample(s) + 1, 0.0);
    for (size_t i = 1; i <= lastSample(s); ++i) {
        const double feet = baroAltitudeFeet(at(s.aPressure, i), at(s.aPressure, 1));
        altitude[i] = units.Distance == 1 ? feet / kFeetPerMetre : feet;
    }
}

int16_t CalculateThrustValues(const SampleStore& s, const DetailTexts& details, const UnitSelection& units,
                              const SampleArray& previousVelocity, SampleArray& thrust) {
    const ThrustInputs in = readThrustInputs(details);
    // Past the burn the thrust reads as on a freshly opened record: zero. The
    // burn may run on past the last sample, and the burn view and the motor
    // file read it there.
    thrust.assign(lastSample(s) + 1, 0.0);
    double elapsed = 0;
    size_t index = 1;
    while (index < kThrustSlotLimit) {
        // A duration of zero, a negative one or a non-number is no burn at
        // all, rather than a division by zero on the first sample.
        if (!(in.duration > 0) || in.duration < elapsed) break;
        elapsed += at(s.aDeltaTime, index);
        const double fraction = elapsed / in.duration;
        // Propellant burns off linearly; the last burn sample may pass 1.
        const double rocWt = in.weight - in.propellant * fraction;
        slotOf(thrust, index) = CalcThrust(s, units, in, rocWt, at(previousVelocity, index - 1), index);
        ++index;
    }
    return static_cast<int16_t>(index);
}

double CalculateDragForce(const DetailTexts& details, double curVelocityMph) {
    const ThrustInputs in = readThrustInputs(details);
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
