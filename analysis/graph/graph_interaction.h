#pragma once
// Reading values off the graph and the two-click descent-rate measurement.
// The window forwards its plot-area mouse events here (x in plot-area twips,
// see GraphTransform in graph_painter.h), shows `CurVal` in its
// "Instantaneous Values" frame and any returned message in a message box.

#include <array>
#include <cstdint>
#include <string>

#include "flight_analysis.h"
#include "ln_graph.h"

namespace tarvel::graph {

enum class MouseButton { Left = 1, Right = 2, Middle = 4 };

class GraphInteraction {
public:
    GraphInteraction(const FlightAnalysis& analysis, LnGraph& graph);

    // Pointer moved over the plot area: moves the pointer line and refreshes CurVal.
    void mouseMove(double xTwips);
    // Button pressed over the plot area. Returns the text for an OK message
    // box, empty when there is nothing to say.
    std::string mouseDown(MouseButton button, double xTwips);

    // Another flight: no pointer line, no values, no measurement half done.
    void reset();
    // The axes or the values changed: the values under the pointer line again,
    // if it is shown.
    void refresh();

    // Time under the pointer (2 decimals) and the sample slot shown for it.
    struct Location {
        double time = 0;
        int slot = 0;
    };
    Location locate(double xTwips) const;

    // Texts of the "Instantaneous Values" labels: time, accel, velocity,
    // altitude, thrust.
    std::array<std::string, 5> CurVal;

    // Descent-rate measurement: 0 waits for the first point, 1 for the second.
    int16_t DescentRateClickIndex = 0;
    double DescentRateTime1 = 0;  // seconds
    double DescentRateAlt1 = 0;   // altitude unit

private:
    std::string descentRateClick(const Location& at);
    void show(double xTwips, const Location& at);

    const FlightAnalysis& m_analysis;
    LnGraph& m_graph;
};

}  // namespace tarvel::graph
