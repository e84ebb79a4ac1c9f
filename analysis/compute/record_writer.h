#pragma once
// Writing record files in the saved form: the rocket details as key and value
// lines, the baro altitude, then the sample table with a header built from the
// unit captions. Every line ends with CR LF, the last one too.

#include <ostream>
#include <string>
#include <string_view>

#include "flight.h"

namespace tarvel {

// The header line of the sample table, from the flight's units.
std::string recordHeaderLine(const UnitSelection& units);
// The whole saved form. Raw columns (delta time, pressure, acceleration) in
// general number text, derived ones (velocity, altitude, thrust) cut to two
// decimals.
std::string recordText(const Flight& flight);
// The same into a stream; open it in binary mode so CR LF stays as written.
void writeRecord(std::ostream& out, const Flight& flight);
// recordText into `path`, replacing the file only once it was written whole.
Status writeRecordFile(const std::string& path, const Flight& flight);

// Writes `bytes` to a temporary file beside `path` and puts it in the place of
// `path` only when every byte was written, so a failure leaves the old file
// as it was. A file that may not be written (read-only, a folder) is refused
// as writing it in place would be. A writable file in a folder that takes no
// new file is written in place, its old content put back should that fail. A target that is no regular file
// (a FIFO, a device) is written in place and never replaced. Failures read "cannot write PATH: " and the
// system's error text.
Status replaceFileContents(const std::string& path, std::string_view bytes);

// Writes `bytes` into the regular file `path` itself, keeping its owner,
// permissions and other names; for a file that must not be replaced by a new
// one. Should the writing fail part way (a full disk), the old content is put
// back. A file that cannot be read is not written, as that could not be done.
// Failures read "cannot write PATH: " and the system's text.
Status rewriteFileInPlace(const std::string& path, std::string_view bytes);

// A settings file's new content. It is replaced whole only when it is new or
// a regular file of its own (no link to it, no second name); a regular file
// reached through a link or with other names is rewritten in place; anything
// else (a FIFO, a device, a link to nothing) is refused, never replaced.
Status writeSettingsFile(const std::string& path, std::string_view bytes);

// For a program's start: a write past the file-size limit fails with an error
// the program reports, instead of ending the program part way through a file.
void failWritesPastTheFileSizeLimit();

}  // namespace tarvel
