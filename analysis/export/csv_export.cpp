#include "csv_export.h"

#include "record_writer.h"

namespace tarvel {

std::string csvText(const FlightAnalysis& fa) { return recordText(fa); }

// The content is the saved record, so the export is Save As.
Status exportCsvFile(FlightAnalysis& fa, const std::string& path, bool overPartlyRead) {
    return fa.saveRecordFileAs(path, overPartlyRead);
}

}  // namespace tarvel
