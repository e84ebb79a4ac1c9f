#include "compare_view.h"

#include <QImage>
#include <algorithm>

#include "flight_samples.h"
#include "number_text.h"
#include "trace_graph.h"
#include "units.h"
#include "window_render.h"

namespace tarvel {

using compare::FigureUnit;
using compare::Quantity;

namespace {

std::string unitName(UnitGroup group, int16_t index) {
    const std::span<const UnitOption> options = unitOptions(group);
    return index >= 0 && size_t(index) < options.size() ? std::string(options[size_t(index)].name) : "";
}

ShownUnit distance(const UnitSelection& units) {
    return {DistanceFactor[1][size_t(std::clamp<int16_t>(units.Distance, 0, 1))],
            unitName(UnitGroup::Distance, units.Distance), 1};
}

ShownUnit velocity(const UnitSelection& units) {
    return {VelocityFactor[3][size_t(std::clamp<int16_t>(units.Velocity, 0, 3))],
            unitName(UnitGroup::Velocity, units.Velocity), 2};
}

// Acceleration is in G wherever the program shows it.
const ShownUnit kAcceleration{1 / events::kStandardGravity, "G", 2};

// "+12.3" / "-12.3": a difference says which way it goes.
std::string signedText(double value, int decimals, const NumberLocale& locale) {
    const std::string text = figureText(value, decimals, locale, true);
    return text.front() == '-' ? text : "+" + text;
}

}  // namespace

ShownUnit shownUnit(Quantity quantity, const UnitSelection& units) {
    switch (quantity) {
        case Quantity::Altitude:
            return distance(units);
        case Quantity::Velocity:
            return velocity(units);
        case Quantity::Acceleration:
            return kAcceleration;
        case Quantity::Thrust:
            return {ThrustFactor[0][size_t(std::clamp<int16_t>(units.Thrust, 0, 1))],
                    unitName(UnitGroup::Thrust, units.Thrust), 1};
    }
    return {};
}

ShownUnit shownUnit(FigureUnit unit, const UnitSelection& units) {
    switch (unit) {
        case FigureUnit::Metre:
            return distance(units);
        case FigureUnit::MetrePerSecond:
            return velocity(units);
        case FigureUnit::MetrePerSecondSquared:
            return kAcceleration;
        case FigureUnit::Second:
            break;
    }
    return {1, "s", 2};
}

std::vector<Quantity> CompareView::quantities() const {
    std::vector<Quantity> found;
    for (Quantity q : compare::kQuantities)
        if (std::any_of(traces.begin(), traces.end(), [q](const compare::Trace& t) { return t.has(q); }))
            found.push_back(q);
    return found;
}

double CompareView::offset(size_t trace) const {
    return trace < setup.offsets.size() ? setup.offsets[trace] : 0.0;
}

void CompareView::setOffset(size_t trace, double seconds) {
    if (setup.offsets.size() <= trace) setup.offsets.resize(trace + 1, 0.0);
    setup.offsets[trace] = seconds;
}

double CompareView::shift(size_t trace) const {
    return compare::shiftOf(traces[trace], setup.alignment, offset(trace));
}

void CompareView::showOn(graph::TraceGraph& graph) const {
    const ShownUnit unit = shownUnit(quantity, units);
    std::vector<graph::Trace> shownTraces;
    for (size_t i = 0; i < traces.size(); ++i) {
        const compare::Trace& source = traces[i];
        graph::Trace& t = shownTraces.emplace_back();
        t.name = source.name;
        t.hasQuantity = source.has(quantity);
        t.shown = isShown(i);
        t.offset = shift(i);
        if (t.hasQuantity) {
            t.time = source.time;
            t.value = source.column(quantity);
            for (double& v : t.value) v *= unit.factor;
        }
        for (const compare::TraceEvent& e : source.events) t.events.push_back({e.time, e.name});
    }
    graph.setTraces(std::move(shownTraces));
    graph.setValueAxis(std::string(compare::quantityTitle(quantity)), unit.name, unit.decimals);
    graph.setLocale(locale);
}

compare::FiguresTable CompareView::table() const { return compare::figuresTable(traces, setup); }

FiguresTableTexts figuresTableTexts(const compare::FiguresTable& table, const UnitSelection& units,
                                    const NumberLocale& locale) {
    FiguresTableTexts texts;
    texts.header.push_back("Figure");
    for (size_t i = 0; i < table.names.size(); ++i)
        texts.header.push_back(table.names[i] + (i == table.reference ? " (reference)" : ""));
    for (const compare::FigureRow& row : table.rows) {
        const ShownUnit unit = shownUnit(row.unit, units);
        std::vector<std::string>& cells = texts.rows.emplace_back();
        cells.emplace_back(row.label);
        for (size_t i = 0; i < row.cells.size(); ++i) {
            const compare::FigureCell& c = row.cells[i];
            std::string text;
            if (c.value)
                text = figureText(*c.value * unit.factor, unit.decimals, locale, true) + " " + unit.name;
            if (c.value && c.difference && i != table.reference) {
                text += " (" + signedText(*c.difference * unit.factor, unit.decimals, locale);
                if (c.percent) text += ", " + signedText(*c.percent, 1, locale) + " %";
                text += ")";
            }
            cells.push_back(std::move(text));
        }
    }
    return texts;
}

std::string FiguresTableTexts::text() const {
    std::string out;
    auto line = [&out](const std::vector<std::string>& cells) {
        for (size_t i = 0; i < cells.size(); ++i) out += (i ? "\t" : "") + cells[i];
        out += '\n';
    };
    line(header);
    for (const std::vector<std::string>& row : rows) line(row);
    return out;
}

Status writeComparisonPng(const CompareView& view, const QSize& size, const std::string& png,
                          std::ostream& out) {
    graph::TraceGraph graph;
    view.showOn(graph);
    return writePngImage(graph.render(size), png, out);
}

}  // namespace tarvel
