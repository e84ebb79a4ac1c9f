#pragma once
// The main window's graph drawn from its model: what the graph shows of the
// flight held, and the drawing steps a command asked for played on it.

#include <vector>

#include "flight_analysis.h"
#include "ln_graph.h"

namespace tarvel {

// The events and the estimate of the flight held, in its units.
graph::GraphOverlay overlayOf(const FlightAnalysis& analysis);
// The flight held, with the ticked curves, units and number locale.
graph::GraphData graphDataOf(const FlightAnalysis& analysis);
// Shows `analysis` on `graph` and carries out the steps it asked for.
void drawModelGraph(const FlightAnalysis& analysis, std::vector<GraphStep> steps, graph::LnGraph& graph);

}  // namespace tarvel
