#pragma once
// The graph engine of the main window: five axis records, tick labels, grid,
// the mapping of (time, value) to plot twips, and the reduction of a flight
// to at most about 200 drawn points per curve. It draws into a retained
// Scene; see graph_painter.h for turning the scene into pixels.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "flight.h"
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

// Seconds from `first` to `last`.
struct TimeRange {
    double first = 0;
    double last = 0;
};

// Shortest time range a zoom shows: ten steps of the time labels' 0.01 s.
inline constexpr double kMinZoomSpan = 0.1;

// What the graph may draw over the flight besides its curves, on its time
// axis and in the units of its value axes: the events as labelled lines, and
// the best estimate of altitude and velocity, each with a band of two
// standard deviations either side.
struct GraphOverlay {
    struct Event {
        double time = 0;
        std::string label;
    };
    std::vector<Event> events;
    // One value per sample.
    std::vector<double> time, altitude, altitudeSigma, velocity, velocitySigma;
};

// What the graph draws: a flight's columns and how to show them. The
// columns stay with their owner, who sets the data anew before each drawing.
struct GraphData {
    const SampleStore* samples = nullptr;  // none: a graph without a flight
    int16_t motorDurationIndex = 0;        // the burn view's extent
    double motorDuration = 0;              // seconds; the burn view's axes stop after it
    struct Curves {
        bool accel = true, velocity = true, altitude = true, thrust = true;
        bool events = false, estimate = false;  // of the overlay
    } curves;                                   // the ticked ones are drawn
    GraphOverlay overlay;
    UnitSelection units;           // of the column titles
    NumberLocale locale{".", ""};  // of the tick labels
};

class LnGraph {
public:
    // Starts with the initial axes drawn (InitGraph, DrawAxes).
    explicit LnGraph(GraphGeometry geometry = {});

    // Geometry the next InitGraph reads (the window's layout of the panel).
    void setGeometry(const GraphGeometry& geometry) { m_designGeometry = geometry; }
    void setData(const GraphData& data) { m_data = data; }
    const GraphData& data() const { return m_data; }
    // The columns drawn; an empty flight when there are none.
    const SampleStore& samples() const;

    void InitGraph();
    void ClearCurves();
    void AdjAllAxisValues();
    void AdjThrustAxisValues();
    void DrawAxes();
    void DrawGraph();
    void DrawThurstCurveGraph();

    void DrawTimeAxis();
    // The view last drawn, drawn again (after a change of the overlay asked
    // for); nothing before the first.
    void redraw();

    // One segment of a curve from (time1, value1) to (time2, value2).
    void PlotAccel(double value1, double time1, double value2, double time2, int16_t segment);
    void PlotVelocity(double value1, double time1, double value2, double time2, int16_t segment);
    void PlotAltitude(double value1, double time1, double value2, double time2, int16_t segment);
    void PlotThrust(double value1, double time1, double value2, double time2, int16_t segment);

    // Time under a pointer at plot-area x (twips), rounded to 2 decimals.
    double TimeAtX(int16_t x) const;
    // The exact time at plot-area x, the inverse of xOfTime.
    double timeOfX(double xTwips) const;

    // --- zoom ---
    // A zoom shows part of the flight on the time axis; the value axes then
    // follow the samples in that part with round tick steps. The axis records
    // above keep the whole flight; InitGraph ends a zoom. Each call redraws
    // the axes and the view last drawn, and returns false when it changed
    // nothing (no flight drawn, or already showing that range).
    bool isZoomed() const { return m_zoom.has_value(); }
    // The time range shown, zoomed or not.
    TimeRange shownTimeRange() const;
    // [t1, t2] in either order, kept inside the time axis and at least
    // kMinZoomSpan long; a range that takes in the whole axis zooms out.
    bool zoomTo(double t1, double t2);
    bool zoomOut();
    // Scales the shown span by `factor` (< 1 zooms in) keeping the time under
    // plot-area x where it is.
    bool zoomAround(double xTwips, double factor);
    // Moves the shown range by the time of dxTwips (> 0 shows later times).
    bool panBy(double dxTwips);
    // The axis as drawn: the record above, or its zoomed range.
    const AxisSpec& shownAxis(Axis a) const;

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
    // Shared block reduction of both views. Zoomed, only the blocks in the
    // shown range are drawn, with their segments numbered from 0.
    void drawBlocks(int blockSize, int stride, bool burnView);
    // The overlay the curves ask for, over the range shown; the estimate in
    // the all-curves view only, whose axes it shares.
    void drawOverlay(bool burnView);
    BandCurve band(Axis axis, const std::vector<double>& values, const std::vector<double>& sigma) const;
    // Block size of a zoomed view: about 200 blocks over the samples shown.
    int zoomedBlockSize() const;
    // Sample slots from the last at or before `range.first` to the first at
    // or after `range.last`, within 1..SampleCount.
    std::pair<int, int> slotsCovering(const TimeRange& range) const;
    void updateShownAxes();
    bool showRange(std::optional<TimeRange> range);

    enum class View { None, All, Burn };

    GraphData m_data;
    GraphGeometry m_designGeometry;
    Scene m_scene;
    AxisSpec m_axes[5];
    AxisSpec m_shown[5];
    std::optional<TimeRange> m_zoom;
    View m_lastView = View::None;
};

// The range [lo', hi'] around [lo, hi] that `steps` equal steps of 1, 2 or 5
// times a power of ten (and at least minStep) cover, starting at a multiple
// of the step.
std::pair<double, double> niceAxisRange(double lo, double hi, double minStep, int steps = 10);

// The range a zoom to `wanted` shows on a time axis running over `full`: in
// order, inside the axis and at least kMinZoomSpan long (or the whole axis
// when that is shorter); nothing, for the whole axis, when `wanted` takes it
// all in or is no number.
std::optional<TimeRange> zoomRangeWithin(const TimeRange& full, TimeRange wanted);

// Round to `decimals` places the way a fixed-decimal text read back does.
double roundToDecimals(double value, int decimals);

}  // namespace tarvel::graph
