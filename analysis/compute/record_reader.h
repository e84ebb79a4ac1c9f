#pragma once
// Reading record files (.rcd) in both forms: the downloaded one (no details,
// rows ending in ", ") and the saved one (details, header from the units).
//
// The reader returns the Flight a file holds, as read: the derived columns
// are zero except the altitude in feet the reader writes.

#include <string>
#include <string_view>

#include "flight.h"

namespace tarvel {

// Sequential reading of a record file the two ways the program has always
// read it: field by field, where commas and line ends both end a field,
// spaces before a field are skipped and double quotes protect commas (two
// double quotes inside them stand for one); and line by line for the value of
// a detail key. CR LF, LF and CR all end a line. A UTF-8 byte-order mark
// before the first line is no part of it.
class RecordInput {
public:
    explicit RecordInput(std::string_view bytes);

    bool atEnd() const { return m_pos >= m_bytes.size(); }
    // Both return views valid until the next read.
    std::string_view readField();
    std::string_view readLine();
    // The last field read was written in double quotes.
    bool lastFieldQuoted() const { return m_lastQuoted; }
    // Line (from 1) on which the last field or line read began.
    int lastLine() const { return m_lastLine; }
    // Lines from the current position to the end, counted up to `most` (a
    // row takes one): how many slots the sample table may need.
    size_t linesLeft(size_t most) const;

private:
    bool atLineEnd() const { return !atEnd() && (m_bytes[m_pos] == '\r' || m_bytes[m_pos] == '\n'); }
    void skipLineEnd();

    std::string_view m_bytes;
    std::string m_unquoted;  // a quoted field that held doubled quotes
    bool m_lastQuoted = false;
    size_t m_pos = 0;
    int m_line = 1;
    int m_lastLine = 1;
};

// A key of the detail section ("FDName", "FDWeight(oz)", "AccelData", ...).
bool isRecordDetailKey(std::string_view field);

// The detail section, up to and including "AccelData" or to the end.
RecordReadReport RetrieveFileData(RecordInput& in, Flight& flight);
// The sample table from the current position to the end; SampleCount grows
// from its current value (1 for a new record) as rows are read.
RecordReadReport RetrieveAccelData(RecordInput& in, Flight& flight);

// The flight `bytes` hold (both sections, `lastRead` says how the reading
// ended). Units the file does not name stay as in `unitsBefore`, except the
// weights: those of a file that names none are ounces.
Flight readRecord(std::string_view bytes, const UnitSelection& unitsBefore = {});
// readRecord over the units `flight` is in, into `flight`.
RecordReadReport loadRecord(std::string_view bytes, Flight& flight);
// The most a record file can need: 20,000 rows of long numbers and details
// with pages of notes stay far below it. A larger file is not read at all.
inline constexpr size_t kMaxRecordFileBytes = 32u << 20;
// Reads `path` whole; a failure names the file and carries the system's text
// for the error. A file over kMaxRecordFileBytes is refused and `tooLarge` set.
Status readWholeFile(const std::string& path, std::string& bytes, bool* tooLarge = nullptr);
// Reads `path` whole when it is a regular file of at most `limit` bytes, for
// settings and other small files of the program's own. Nothing else is
// opened: a FIFO or a device there would block the reader or never end. A
// failure names the file and gives the reason.
Status readSmallRegularFile(const std::string& path, size_t limit, std::string& bytes);
// readWholeFile + loadRecord; `report` (if given) says where reading stopped.
Status loadRecordFile(const std::string& path, Flight& flight, RecordReadReport* report = nullptr);

}  // namespace tarvel
