#pragma once
// `tarvel compare`: record files and simulation exports lined up on one time
// axis, and the table of their figures with the differences from a reference.

#include <iosfwd>
#include <string>
#include <vector>

#include "cli.h"
#include "comparison.h"

namespace tarvel::cli {

extern const std::string_view kCompareUsage;

int compareVerb(const Environment& environment, const Args& args, std::ostream& out, std::ostream& err);

// Pixels of the picture (`--size WxH`).
struct PictureSize {
    int width = 1280, height = 800;
};

// The comparison graph of `quantity` as a PNG at `path` (`--png`), "-" for
// `out`; the traces, their shifts and the reference are those of `table`.
Status writeComparisonPng(const std::vector<compare::Trace>& traces, const compare::FiguresTable& table,
                          compare::Quantity quantity, const std::string& path, const PictureSize& size,
                          std::ostream& out);

}  // namespace tarvel::cli
