#include "csv_export.h"

#include "record_writer.h"

namespace tarvel {

std::string csvText(const FlightAnalysis& fa) { return recordText(fa); }

Status exportCsvFile(FlightAnalysis& fa, const std::string& path) {
    fa.CurOpenFileName = path;
    return replaceFileContents(path, csvText(fa));
}

}  // namespace tarvel
