#include "flight_computer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <string_view>

#include "codec/sample_codec.h"

namespace fcsim {
namespace {

using fltport::kCarriageReturn;
using fltport::kLineFeed;

constexpr size_t kMaxValueChars = 32;  // longer values are line noise, not a setting

std::vector<uint8_t> line(const std::string& text) {
    std::vector<uint8_t> bytes(text.begin(), text.end());
    bytes.push_back('\r');
    bytes.push_back('\n');
    return bytes;
}

// The flight computer takes plain decimal digits with at most one point: no
// sign, exponent or blank.
bool numberWithin(const std::string& text, double low, double high) {
    const size_t digits = static_cast<size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }));
    const size_t points = static_cast<size_t>(std::count(text.begin(), text.end(), '.'));
    if (digits == 0 || points > 1 || digits + points != text.size()) return false;
    double value = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    return r.ec == std::errc{} && r.ptr == text.data() + text.size() && value >= low && value <= high;
}

}  // namespace

FlightComputer::FlightComputer(std::vector<fltport::RawFlight> flights, FaultModes faults, uint32_t seed)
    : m_flights(std::move(flights)), m_faults(faults), m_random(seed) {
    m_settings = {{'g', "0"}, {'v', kVersion}, {'t', "0.0"}, {'m', "600"}, {'z', "0"}};
    if (m_faults.unknownRecord) {
        // Junk that looks like markers and record types, to be thrown away whole.
        const fltport::RawRecord junk{0x42, 0, {0x05, 0x01, 0xFE, 0xFF, 0x03, 0x00}};
        for (auto& flight : m_flights)
            flight.insert(flight.begin() + std::min<std::ptrdiff_t>(3, std::ssize(flight)), junk);
    }
    m_units = fltport::downloadUnits(m_flights);
    placeStall();
}

void FlightComputer::placeStall() {
    if (!(m_faults.stallType || m_faults.stallValue) || m_flights.empty()) return;
    // Unit index of the middle record of the last flight.
    size_t unit = 0;
    for (size_t f = 0; f + 1 < m_flights.size(); ++f) {
        unit += 2;  // marker and end of flight
        for (const auto& record : m_flights[f]) unit += fltport::hasValue(record.type) ? 2 : 1;
    }
    const auto& last = m_flights.back();
    size_t record = last.size() / 2;
    if (m_faults.stallValue)
        while (record < last.size() && !fltport::hasValue(last[record].type)) ++record;
    unit += 1;  // marker
    for (size_t r = 0; r < record && r < last.size(); ++r) unit += fltport::hasValue(last[r].type) ? 2 : 1;
    if (m_faults.stallValue && record < last.size()) ++unit;  // the value unit after the type byte
    m_stallUnit = unit;
}

void FlightComputer::keepSettingsIn(const std::string& path) {
    m_stateFile = path;
    std::ifstream in(path);
    for (std::string text; std::getline(in, text);)
        if (text.size() >= 2 && text[1] == '=' &&
            std::string_view("gtmz").find(text[0]) != std::string_view::npos)
            m_settings[text[0]] = text.substr(2);
}

const std::string& FlightComputer::setting(char index) const {
    static const std::string none;
    const auto it = m_settings.find(index);
    return it == m_settings.end() ? none : it->second;
}

std::vector<uint8_t> FlightComputer::receive(uint8_t byte) {
    if (m_faults.silent || m_vanished) return {};
    switch (m_mode) {
        case Mode::Idle:
            return idleByte(byte);
        case Mode::ReadIndex:
            m_index = byte;
            m_mode = Mode::ReadEnd;
            return {};
        case Mode::ReadEnd:
            m_mode = Mode::Idle;
            if (byte == kCarriageReturn) return commandReply(readReply(m_index));
            return idleByte(byte);
        case Mode::WriteIndex:
            m_index = byte;
            m_value.clear();
            m_mode = Mode::WriteValue;
            return {};
        case Mode::WriteValue:
            if (byte == kCarriageReturn) {
                m_mode = Mode::Idle;
                return commandReply(writeReply(m_index, m_value));
            }
            m_value += static_cast<char>(byte);
            if (m_value.size() > kMaxValueChars) m_mode = Mode::Idle;
            return {};
        case Mode::Download:
        case Mode::Stalled:
            if (byte == kCarriageReturn)
                return m_mode == Mode::Download ? nextUnit() : std::vector<uint8_t>{};
            m_mode = Mode::Idle;  // anything else ends the download and starts a command
            return idleByte(byte);
    }
    return {};
}

std::vector<uint8_t> FlightComputer::idleByte(uint8_t byte) {
    switch (byte) {
        case 'r':
            m_mode = Mode::ReadIndex;
            return {};
        case 'w':
            m_mode = Mode::WriteIndex;
            return {};
        case kLineFeed:
            return startDownload();
        default:
            return {};
    }
}

std::vector<uint8_t> FlightComputer::startDownload() {
    if (m_faults.badGreeting) return {'N', 'O'};
    m_mode = Mode::Download;
    m_nextUnit = 0;
    m_streamSent = 0;
    m_flightsSent = 0;
    ++m_downloads;
    return {'O', 'K'};
}

std::vector<uint8_t> FlightComputer::nextUnit() {
    if (m_nextUnit >= m_units.size()) {
        m_mode = Mode::Idle;
        return {};
    }
    if (m_downloads == 1 && m_flightsSent == m_faults.hangUpAfterFlights) {
        m_vanished = true;
        return {};
    }
    const size_t unit = m_nextUnit++;
    // Values are two bytes, so a lone end-of-flight byte ends a flight.
    if (m_units[unit] == std::vector<uint8_t>{fltport::kEndOfFlight}) ++m_flightsSent;
    if (unit == m_stallUnit) {
        m_mode = Mode::Stalled;
        if (m_faults.stallValue) return {m_units[unit].front()};
        return {};
    }
    return streamBytes(m_units[unit]);
}

std::vector<uint8_t> FlightComputer::streamBytes(const std::vector<uint8_t>& unit) {
    if (m_downloads != 1) return unit;
    // Looks like markers, record types and an acknowledgement, so the host cannot skip it by its look.
    static constexpr uint8_t kJunk[] = {0x42, 0x05, 0x99, 0x01, 0xFE, 0x2B, 0x00, 0xC3};
    std::vector<uint8_t> sent;
    for (const uint8_t byte : unit) {
        const long position = ++m_streamSent;
        if (position != m_faults.lostByte) sent.push_back(byte);
        if (position == m_faults.junkAfter) sent.insert(sent.end(), std::begin(kJunk), std::end(kJunk));
        if (position == m_faults.silentAfter) {
            m_mode = Mode::Stalled;
            break;
        }
        if (position == m_faults.vanishAfter) {
            m_vanished = true;
            break;
        }
    }
    return sent;
}

std::vector<uint8_t> FlightComputer::commandReply(std::vector<uint8_t> reply) const {
    if (m_faults.shortReplies && !reply.empty()) reply.resize(1);
    if (m_faults.garbageReplies) reply = {0xFF, 0x13, 0x80, 0xFE, 0x7F, 0x1B, 0x05};
    return reply;
}

std::vector<uint8_t> FlightComputer::readReply(uint8_t index) {
    switch (index) {
        case '1':
        case '2':
        case '3':
            return line(m_continuity[index - '1'] ? "1" : "0");
        case 'a':
        case 'b':
            return line(liveReading(index));
        default:
            if (const auto it = m_settings.find(static_cast<char>(index)); it != m_settings.end())
                return line(it->second);
            return line("?");
    }
}

std::vector<uint8_t> FlightComputer::writeReply(uint8_t index, const std::string& value) {
    if (m_faults.refuseWrites) return line("-");
    bool accepted = false;
    switch (index) {
        case 'g':
        case 'z':
            accepted = value == "0" || value == "1";
            break;
        case 't':
            accepted = numberWithin(value, 0.0, 30.0);
            break;
        case 'm':
            accepted = numberWithin(value, 200.0, 3000.0);
            break;
        case '1':
        case '2':
        case '3':
            if (value.empty()) {
                ++m_fired[index - '1'];
                m_continuity[index - '1'] = false;  // a fired charge no longer conducts
                return line("+");
            }
            break;
        default:
            break;
    }
    if (!accepted) return line("-");
    if (m_faults.forgetWrites) return line("+");
    m_settings[static_cast<char>(index)] = value;
    if (!m_stateFile.empty()) {
        std::ofstream out(m_stateFile, std::ios::trunc);
        for (const char key : {'g', 't', 'm', 'z'}) out << key << '=' << m_settings[key] << '\n';
    }
    return line("+");
}

std::string FlightComputer::liveReading(uint8_t index) {
    // A sensor on a bench: noise around a level that drifts slowly back to rest.
    std::normal_distribution<double> noise(0.0, 0.6);
    double& level = index == 'a' ? m_accel : m_pressure;
    const double rest = index == 'a' ? 0.0 : 812.0;
    level += 0.2 * (rest - level) + noise(m_random);
    return std::to_string(static_cast<long>(std::lround(level)));
}

}  // namespace fcsim
