// A simulation export as the user adds it to a comparison, then its table in
// every form. A trace that is read must hold what its readers rely on: one
// value per time in every column it has, times that increase.

#include <cstdint>
#include <cstdlib>

#include "comparison.h"

using namespace tarvel::compare;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TraceLoad load =
        traceFromSimulation(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.csv");
    if (load.status.ok != load.trace.has_value()) std::abort();
    if (!load.trace) return 0;
    const Trace& t = *load.trace;
    for (size_t i = 1; i < t.time.size(); ++i)
        if (!(t.time[i] > t.time[i - 1])) std::abort();
    for (const auto& column : t.columns)
        if (!column.empty() && column.size() != t.time.size()) std::abort();
    const std::vector<Trace> traces{t, t};
    const FiguresTable table = figuresTable(traces, {Alignment::Apogee, 1, {0.5}});
    (void)tableText(table);
    (void)tableCsv(table);
    (void)comparisonJson(traces, table, Quantity::Altitude);
    return 0;
}
