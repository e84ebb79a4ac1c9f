#pragma once
// "Export › Data Table (CSV)..." and `tarvel table`: the flight as one table
// that spreadsheets and scripts read with no options (RFC 4180, UTF-8): one
// header row naming each column with its unit, then one row per sample with
// the elapsed time, the recorded acceleration and pressure, the velocity,
// altitude and thrust in the flight's units, the best estimate of altitude
// and velocity with their standard deviations, and the name of the event
// found at that sample. Numbers are written with "." whatever the locale, a
// value that is not known leaves its field empty. Beside the ".csv" export,
// which is the record file under another name, not instead of it.

#include <string>
#include <string_view>

#include "flight.h"
#include "flight_report.h"

namespace tarvel {

// Texts of the export command's file dialog.
inline constexpr std::string_view kDataTableDialogTitle = "Export Data Table";
inline constexpr std::string_view kDataTableFilter = "CSV Files (*.csv)|*.csv";

// The table of `flight` (its derived columns as last computed) with the
// events and the estimate of `report`, every line ended by CR LF.
std::string dataTableText(const Flight& flight, const events::FlightReport& report);

}  // namespace tarvel
