#include "model_graph.h"

#include "number_text.h"

namespace tarvel {

graph::GraphData graphDataOf(const FlightAnalysis& analysis) {
    graph::GraphData data;
    data.samples = &analysis.samples;
    data.motorDurationIndex = analysis.MotorDurationIndex;
    data.motorDuration = numberOrZero(analysis.detail(DetailField::txtMotorDuration));
    const GraphMenu& menu = analysis.graphMenu;
    data.curves = {menu.mnuGraphAccel, menu.mnuGraphVelocity, menu.mnuGraphAltitude, menu.mnuGraphThrust};
    data.units = analysis.units;
    data.locale = analysis.numberLocale;
    return data;
}

void drawModelGraph(const FlightAnalysis& analysis, std::vector<GraphStep> steps, graph::LnGraph& graph) {
    graph.setData(graphDataOf(analysis));
    for (const GraphStep step : steps) {
        switch (step) {
            case GraphStep::Init:
                graph.InitGraph();
                break;
            case GraphStep::ClearCurves:
                graph.ClearCurves();
                break;
            case GraphStep::AdjAllAxes:
                graph.AdjAllAxisValues();
                break;
            case GraphStep::AdjThrustAxes:
                graph.AdjThrustAxisValues();
                break;
            case GraphStep::Axes:
                graph.DrawAxes();
                break;
            case GraphStep::AllCurves:
                graph.DrawGraph();
                break;
            case GraphStep::Burn:
                graph.DrawThurstCurveGraph();
                break;
        }
    }
}

}  // namespace tarvel
