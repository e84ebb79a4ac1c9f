// core_check: the analysis core on one record file, driven the way the window
// and the command line drive it, with everything it works out written to files
// in OUT_DIR: the figures and derived samples as opened, in other units and in
// the burn view, the events and the estimate, and the record, CSV and motor
// file as Save As and the exports write them. The same source is built for
// Linux and for Windows, and run_under_wine.sh compares the two folders byte
// for byte.
//
//   core_check FILE.rcd OUT_DIR

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "csv_export.h"
#include "flight_analysis.h"
#include "motor_file.h"
#include "number_text.h"
#include "report_text.h"

namespace {

using tarvel::FlightAnalysis;
using tarvel::Status;

std::string shortest(double value) { return tarvel::shortestText(value).value_or("nan"); }

// What the window shows of the flight, then every derived sample.
void writeState(std::ostream& out, const std::string& setup, const FlightAnalysis& fa, const Status& status) {
    out << "== " << setup << ": " << (status.ok ? "ok" : "refused: " + status.message) << '\n';
    const tarvel::FigureTexts& f = fa.figures;
    const tarvel::UnitCaptions& c = fa.captions;
    out << "figures " << f.MaxAccel << '|' << f.MinAccel << '|' << f.MaxVelocity << '|' << f.MaxAltitude
        << '|' << f.Velocity3Ft << '|' << f.MaxThrust << '|' << f.TotalImpulse << '|' << f.AveThrust << '|'
        << f.Label5 << '|' << fa.BaroAltitude << '\n';
    out << "captions " << c.lblUnitsMass << c.lblVelocity << c.lblAltitude << c.lblUnitsThrust << '\n';
    out << "motor " << fa.motorDesignation() << " index " << fa.MotorDurationIndex << '\n';
    const tarvel::SampleStore& s = fa.samples;
    for (int i = 1; i <= s.SampleCount && i <= tarvel::kLastSlot; ++i) {
        out << i;
        for (const tarvel::SampleArray* column : {&s.aVelocity, &s.aAltitude, &s.aThrust})
            out << ',' << shortest(tarvel::at(*column, i));
        out << '\n';
    }
}

// Files are written in binary, so the Windows build's line ends are its own.
bool writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary);
    file << bytes;
    return static_cast<bool>(file.flush());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: core_check FILE.rcd OUT_DIR\n";
        return 2;
    }
    const std::string out = std::string(argv[2]) + "/";
    FlightAnalysis fa;
    std::ostringstream state;
    const Status opened = fa.openRecordFile(argv[1]);
    if (!fa.lastRead.samplesFound) {
        std::cerr << "core_check: " << opened.message << '\n';
        return 1;
    }
    writeState(state, "opened", fa, opened);

    const tarvel::events::FlightReport& report = fa.flightReport();
    bool written =
        writeFile(out + "report.json", tarvel::events::reportJson(report, "flight", true)) &&
        writeFile(out + "report.txt", tarvel::events::reportText(report, tarvel::NumberLocale{",", "."}));

    // The exports of the flight as opened.
    tarvel::MotorExportDialog dialog = fa.motorExportDialog();
    dialog.txtDiameter = "29";
    dialog.txtLength = "124";
    dialog.txtTotalMotorWeight = "200";
    const Status motor = tarvel::exportMotorFile(fa, dialog, out + "motor.eng");
    state << "motor file: " << (motor.ok ? "written" : motor.message) << '\n';
    const Status saved = fa.saveRecordFileAs(out + "saved.rcd");
    const Status csv = tarvel::exportCsvFile(fa, out + "export.csv");
    state << "saved: " << (saved.ok ? "written" : saved.message)
          << "; csv: " << (csv.ok ? "written" : csv.message) << '\n';

    // Metres, km/h, pounds and grams; then the burn view in them.
    const Status metric = fa.applyUnits(tarvel::UnitSelection{1, 2, 1, 2});
    writeState(state, "metric", fa, metric);
    const Status burn = fa.mnuGraphAccelThrust_Click();
    writeState(state, "burn", fa, burn);

    written = writeFile(out + "state.txt", state.str()) && written;
    if (!written) {
        std::cerr << "core_check: cannot write into " << argv[2] << '\n';
        return 1;
    }
    return 0;
}
