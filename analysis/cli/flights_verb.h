#pragma once
// `tarvel flights FOLDER...`: the logbook of the record files in the folders,
// the table of the Flights window, brought up to date in its index first.

#include "cli.h"

namespace tarvel::cli {

Verb flightsVerb();

}  // namespace tarvel::cli
