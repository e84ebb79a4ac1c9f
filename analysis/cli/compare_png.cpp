#include "compare_verb.h"

namespace tarvel::cli {

// The compare graph paints the picture; until it joins the command line the
// option says so rather than writing nothing.
Status writeComparisonPng(const std::vector<compare::Trace>&, const compare::FiguresTable&, compare::Quantity,
                          const std::string& path) {
    return Status::failure("cannot write " + path + ": this build of tarvel draws no comparison graph");
}

}  // namespace tarvel::cli
