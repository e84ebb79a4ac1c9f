#pragma once
// Performance summary: the figures of the main window for the flight held.

#include "flight_analysis.h"

namespace tarvel {

// Fills `figures` from the sample and derived arrays and the motor duration.
// Flights of fewer than kMinSummarySamples leave every figure as it was.
void DisplayAllKnownValues(FlightAnalysis& fa);

}  // namespace tarvel
