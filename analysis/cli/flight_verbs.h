#pragma once
// Verbs that work on a record file the way a user works in the main window:
// "&Open" the file, then the actions in the order given, then the verb's own
// step (show the figures, list the samples, save, export).

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cli.h"
#include "flight_analysis.h"

namespace tarvel::cli {

inline constexpr std::string_view kFlightActionsHelp =
    "ACTIONS, applied left to right after opening FILE, as in the main window:\n"
    "  --set NAME=TEXT   type TEXT into a detail field and leave it (FileDetailName, FileDetailPlace,\n"
    "                    FileDetailDate, FileDetailCoefficientDrag, FileDetailWeight,\n"
    "                    FileDetailPropellantWt, FileDetailDiameter, txtMotorDuration, FileDetailNotes)\n"
    "  --units GROUP=UNIT[,...]  the units dialog and \"&OK\": altitude=ft|m, velocity=mph|ft/s|km/h|m/s,\n"
    "                    thrust=N|lbs, mass=oz|lbs|g (groups not named keep their unit)\n"
    "  --mode all|burn   \"All Curves\" or \"Accel\\Thrust\" in the Graph menu\n"
    "  --recalculate     the \"&Recalculate\" command\n"
    "  --locale NAME     digit grouping and decimal point of the figures (en_US, de_DE, C, ...);\n"
    "                    the system's by default\n"
    "OUT of save, csv, eng and render: \"-\" writes to standard output; a FIFO or a device is\n"
    "written in place, a record or motor file is replaced only once its new contents are complete.\n"
    "  --force           save and csv: write OUT even when it is FILE and FILE was read only in part\n"
    "                    (a bad value stopped the reading); what was not read is lost\n";

std::vector<Verb> flightVerbs();

int summaryVerb(const Args& args, std::ostream& out, std::ostream& err);
int seriesVerb(const Args& args, std::ostream& out, std::ostream& err);
int saveVerb(const Args& args, std::ostream& out, std::ostream& err);
int csvVerb(const Args& args, std::ostream& out, std::ostream& err);
int engVerb(const Args& args, std::ostream& out, std::ostream& err);
// The main window after the actions, painted into a PNG.
int renderVerb(const Args& args, std::ostream& out, std::ostream& err);

// The summary as one JSON object and as a readable table (what `summary`
// prints), for callers that hold a FlightAnalysis already.
std::string summaryJson(const FlightAnalysis& fa, std::string_view file);
std::string summaryTable(const FlightAnalysis& fa, std::string_view file);
// The samples as CSV: i,DeltaTime,Pressure,Accel,Velocity,Altitude,Thrust.
std::string seriesCsv(const FlightAnalysis& fa);

}  // namespace tarvel::cli
