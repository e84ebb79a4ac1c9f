#pragma once
// "Export to .CSV": the saved record form under a .csv name, for spreadsheets.
// The details come first as one-column rows, then the sample table; fields are
// not quoted, so the file reads back as a record file.

#include <string>
#include <string_view>

#include "flight_analysis.h"

namespace tarvel {

// Texts of the export command's file dialog.
inline constexpr std::string_view kCsvExportDialogTitle = "Export to a Comma Delimited File";
inline constexpr std::string_view kCsvExportFilter = "Record Files (*.csv)|*.csv";

// The content: exactly the saved record text.
std::string csvText(const FlightAnalysis& fa);

// Like Save As, the chosen file becomes the current file (a later Save writes
// it) even when writing fails; the old file is replaced only by a complete one.
// Like Save As, it refuses the file the record was read only in part from
// unless `overPartlyRead`.
Status exportCsvFile(FlightAnalysis& fa, const std::string& path, bool overPartlyRead = false);

}  // namespace tarvel
