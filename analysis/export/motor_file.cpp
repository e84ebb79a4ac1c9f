#include "motor_file.h"

#include <cctype>
#include <charconv>
#include <cmath>

#include "kinematics.h"
#include "number_text.h"
#include "record_writer.h"
#include "units.h"

namespace tarvel {

namespace {

constexpr double kKilogramsPerOunce = 0.02834952;
constexpr double kNewtonsPerPound = 4.448;

// Slot i of a sample array; the burn search and the closing point may look
// one or two slots past the store, where nothing was ever recorded.
double slot(const SampleArray& a, int i) {
    return i >= 0 && i <= kLastSlot ? a[static_cast<size_t>(i)] : 0.0;
}

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

double thrustNewtons(const FlightAnalysis& fa, int index) {
    const double thrust = slot(fa.samples.aThrust, index);
    return fa.units.Thrust == 1 ? thrust * kNewtonsPerPound : thrust;
}

}  // namespace

MotorExportDialog openMotorExportDialog(const FlightAnalysis& fa) {
    MotorExportDialog dialog;
    dialog.dblBurnTime = numberOrZero(fa.detail(DetailField::txtMotorDuration));
    dialog.txtPropelWeight = proposedPropellantOunces(fa);
    dialog.lblDesignation = proposedDesignation(fa);
    return dialog;
}

std::string proposedPropellantOunces(const FlightAnalysis& fa) {
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

std::string proposedDesignation(const FlightAnalysis& fa) {
    // Built from the figures on screen, so it names what the user sees.
    const double impulse = parseFigure(fa.figures.TotalImpulse, fa.numberLocale).value_or(0.0);
    double average = parseFigure(fa.figures.AveThrust, fa.numberLocale).value_or(0.0);
    if (fa.units.Thrust == 1) average *= kNewtonsPerPound;
    return MotorClass(impulse, fa.units.Thrust) + figureText(average, 0, fa.numberLocale);
}

std::string motorMassText(std::string_view ounces) {
    double kg = leadingNumber(ounces) * kKilogramsPerOunce;
    if (!std::isfinite(kg)) kg = 0;
    // to_chars, not printf: the file takes "." whatever the process locale.
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, kg, std::chars_format::fixed, 3);
    return std::string(buf, res.ptr);
}

std::string motorFileText(const FlightAnalysis& fa, const MotorExportDialog& dialog) {
    const std::string eol = "\r\n";
    std::string out;
    const std::string designation = singleLine(dialog.lblDesignation);
    out += "; Tarvel-Rocket produced motor file for " + designation + eol;
    // "P": plugged motor, no ejection delay; "EX": the maker field.
    out += designation + " " + singleLine(dialog.txtDiameter) + " " + singleLine(dialog.txtLength) + " P " +
           motorMassText(dialog.txtPropelWeight) + " " + motorMassText(dialog.txtTotalMotorWeight) + " EX" +
           eol;

    const auto& s = fa.samples;
    // End of the burn: n - 1 is the first sample whose running time passes
    // the burn time. A burn longer than the record stops after its last
    // sample instead of running off the end of the store.
    double t = 0;
    int n = 1;
    while (t <= dialog.dblBurnTime && n <= s.SampleCount) {
        t += slot(s.aDeltaTime, n);
        ++n;
    }
    // About twenty points over the burn. Below a stride of 2 the counter
    // would never meet it again and the file would hold a single point, so
    // short burns are written with every sample instead.
    int stride = roundHalfEvenToInt16(n / 20.0);
    if (stride < 2) stride = 2;

    t = 0;
    int counter = 0;
    for (int k = 1; k <= n; ++k) {
        t += slot(s.aDeltaTime, k);
        if (counter == 0 || counter == stride) {
            out += generalNumberText(t) + " " + twoDecimalText(thrustNewtons(fa, k)) + eol;
            counter = 1;
        }
        ++counter;
    }
    out += generalNumberText(t + slot(s.aDeltaTime, n + 1)) + " 0.00" + eol;
    return out;
}

Status exportMotorFile(const FlightAnalysis& fa, const MotorExportDialog& dialog, const std::string& path) {
    return replaceFileContents(path, motorFileText(fa, dialog));
}

}  // namespace tarvel
