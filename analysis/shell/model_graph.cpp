#include "model_graph.h"

#include <algorithm>

#include "number_text.h"
#include "units.h"

namespace tarvel {

namespace {

std::vector<graph::GraphOverlay::Event> eventLines(const events::FlightEvents& e) {
    std::vector<graph::GraphOverlay::Event> lines;
    for (const events::NamedEvent& event : events::namedEvents(e)) lines.push_back({event.time, event.name});
    return lines;
}

std::vector<double> scaled(const std::vector<double>& values, double factor) {
    std::vector<double> out(values.size());
    std::transform(values.begin(), values.end(), out.begin(), [factor](double v) { return v * factor; });
    return out;
}

}  // namespace

graph::GraphOverlay overlayOf(const FlightAnalysis& analysis) {
    const events::FlightReport& report = analysis.flightReport();
    const events::FlightEstimate& e = report.estimate;
    // From metres and m/s, by the factors the window's own curves are drawn with.
    const double toDistance = DistanceFactor[1][size_t(std::clamp<int>(analysis.units.Distance, 0, 1))];
    const double toVelocity = VelocityFactor[3][size_t(std::clamp<int>(analysis.units.Velocity, 0, 3))];
    graph::GraphOverlay o;
    o.events = eventLines(report.events);
    o.time = report.columns.time;
    o.altitude = scaled(e.altitude, toDistance);
    o.altitudeSigma = scaled(e.altitudeSigma, toDistance);
    o.velocity = scaled(e.velocity, toVelocity);
    o.velocitySigma = scaled(e.velocitySigma, toVelocity);
    return o;
}

graph::GraphData graphDataOf(const FlightAnalysis& analysis) {
    graph::GraphData data;
    data.samples = &analysis.samples;
    data.motorDurationIndex = analysis.MotorDurationIndex;
    data.motorDuration = numberOrZero(analysis.detail(DetailField::txtMotorDuration));
    const GraphMenu& menu = analysis.graphMenu;
    data.curves = {menu.mnuGraphAccel,  menu.mnuGraphVelocity, menu.mnuGraphAltitude,
                   menu.mnuGraphThrust, menu.mnuGraphEvents,   menu.mnuGraphEstimate};
    if (menu.mnuGraphEvents || menu.mnuGraphEstimate) data.overlay = overlayOf(analysis);
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
            case GraphStep::Redraw:
                graph.redraw();
                break;
        }
    }
}

}  // namespace tarvel
