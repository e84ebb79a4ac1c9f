#include "motor_file.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <optional>
#include <vector>

#include "number_text.h"
#include "record_writer.h"
#include "units.h"

namespace tarvel {

namespace {

constexpr double kKilogramsPerOunce = 0.02834952;
constexpr double kNewtonsPerPound = 4.448;

// The leading numeric part of a text ("3.5 oz" reads 3.5, "" and "oz" read 0).
double leadingNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    const size_t start = i;
    auto digits = [&] {
        size_t n = 0;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++n;
        return n;
    };
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t mantissa = digits();
    if (i < text.size() && text[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0) return 0;
    size_t end = i;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        if (digits() > 0) end = i;
    }
    return numberOrZero(text.substr(start, end - start));
}

// The header fields are single-line texts; a line break typed or passed into
// one would split the header and turn the rest into data points.
std::string singleLine(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    return out;
}

double thrustNewtons(const Flight& fa, int index) {
    const double thrust = at(fa.samples.aThrust, index);
    return fa.units.Thrust == 1 ? thrust * kNewtonsPerPound : thrust;
}

// Simulators take no negative thrust; the sensor's swing below zero at the
// end of a burn is written as none.
std::string thrustText(double newtons) { return newtons < 0 ? "0.00" : twoDecimalText(newtons); }

// What a motor can sensibly measure and weigh: beyond it a field holds a
// typing slip, and its text would not fit the header's fields.
constexpr double kMaxMotorMillimetres = 10000;
constexpr double kMaxMotorOunces = 100000;

// A header size in millimetres: a number above 0 and within the bound, else nullopt.
std::optional<double> millimetres(std::string_view text) {
    const std::optional<double> value = parseNumber(text);
    if (!value || !(*value > 0) || !(*value <= kMaxMotorMillimetres)) return std::nullopt;
    return value;
}

std::string millimetreText(std::string_view text) { return generalNumberText(millimetres(text).value_or(0)); }

struct MotorPoint {
    double time;
    int sample;
};

// The data points over the burn and the time of the closing point.
struct MotorCurve {
    std::vector<MotorPoint> points;
    double closingTime = 0;
};

MotorCurve motorCurve(const Flight& fa, double burnTime) {
    const auto& s = fa.samples;
    // End of the burn: n - 1 is the first sample whose running time passes
    // the burn time. A burn that reaches the last sample stops there.
    double t = 0;
    int n = 1;
    while (t <= burnTime && n <= s.SampleCount) {
        t += at(s.aDeltaTime, n);
        ++n;
    }
    const int last = std::min<int>(n, s.SampleCount);
    // About twenty points over the burn. Below a stride of 2 the counter
    // would never meet it again and the file would hold a single point, so
    // short burns are written with every sample instead.
    int stride = roundHalfEvenToInt16(n / 20.0);
    if (stride < 2) stride = 2;

    MotorCurve curve;
    // Simulators need rising times: a sample that does not move the time on
    // (a zero or negative step) gives no point.
    double written = 0, step = 0;
    t = 0;
    int counter = 0;
    for (int k = 1; k <= last; ++k) {
        const double dt = at(s.aDeltaTime, k);
        t += dt;
        if (dt > 0) step = dt;
        if (counter == 0 || counter == stride) {
            if (t > written) {
                curve.points.push_back({t, k});
                written = t;
            }
            counter = 1;
        }
        ++counter;
    }
    // The closing point lies at the next sample's time; after the last sample
    // of the flight, one step of the last samples later.
    const double next = last < s.SampleCount ? at(s.aDeltaTime, last + 1) : 0;
    curve.closingTime = std::max(t, written) + (next > 0 ? next : step);
    return curve;
}

// A field's text in a refusal.
std::string quoted(std::string_view text) {
    if (text.empty()) return "empty";
    return "\"" + std::string(text) + "\"";
}

// The dialog's own fields: the sizes and the weights the user typed.
Status checkMotorFields(const MotorExportDialog& dialog) {
    const std::pair<std::string_view, const std::string*> sizes[] = {
        {kMotorDiameterCaption, &dialog.txtDiameter},
        {kMotorLengthCaption, &dialog.txtLength},
    };
    for (const auto& [caption, text] : sizes) {
        if (!millimetres(*text))
            return Status::failure(
                std::string(caption) + " must be a number of millimetres greater than 0 and at most " +
                generalNumberText(kMaxMotorMillimetres) + "; it is " + quoted(*text) + ".");
    }
    const std::pair<std::string_view, const std::string*> weights[] = {
        {kPropellantWeightCaption, &dialog.txtPropelWeight},
        {kTotalMotorWeightCaption, &dialog.txtTotalMotorWeight},
    };
    for (const auto& [caption, text] : weights) {
        const double ounces = leadingNumber(*text);
        if (ounces < 0)
            return Status::failure(std::string(caption) + " must not be negative; it is " + quoted(*text) +
                                   ".");
        if (!(ounces <= kMaxMotorOunces))
            return Status::failure(std::string(caption) + " must be at most " +
                                   generalNumberText(kMaxMotorOunces) + " ounces; it is " + quoted(*text) +
                                   ".");
    }
    // Compared as written, so the file itself never holds less motor than
    // propellant, nor a mass of nothing, which loaders divide by.
    const std::string propellant = motorMassText(dialog.txtPropelWeight);
    const std::string total = motorMassText(dialog.txtTotalMotorWeight);
    if (!(numberOrZero(propellant) > 0))
        return Status::failure(std::string(kPropellantWeightCaption) + " must be greater than 0; it is " +
                               quoted(dialog.txtPropelWeight) + ".");
    if (numberOrZero(total) < numberOrZero(propellant))
        return Status::failure(std::string(kTotalMotorWeightCaption) + " must not be less than the " +
                               std::string(kPropellantWeightCaption) + "; it is " +
                               quoted(dialog.txtTotalMotorWeight) + " (" + total + " kg against " +
                               propellant + " kg).");
    return Status::success();
}

}  // namespace

MotorExportDialog openMotorExportDialog(const Flight& fa, double totalImpulse, double aveThrust) {
    MotorExportDialog dialog;
    dialog.dblBurnTime = numberOrZero(fa.detail(DetailField::txtMotorDuration));
    dialog.txtPropelWeight = proposedPropellantOunces(fa);
    dialog.lblDesignation = proposedDesignation(totalImpulse, aveThrust, fa.units.Thrust);
    dialog.totalImpulse = fa.units.Thrust == 1 ? totalImpulse * kNewtonsPerPound : totalImpulse;
    return dialog;
}

std::string proposedPropellantOunces(const Flight& fa) {
    const std::string& text = fa.detail(DetailField::FileDetailPropellantWt);
    switch (fa.units.Mass) {
        case 1:
            return generalNumberText(numberOrZero(text) * 16);
        case 2:
            return generalNumberText(numberOrZero(text) / 28.349);
        default:
            return text;  // already ounces: the text as typed
    }
}

std::string proposedDesignation(double totalImpulse, double aveThrust, int16_t thrustUnit) {
    if (thrustUnit == 1) {
        aveThrust *= kNewtonsPerPound;
        totalImpulse *= kNewtonsPerPound;
    }
    const NumberLocale kUngrouped{".", ""};
    return motorImpulseClass(totalImpulse) + figureText(aveThrust, 0, kUngrouped);
}

std::string motorImpulseClass(double newtonSeconds) {
    // The bands run on without gaps, so a motor between two of the window's
    // bands (2.505 N s) is still named.
    if (!(newtonSeconds > 0)) return {};
    const char* const fractions[] = {"1/8A", "1/4A", "1/2A"};
    double upper = 0.3125;
    for (const char* name : fractions) {
        if (newtonSeconds <= upper) return name;
        upper *= 2;
    }
    for (char letter = 'A'; letter <= 'P'; ++letter, upper *= 2)
        if (newtonSeconds <= upper) return std::string(1, letter);
    return {};
}

std::string motorMassText(std::string_view ounces) {
    const double kg = leadingNumber(ounces) * kKilogramsPerOunce;
    // Four significant digits below a kilogram, three decimals from it on
    // (as before); a microgram is as fine as a motor is weighed.
    int decimals = 3;
    if (kg > 0 && std::isfinite(kg)) decimals = std::clamp(3 - int(std::floor(std::log10(kg))), 3, 9);
    // A weight checkMotorExport refuses has no mass to write.
    return fixedPointText(kg, decimals).value_or("0.000");
}

Status checkMotorExport(const Flight& fa, const MotorExportDialog& dialog) {
    if (Status fields = checkMotorFields(dialog); !fields.ok) return fields;
    // What the flight gives the motor: a burn, an impulse and a curve.
    if (!(dialog.dblBurnTime > 0))
        return Status::failure(std::string(detailCaption(DetailField::txtMotorDuration)) +
                               " must be greater than 0 for a motor file; it is " +
                               generalNumberText(dialog.dblBurnTime) + ".");
    if (!(dialog.totalImpulse > 0))
        return Status::failure("The Total Impulse must be greater than 0 for a motor file; it is " +
                               generalNumberText(dialog.totalImpulse) + " N s.");
    if (motorCurve(fa, dialog.dblBurnTime).points.empty())
        return Status::failure(
            "The burn has no sample after the start of the record, so there is no thrust "
            "curve to write.");
    return Status::success();
}

std::string motorFileText(const Flight& fa, const MotorExportDialog& dialog) {
    const std::string eol = "\r\n";
    std::string out;
    const std::string designation = singleLine(dialog.lblDesignation);
    out += "; Tarvel-Rocket produced motor file for " + designation + eol;
    std::string flight = singleLine(fa.detail(DetailField::FileDetailName));
    const std::string date = singleLine(fa.detail(DetailField::FileDetailDate));
    if (!flight.empty() && !date.empty()) flight += ", ";
    flight += date;
    if (!flight.empty()) out += "; Flight: " + flight + eol;
    // "P": plugged motor, no ejection delay; "EX": the maker field.
    out += designation + " " + millimetreText(dialog.txtDiameter) + " " + millimetreText(dialog.txtLength) +
           " P " + motorMassText(dialog.txtPropelWeight) + " " + motorMassText(dialog.txtTotalMotorWeight) +
           " EX" + eol;

    const MotorCurve curve = motorCurve(fa, dialog.dblBurnTime);
    for (const MotorPoint& p : curve.points)
        out += generalNumberText(p.time) + " " + thrustText(thrustNewtons(fa, p.sample)) + eol;
    out += generalNumberText(curve.closingTime) + " 0.00" + eol;
    return out;
}

Status exportMotorFile(const Flight& fa, const MotorExportDialog& dialog, const std::string& path) {
    if (Status check = checkMotorExport(fa, dialog); !check.ok) return check;
    return replaceFileContents(path, motorFileText(fa, dialog));
}

}  // namespace tarvel
