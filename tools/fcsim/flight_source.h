#pragma once
// Where the simulator's stored flights come from: record files (read with the
// analysis program's own reader and turned back into raw counts), raw flight
// scripts, or the flight generator.

#include <optional>
#include <string>
#include <vector>

#include "codec/raw_flight.h"

namespace fcsim {

// A .rcd file gives one flight; any other file is read as raw flight script
// (see raw_flight.h) and may hold several. nullopt and `error` on failure.
std::optional<std::vector<fltport::RawFlight>> loadFlights(const std::string& path, std::string& error);

// One generated flight; `arguments` are flight generator options ("--seed 3").
std::optional<fltport::RawFlight> generateFlight(const std::string& arguments, std::string& error);

}  // namespace fcsim
