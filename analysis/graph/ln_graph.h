#pragma once
// The graph engine of the main window: five axis records, tick labels, grid,
// the mapping of (time, value) to plot twips, and the reduction of a flight
// to at most about 200 drawn points per curve. It draws into a retained
// Scene; see graph_painter.h for turning the scene into pixels.

#include <cstdint>
#include <string>

#include "flight_analysis.h"
#include "graph_scene.h"

namespace tarvel::graph {

struct AxisSpec {
    std::string Caption;
    int16_t Divisions = 11;
    double MinValue = 0;
    double MaxValue = 0;
    ColorValue Color = 0;
};

enum class Axis { Time, Accel, Velocity, Altitude, Thrust };

class LnGraph : public GraphHooks {
public:
    // Starts with the initial axes drawn (InitGraph, DrawAxes) and attaches
    // itself to `analysis` (detaches again when destroyed), so the
    // recalculation and the Graph menu draw here.
    explicit LnGraph(FlightAnalysis& analysis, GraphGeometry geometry = {});
    ~LnGraph() override;
    LnGraph(const LnGraph&) = delete;
    LnGraph& operator=(const LnGraph&) = delete;

    // Geometry the next InitGraph reads (the window's layout of the panel).
    void setGeometry(const GraphGeometry& geometry) { m_designGeometry = geometry; }

    // --- GraphHooks ---
    void InitGraph() override;
    void ClearCurves() override;
    void AdjAllAxisValues() override;
    void AdjThrustAxisValues() override;
    void DrawAxes() override;
    void DrawGraph() override;
    void DrawThurstCurveGraph() override;

    void DrawTimeAxis();

    // One segment of a curve from (time1, value1) to (time2, value2).
    void PlotAccel(double value1, double time1, double value2, double time2, int16_t segment);
    void PlotVelocity(double value1, double time1, double value2, double time2, int16_t segment);
    void PlotAltitude(double value1, double time1, double value2, double time2, int16_t segment);
    void PlotThrust(double value1, double time1, double value2, double time2, int16_t segment);

    // Time under a pointer at plot-area x (twips), rounded to 2 decimals.
    double TimeAtX(int16_t x) const;

    // Widens [MinVal, MaxVal] by one IncVal step towards CurVal; never below 0.
    static void AdjAxisValues(double CurVal, double& MinVal, double& MaxVal, int16_t IncVal);

    // Plot-area twips of a time and of a value on an axis.
    double xOfTime(double t) const;
    double yOfValue(Axis axis, double v) const;

    AxisSpec& axis(Axis a) { return m_axes[static_cast<int>(a)]; }
    const AxisSpec& axis(Axis a) const { return m_axes[static_cast<int>(a)]; }

    const Scene& scene() const { return m_scene; }
    Scene& scene() { return m_scene; }

private:
    void plot(Axis axis, double value1, double time1, double value2, double time2, int segment);
    void layoutValueLabels(Axis axis, std::vector<Label>& pool, int columnOffset, int decimals);
    void layoutColumnTitles();
    // Shared block reduction of both views.
    void drawBlocks(int blockSize, int stride, bool burnView);

    FlightAnalysis& m_analysis;
    GraphGeometry m_designGeometry;
    Scene m_scene;
    AxisSpec m_axes[5];
};

// Round to `decimals` places the way a fixed-decimal text read back does.
double roundToDecimals(double value, int decimals);

}  // namespace tarvel::graph
