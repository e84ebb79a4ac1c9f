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

std::vector<Verb> flightVerbs();

int summaryVerb(const Environment& environment, const Args& args, std::ostream& out, std::ostream& err);
int seriesVerb(const Environment& environment, const Args& args, std::ostream& out, std::ostream& err);
int saveVerb(const Environment& environment, const Args& args, std::ostream& out, std::ostream& err);
int csvVerb(const Environment& environment, const Args& args, std::ostream& out, std::ostream& err);
int engVerb(const Environment& environment, const Args& args, std::ostream& out, std::ostream& err);
// The data table: a CSV file of one header row and a row per sample.
int tableVerb(const Environment& environment, const Args& args, std::ostream& out, std::ostream& err);
// The events, statistics per flight phase and best estimate of the flight.
int statsVerb(const Environment& environment, const Args& args, std::ostream& out, std::ostream& err);
// The flight report as a PDF.
int reportVerb(const Environment& environment, const Args& args, std::ostream& out, std::ostream& err);
// The main window after the actions, painted into a PNG.
int renderVerb(const Environment& environment, const Args& args, std::ostream& out, std::ostream& err);

// The summary as one JSON object and as a readable table (what `summary`
// prints), for callers that hold a FlightAnalysis already.
std::string summaryJson(const FlightAnalysis& fa, std::string_view file);
std::string summaryTable(const FlightAnalysis& fa, std::string_view file);
// The samples as CSV: i,DeltaTime,Pressure,Accel,Velocity,Altitude,Thrust.
std::string seriesCsv(const FlightAnalysis& fa);

}  // namespace tarvel::cli
