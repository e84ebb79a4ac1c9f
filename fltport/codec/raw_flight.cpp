#include "codec/raw_flight.h"

#include <charconv>
#include <sstream>

#include "codec/sample_codec.h"

namespace fltport {
namespace {

std::optional<unsigned> parseUnsigned(std::string_view token) {
    int base = 10;
    if (token.size() > 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X')) {
        token.remove_prefix(2);
        base = 16;
    }
    unsigned value = 0;
    const auto r = std::from_chars(token.data(), token.data() + token.size(), value, base);
    if (r.ec != std::errc{} || r.ptr != token.data() + token.size()) return std::nullopt;
    return value;
}

}  // namespace

void appendSample(RawFlight& flight, uint16_t stepRaw, uint16_t pressureRaw, int accelCount) {
    flight.push_back({kTimeRecord, stepRaw});
    flight.push_back({kPressureRecord, pressureRaw});
    flight.push_back({kAccelRecord, accelWord(accelCount)});
}

std::vector<std::vector<uint8_t>> downloadUnits(const std::vector<RawFlight>& flights) {
    std::vector<std::vector<uint8_t>> units;
    for (const auto& flight : flights) {
        units.push_back({kFlightMarker});
        for (const auto& record : flight) {
            std::vector<uint8_t> typeUnit{record.type};
            typeUnit.insert(typeUnit.end(), record.burst.begin(), record.burst.end());
            units.push_back(std::move(typeUnit));
            if (hasValue(record.type))
                units.push_back(
                    {static_cast<uint8_t>(record.value >> 8), static_cast<uint8_t>(record.value)});
        }
        units.push_back({kEndOfFlight});
    }
    units.push_back({kEndOfDownload});
    return units;
}

std::optional<std::vector<RawFlight>> parseRawFlights(std::string_view text, std::string* error) {
    std::vector<RawFlight> flights;
    std::istringstream in{std::string(text)};
    std::string line;
    int lineNumber = 0;
    const auto fail = [&](const std::string& why) -> std::optional<std::vector<RawFlight>> {
        if (error) *error = "line " + std::to_string(lineNumber) + ": " + why;
        return std::nullopt;
    };
    while (std::getline(in, line)) {
        ++lineNumber;
        if (const auto hash = line.find('#'); hash != std::string::npos) line.resize(hash);
        std::istringstream fields(line);
        std::vector<std::string> tokens;
        for (std::string token; fields >> token;) tokens.push_back(token);
        if (tokens.empty()) continue;
        if (tokens[0] == "flight") {
            flights.emplace_back();
            continue;
        }
        if (flights.empty()) return fail("record before the first 'flight' line");
        std::vector<unsigned> numbers;
        for (const auto& token : tokens) {
            const auto number = parseUnsigned(token);
            if (!number) return fail("not a number: " + token);
            numbers.push_back(*number);
        }
        if (numbers[0] > 255) return fail("record type above 255");
        RawRecord record{static_cast<uint8_t>(numbers[0])};
        if (hasValue(record.type)) {
            if (numbers.size() != 2 || numbers[1] > 0xFFFF) return fail("record needs one value 0..65535");
            record.value = static_cast<uint16_t>(numbers[1]);
        } else {
            for (size_t i = 1; i < numbers.size(); ++i) {
                if (numbers[i] > 255) return fail("burst byte above 255");
                record.burst.push_back(static_cast<uint8_t>(numbers[i]));
            }
        }
        flights.back().push_back(std::move(record));
    }
    return flights;
}

std::string formatRawFlights(const std::vector<RawFlight>& flights) {
    std::string text;
    for (const auto& flight : flights) {
        text += "flight\n";
        for (const auto& record : flight) {
            text += std::to_string(record.type);
            if (hasValue(record.type)) text += ' ' + std::to_string(record.value);
            for (auto byte : record.burst) text += ' ' + std::to_string(byte);
            text += '\n';
        }
    }
    return text;
}

}  // namespace fltport
