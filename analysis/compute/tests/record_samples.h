#pragma once
// Record texts for the tests: a synthetic flight in the downloaded form.

#include <cmath>
#include <memory>
#include <string>

#include "flight.h"
#include "record_reader.h"

namespace tarvel::testing {

// `rows` samples 0.01 s apart: 5 G for the first 50, then coasting at -1 G;
// the pressure falls with the climb so altitudes grow.
inline std::string downloadedRecord(int rows) {
    std::string text = "AccelData\r\nDelta Time,Baro(Psi),Accel(G),Velocity(mph),Altitude(ft),Thrust(N)\r\n";
    for (int i = 1; i <= rows; ++i) {
        const double accel = i <= 50 ? 5.0 : -1.0;
        const double pressure = 14.7 - 0.002 * i;
        char row[96];
        std::snprintf(row, sizeof row, "%s0.01,%.4f,%.2f,0,0, ", i > 1 ? "\r\n" : "", pressure, accel);
        text += row;
    }
    return text;
}

inline std::unique_ptr<Flight> loaded(std::string_view bytes, RecordReadReport* report = nullptr) {
    auto fa = std::make_unique<Flight>();
    RecordReadReport r = loadRecord(bytes, *fa);
    if (report) *report = r;
    return fa;
}

}  // namespace tarvel::testing
