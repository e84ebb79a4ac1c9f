#pragma once
// Motor file export (.eng): a header line describing the motor, then time and
// thrust points over the burn, closed by a zero-thrust point. The export
// dialog proposes the propellant weight and the designation from the flight;
// the window and `tarvel eng` both build the file from the same dialog state.

#include <string>
#include <string_view>

#include "flight.h"

namespace tarvel {

// The export dialog (frmExport): its fields as text, as typed or proposed.
struct MotorExportDialog {
    double dblBurnTime = 0;           // from the main window's motor duration
    std::string txtDiameter;          // "Motor Diameter (mm) :"
    std::string txtLength;            // "Length (mm) :"
    std::string txtPropelWeight;      // "Propellant Weight (oz) :"
    std::string txtTotalMotorWeight;  // "Total Motor Weight (oz) :"
    std::string lblDesignation;       // "Motor Designation :" (read-only)
    double totalImpulse = 0;          // N s, of the "Total Impulse" the designation names
};

// Texts of the export command's file dialog and its closing message.
inline constexpr std::string_view kMotorExportDialogTitle = "Export Data to Motor File";
inline constexpr std::string_view kMotorExportFilter = "Motor Files (*.eng)|*.eng";
inline constexpr std::string_view kMotorExportComplete = "Export Complete";

// Captions of the dialog's fields, which the refusals name.
inline constexpr std::string_view kMotorDiameterCaption = "Motor Diameter (mm)";
inline constexpr std::string_view kMotorLengthCaption = "Length (mm)";
inline constexpr std::string_view kPropellantWeightCaption = "Propellant Weight (oz)";
inline constexpr std::string_view kTotalMotorWeightCaption = "Total Motor Weight (oz)";

// Opening the dialog: the burn time and the two proposals; the other fields
// empty. The total impulse and average thrust are the figures shown, in the
// flight's thrust unit.
MotorExportDialog openMotorExportDialog(const Flight& fa, double totalImpulse, double aveThrust);
// Propellant weight in ounces from the main window's field and weight unit.
std::string proposedPropellantOunces(const Flight& fa);
// Impulse class of the total impulse followed by the average thrust in whole
// newtons without digit grouping, e.g. "F23", "M1234", "1/2A1" (the
// designation is one field of the header line); both in thrust unit
// `thrustUnit` (0 N, 1 lbs) as the window shows them, so it names what the
// user sees.
std::string proposedDesignation(double totalImpulse, double aveThrust, int16_t thrustUnit);
// The impulse class a motor is named by: 1/8A up to 0.3125 N s, 1/4A up to
// 0.625, 1/2A up to 1.25, A up to 2.5 and each letter to P doubling the band,
// every band holding its upper bound; empty for 0 or less and above 81920.
std::string motorImpulseClass(double newtonSeconds);

// Ounces as written in the header line: the leading number of the text (empty
// or none gives 0) in kilograms, with four significant digits and at least
// three decimals (0.09922, 0.2835, 1.234, 12.346), so that a small motor's
// mass does not round to nothing.
std::string motorMassText(std::string_view ounces);

// Refuses, naming the field, what simulators would reject: a diameter or
// length that is not a number of millimetres above 0, a propellant weight
// that is not above 0, a total motor weight below the propellant weight, a
// burn time or a total impulse of 0 or less, or a burn without a sample after
// the start.
Status checkMotorExport(const Flight& fa, const MotorExportDialog& dialog);

// The whole motor file, every line ended by CR LF, for a dialog that
// checkMotorExport accepts. The comment lines name the motor and the flight
// (its name and date, when it has them), so that the exports of several
// flights can be told apart in a simulator. The header has seven space-free fields; the points
// stop at the last sample, their times rise strictly, negative thrust is
// written 0.00, and the closing point follows the last point.
std::string motorFileText(const Flight& fa, const MotorExportDialog& dialog);

// Checks the dialog, then writes the motor file to `path`; the previous file
// stays whole unless the new one was written completely. A failure carries
// the refusal or the system's error text.
Status exportMotorFile(const Flight& fa, const MotorExportDialog& dialog, const std::string& path);

}  // namespace tarvel
