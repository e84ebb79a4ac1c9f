#include "csv_export.h"

#include "record_writer.h"

namespace tarvel {

std::string csvText(const Flight& flight) { return recordText(flight); }

}  // namespace tarvel
