#pragma once
// "Export to .CSV": the saved record form under a .csv name, for spreadsheets.
// The details come first as one-column rows, then the sample table; fields are
// not quoted, so the file reads back as a record file.

#include <string>
#include <string_view>

#include "flight.h"

namespace tarvel {

// Texts of the export command's file dialog.
inline constexpr std::string_view kCsvExportDialogTitle = "Export to a Comma Delimited File";
inline constexpr std::string_view kCsvExportFilter = "Record Files (*.csv)|*.csv";

// The content: exactly the saved record text.
std::string csvText(const Flight& flight);

}  // namespace tarvel
