#pragma once
// Reading values off the graph and the two-click descent-rate measurement.
// The window forwards its plot-area mouse events here (x in plot-area twips,
// see GraphTransform in graph_painter.h), shows `CurVal` in its
// "Instantaneous Values" frame and any returned message in a message box.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "ln_graph.h"
#include "units.h"

namespace tarvel::graph {

enum class MouseButton { None, Left, Right, Middle };
// The keys held with a click.
struct KeyModifiers {
    bool shift = false;
    bool control = false;
    bool alt = false;
};

class GraphInteraction {
public:
    // Reads the values off what `graph` draws.
    explicit GraphInteraction(LnGraph& graph);

    // Pointer moved over the plot area: moves the pointer line and refreshes CurVal.
    void mouseMove(double xTwips);
    // Button pressed over the plot area. Returns the text for an OK message
    // box, empty when there is nothing to say.
    std::string mouseDown(MouseButton button, double xTwips);

    // Another flight: no pointer line, no values, no measurement half done.
    void reset();
    // The axes or the values changed: the values under the pointer line again,
    // if it is shown, and the ruler over its times with its reading anew.
    void refresh();
    // The shown time range changed: the pointer line and the ruler marks go
    // back over their times, and hide when those are out of view.
    void followZoom();

    // Ruler: the first click sets a point, the second shows the time and
    // altitude between the two and the mean vertical speed, a third starts
    // again. Returns the reading (also shown over the plot area). The points
    // keep their times and samples: the marks follow the axes and the reading
    // the values and units of the last calculation (see refresh()).
    std::string rulerClick(double xTwips);
    bool hasRuler() const { return !m_ruler.empty(); }
    void clearRuler();

    // A time range picked with the mouse: the band while dragging, then the
    // zoom to it. False when the graph did not change.
    void dragSelection(double fromX, double toX);
    bool finishSelection(double fromX, double toX);

    // Time under the pointer (2 decimals) and the sample slot shown for it.
    struct Location {
        double time = 0;
        int slot = 0;
    };
    Location locate(double xTwips) const;

    // Texts of the "Instantaneous Values" labels: time, accel, velocity,
    // altitude, thrust.
    std::array<std::string, 5> CurVal;
    // The same values with their names and units on one line (status bar).
    std::string pointerStatus;

    // Descent-rate measurement: 0 waits for the first point, 1 for the second.
    int16_t DescentRateClickIndex = 0;
    double DescentRateTime1 = 0;  // seconds
    double DescentRateAlt1 = 0;   // altitude unit

private:
    std::string descentRateClick(const Location& at);
    void show(double xTwips, const Location& at);
    // The reading of the ruler points from the values held now.
    std::string rulerReading() const;
    void layoutRuler();
    // A mark over the plot area at time t, hidden when t is out of view.
    PointerLine markAt(double t, ColorValue color) const;

    double m_pointerTime = 0;
    std::vector<Location> m_ruler;
    // The last ruler click fell on the time of the first point.
    bool m_rulerSameTime = false;

    // The unit caption ("(ft)") of a column drawn.
    std::string_view caption(UnitGroup group) const;

    LnGraph& m_graph;
};

}  // namespace tarvel::graph
