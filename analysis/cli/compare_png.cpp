#include <QSize>

#include "compare_verb.h"
#include "compare_view.h"
#include "window_render.h"

namespace tarvel::cli {

Status writeComparisonPng(const std::vector<compare::Trace>& traces, const compare::FiguresTable& table,
                          compare::Quantity quantity, const std::string& path, const PictureSize& size,
                          std::ostream& out) {
    const GuiApplicationScope gui;
    // The traces where the table put them: each at its own time 0 moved by its shift.
    CompareView view;
    view.traces = traces;
    view.setup.alignment = compare::Alignment::Offset;
    view.setup.offsets = table.shifts;
    view.setup.reference = table.reference;
    view.quantity = quantity;
    return writeComparisonPng(view, QSize(size.width, size.height), path, out);
}

}  // namespace tarvel::cli
