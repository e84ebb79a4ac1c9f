#pragma once
// Reading the CSV files rocket simulators export: comment lines starting with
// "#", a header of "Name (unit)" columns (which may itself be the last comment
// line before the data), rows in the field separator the user chose (comma,
// semicolon, tab or spaces; a decimal comma goes with the semicolon) and
// event lines such as "# Event APOGEE occurred at t=3.1 seconds". Columns are
// found by name and unit in any order and converted to SI units.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "trace.h"

namespace tarvel::compare {

struct SimulationData {
    std::vector<double> time;  // s, strictly increasing
    // One value per time (NaN where a row has none), or empty where the file
    // lacks the quantity. Altitudes are above the first row's level when the
    // file gives them above sea level.
    std::array<std::vector<double>, kQuantityCount> columns;
    std::vector<TraceEvent> events;  // as the file names them ("APOGEE"), in file order
    std::vector<std::string> notes;  // rows left out and why, columns not understood
};

struct SimulationRead {
    Status status;  // !ok: the file is no simulation export; the text names what it lacks
    SimulationData data;
};

// `fileName` starts every message.
SimulationRead readSimulationCsv(std::string_view bytes, std::string_view fileName);

}  // namespace tarvel::compare
