#pragma once
// What a comparison shows, apart from any window: the traces, how they are
// lined up, the quantity and the user's units. The "Compare" window and
// `tarvel compare --png` put it on the same trace graph, so the picture is
// the window's graph.

#include <QSize>
#include <iosfwd>
#include <string>
#include <vector>

#include "comparison.h"
#include "flight.h"
#include "trace.h"

namespace tarvel {

namespace graph {
class TraceGraph;
}

// A value in SI units times `factor` is in the unit the main window shows
// (`name`, "" for seconds), with `decimals` as its figures have.
struct ShownUnit {
    double factor = 1;
    std::string name;
    int decimals = 1;
};
ShownUnit shownUnit(compare::Quantity quantity, const UnitSelection& units);
ShownUnit shownUnit(compare::FigureUnit unit, const UnitSelection& units);

struct CompareView {
    std::vector<compare::Trace> traces;
    compare::ComparisonSetup setup;
    compare::Quantity quantity = compare::Quantity::Altitude;
    UnitSelection units;
    NumberLocale locale{".", ","};
    std::vector<bool> shown;  // by trace; missing ones are shown

    // The quantities at least one trace has, in their usual order.
    std::vector<compare::Quantity> quantities() const;
    double offset(size_t trace) const;
    void setOffset(size_t trace, double seconds);
    // The seconds added to a trace's own times on the graph.
    double shift(size_t trace) const;
    bool isShown(size_t trace) const { return trace >= shown.size() || shown[trace]; }

    // Traces, their alignment and the value axis onto the graph (its zoom stays).
    void showOn(graph::TraceGraph& graph) const;
    compare::FiguresTable table() const;
};

// The figures table as the window shows it, in the user's units: a header
// ("Figure", then one column per trace) and one row per figure, each cell the
// value with its difference from the reference trace.
struct FiguresTableTexts {
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;
    // Tab-separated lines, as a spreadsheet takes them from the clipboard.
    std::string text() const;
};
FiguresTableTexts figuresTableTexts(const compare::FiguresTable& table, const UnitSelection& units,
                                    const NumberLocale& locale);

// The comparison's graph as a PNG of `size` into `png`, "-" for `out` (a
// QGuiApplication must exist).
Status writeComparisonPng(const CompareView& view, const QSize& size, const std::string& png,
                          std::ostream& out);

}  // namespace tarvel
