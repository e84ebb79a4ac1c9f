#pragma once
// A stored flight as the flight computer holds it: a list of raw records. The
// simulator serves such flights and the tests script them; both turn them
// into the byte units of a download with downloadUnits().

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fltport {

struct RawRecord {
    uint8_t type = 0;
    uint16_t value = 0;               // sent only for types that carry a value
    std::vector<uint8_t> burst = {};  // extra bytes sent right after the type byte (junk)

    bool operator==(const RawRecord&) const = default;
};

using RawFlight = std::vector<RawRecord>;

// One sample row: time step, pressure, acceleration.
void appendSample(RawFlight& flight, uint16_t stepRaw, uint16_t pressureRaw, int accelCount);

// Units of a download, one per carriage return from the host: per flight the
// marker 5, each record's type byte (with its burst) and its two value bytes,
// the end-of-flight byte 254; finally 255.
std::vector<std::vector<uint8_t>> downloadUnits(const std::vector<RawFlight>& flights);

// Text form of raw flights, for simulator input and test scripts:
//   # comment
//   flight            starts a flight
//   1 1000            time step record with its value
//   3 0x8005          acceleration word (decimal or 0x hex)
//   4                 record without value
//   9 1 2 3           unknown type 9 followed by the burst bytes 1 2 3
// The end-of-flight record is implied at the end of each flight.
std::optional<std::vector<RawFlight>> parseRawFlights(std::string_view text, std::string* error = nullptr);
std::string formatRawFlights(const std::vector<RawFlight>& flights);

}  // namespace fltport
