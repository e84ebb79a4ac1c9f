#include "simulation_csv.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <span>
#include <utility>

#include "number_text.h"

namespace tarvel::compare {

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
    return s;
}

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// The file's lines without their ends (CR LF, LF or CR).
std::vector<std::string_view> splitLines(std::string_view bytes) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n') continue;
        lines.push_back(bytes.substr(start, i - start));
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < bytes.size()) lines.push_back(bytes.substr(start));
    return lines;
}

// A field without the spaces and double quotes around it.
std::string_view bareField(std::string_view field) {
    field = trim(field);
    if (field.size() >= 2 && field.front() == '"' && field.back() == '"')
        field = field.substr(1, field.size() - 2);
    return trim(field);
}

// Fields of a line split at `separator` outside double quotes; a space
// separator takes runs of blanks as one.
std::vector<std::string_view> splitFields(std::string_view line, char separator) {
    std::vector<std::string_view> fields;
    if (separator == ' ') {
        size_t i = 0;
        while (i < line.size()) {
            while (i < line.size() && isSpace(line[i])) ++i;
            const size_t start = i;
            while (i < line.size() && !isSpace(line[i])) ++i;
            if (i > start) fields.push_back(line.substr(start, i - start));
        }
        return fields;
    }
    bool quoted = false;
    size_t start = 0;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"') quoted = !quoted;
        if (line[i] == separator && !quoted) {
            fields.push_back(bareField(line.substr(start, i - start)));
            start = i + 1;
        }
    }
    fields.push_back(bareField(line.substr(start)));
    return fields;
}

// A header of space-separated "Name (unit)" columns: each column ends at
// its closing parenthesis, since the names hold spaces themselves.
std::vector<std::string_view> splitSpacedHeader(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] != ')') continue;
        if (std::string_view f = trim(line.substr(start, i + 1 - start)); !f.empty()) fields.push_back(f);
        start = i + 1;
    }
    return fields;
}

char separatorOf(std::string_view header) {
    for (char c : {'\t', ';', ','})
        if (header.find(c) != std::string_view::npos) return c;
    return ' ';
}

// A number cell; a decimal comma is taken where commas do not separate fields.
std::optional<double> cellNumber(std::string_view cell, char separator) {
    cell = bareField(cell);
    if (separator != ',' && cell.find(',') != std::string_view::npos &&
        cell.find('.') == std::string_view::npos) {
        std::string dotted(cell);
        std::replace(dotted.begin(), dotted.end(), ',', '.');
        return parseNumber(dotted);
    }
    return parseNumber(cell);
}

enum class ColumnRole { Time, Altitude, AltitudeAboveSea, Velocity, Acceleration, Thrust };

struct NamedRole {
    std::string_view name;  // lower case
    ColumnRole role;
};
constexpr NamedRole kColumnNames[] = {
    {"time", ColumnRole::Time},
    {"altitude", ColumnRole::Altitude},
    {"altitude agl", ColumnRole::Altitude},
    {"altitude above ground level", ColumnRole::Altitude},
    {"z", ColumnRole::AltitudeAboveSea},
    {"vertical velocity", ColumnRole::Velocity},
    {"vertical speed", ColumnRole::Velocity},
    {"vz", ColumnRole::Velocity},
    {"vertical acceleration", ColumnRole::Acceleration},
    {"az", ColumnRole::Acceleration},
    {"thrust", ColumnRole::Thrust},
    {"net thrust", ColumnRole::Thrust},
};

struct UnitScale {
    std::string_view unit;  // lower case, "2" for a square
    double toSi;
};
constexpr UnitScale kTimeUnits[] = {{"", 1}, {"s", 1}, {"sec", 1}, {"ms", 1e-3}, {"min", 60}};
constexpr UnitScale kDistanceUnits[] = {{"m", 1},       {"km", 1000},     {"cm", 0.01},
                                        {"mm", 0.001},  {"ft", 0.3048},   {"in", 0.0254},
                                        {"yd", 0.9144}, {"mi", 1609.344}, {"nmi", 1852}};
constexpr UnitScale kVelocityUnits[] = {{"m/s", 1},
                                        {"km/h", 1 / 3.6},
                                        {"kph", 1 / 3.6},
                                        {"ft/s", 0.3048},
                                        {"fps", 0.3048},
                                        {"in/s", 0.0254},
                                        {"mph", 0.44704},
                                        {"mi/h", 0.44704},
                                        {"kt", 1852 / 3600.0},
                                        {"kn", 1852 / 3600.0},
                                        {"knots", 1852 / 3600.0}};
constexpr UnitScale kAccelerationUnits[] = {{"m/s2", 1},    {"ft/s2", 0.3048}, {"in/s2", 0.0254},
                                            {"g", 9.80665}, {"g0", 9.80665},   {"gee", 9.80665}};
constexpr UnitScale kThrustUnits[] = {{"n", 1},
                                      {"kn", 1000},
                                      {"mn", 0.001},
                                      {"lbf", 4.4482216152605},
                                      {"lb", 4.4482216152605},
                                      {"lbs", 4.4482216152605},
                                      {"ozf", 0.27801385095378},
                                      {"kgf", 9.80665},
                                      {"gf", 0.00980665}};

// The unit inside the field's last parentheses, lower case, its square
// written "2" whatever the file wrote ("²" in UTF-8 or Latin-1, "^2").
std::pair<std::string, std::string> nameAndUnit(std::string_view field) {
    const size_t open = field.rfind('(');
    const size_t close = field.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open)
        return {lower(trim(field)), ""};
    std::string name = lower(trim(field.substr(0, open)));
    std::string unit;
    for (size_t i = open + 1; i < close; ++i) {
        const auto c = static_cast<unsigned char>(field[i]);
        if (c == 0xC2 && i + 1 < close && static_cast<unsigned char>(field[i + 1]) == 0xB2) {
            unit += '2';
            ++i;
        } else if (c == 0xB2) {
            unit += '2';
        } else if (c == '^' || isSpace(field[i])) {
            continue;
        } else {
            unit += field[i];
        }
    }
    return {std::move(name), lower(unit)};
}

std::optional<double> scaleOf(std::string_view unit, std::span<const UnitScale> units) {
    for (const UnitScale& u : units)
        if (u.unit == unit) return u.toSi;
    return std::nullopt;
}

std::span<const UnitScale> unitsFor(ColumnRole role) {
    switch (role) {
        case ColumnRole::Time:
            return kTimeUnits;
        case ColumnRole::Altitude:
        case ColumnRole::AltitudeAboveSea:
            return kDistanceUnits;
        case ColumnRole::Velocity:
            return kVelocityUnits;
        case ColumnRole::Acceleration:
            return kAccelerationUnits;
        case ColumnRole::Thrust:
            return kThrustUnits;
    }
    return {};
}

std::optional<Quantity> quantityOf(ColumnRole role) {
    switch (role) {
        case ColumnRole::Time:
            return std::nullopt;
        case ColumnRole::Altitude:
        case ColumnRole::AltitudeAboveSea:
            return Quantity::Altitude;
        case ColumnRole::Velocity:
            return Quantity::Velocity;
        case ColumnRole::Acceleration:
            return Quantity::Acceleration;
        case ColumnRole::Thrust:
            return Quantity::Thrust;
    }
    return std::nullopt;
}

struct ColumnPlan {
    std::optional<size_t> time;
    double timeScale = 1;
    struct Source {
        size_t field = 0;
        double scale = 1;
        bool aboveSea = false;
    };
    std::array<std::optional<Source>, kQuantityCount> sources;
};

ColumnPlan planColumns(const std::vector<std::string_view>& header, std::vector<std::string>& notes) {
    ColumnPlan plan;
    for (size_t i = 0; i < header.size(); ++i) {
        const std::pair<std::string, std::string> parts = nameAndUnit(header[i]);
        const std::string &name = parts.first, &unit = parts.second;
        const auto named = std::find_if(std::begin(kColumnNames), std::end(kColumnNames),
                                        [&](const NamedRole& n) { return n.name == name; });
        if (named == std::end(kColumnNames)) continue;
        const std::optional<double> scale = scaleOf(unit, unitsFor(named->role));
        if (!scale) {
            notes.push_back("column \"" + std::string(header[i]) + "\" left out: unknown unit \"" + unit +
                            "\"");
            continue;
        }
        const std::optional<Quantity> q = quantityOf(named->role);
        if (!q) {
            if (!plan.time) plan.time = i, plan.timeScale = *scale;
            continue;
        }
        auto& source = plan.sources[static_cast<size_t>(*q)];
        // An altitude above the launch site beats one above sea level.
        const bool aboveSea = named->role == ColumnRole::AltitudeAboveSea;
        if (!source || (source->aboveSea && !aboveSea)) source = ColumnPlan::Source{i, *scale, aboveSea};
    }
    return plan;
}

// "Event APOGEE occurred at t=3.12 seconds": the name and the time.
std::optional<TraceEvent> eventLine(std::string_view comment) {
    const std::string text = lower(comment);
    constexpr std::string_view kEvent = "event ", kAt = " occurred at t=";
    if (text.rfind(kEvent, 0) != 0) return std::nullopt;
    const size_t at = text.find(kAt);
    if (at == std::string::npos) return std::nullopt;
    std::string_view rest = comment.substr(at + kAt.size());
    size_t end = 0;
    while (end < rest.size() && !isSpace(rest[end])) ++end;
    const std::optional<double> t = cellNumber(rest.substr(0, end), ' ');
    if (!t || !std::isfinite(*t)) return std::nullopt;
    return TraceEvent{std::string(trim(comment.substr(kEvent.size(), at - kEvent.size()))), *t};
}

std::string withNotes(std::string message, const std::vector<std::string>& notes) {
    for (const std::string& n : notes) message += "; " + n;
    return message;
}

struct HeaderPlace {
    std::optional<std::string_view> header;
    size_t firstData = 0;  // index of the first line below it
};

// The first line that is not a comment is the header, unless it starts with
// a number: then the last comment before it (not an event line) was. A file
// of comments alone may end in a header with no rows under it.
HeaderPlace findHeader(const std::vector<std::string_view>& lines) {
    std::optional<std::string_view> lastComment;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = trim(lines[i]);
        if (line.empty()) continue;
        if (line.front() == '#') {
            const std::string_view comment = trim(line.substr(1));
            if (!eventLine(comment)) lastComment = comment;
            continue;
        }
        const char separator = separatorOf(line);
        const std::vector<std::string_view> fields = splitFields(line, separator);
        if (fields.empty() || !cellNumber(fields[0], separator)) return {line, i + 1};
        return {lastComment, i};
    }
    return {lastComment, lines.size()};
}

std::string rowsLeftOut(size_t count, std::string_view why) {
    return std::to_string(count) + (count == 1 ? " row " : " rows ") + std::string(why) + " left out";
}

// The event lines anywhere and the rows from `firstData` on, in SI units.
void readRows(const std::vector<std::string_view>& lines, size_t firstData, char separator,
              const ColumnPlan& plan, SimulationData& data) {
    for (size_t q = 0; q < kQuantityCount; ++q)
        if (plan.sources[q]) data.columns[q].reserve(lines.size() - firstData);
    size_t unreadable = 0, outOfOrder = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = trim(lines[i]);
        if (line.empty()) continue;
        if (line.front() == '#') {
            if (std::optional<TraceEvent> e = eventLine(trim(line.substr(1))))
                data.events.push_back(std::move(*e));
            continue;
        }
        if (i < firstData) continue;
        const std::vector<std::string_view> fields = splitFields(line, separator);
        auto cell = [&](size_t field) {
            return field < fields.size() ? cellNumber(fields[field], separator) : std::nullopt;
        };
        const std::optional<double> t = cell(*plan.time);
        if (!t || !std::isfinite(*t)) {
            ++unreadable;
            continue;
        }
        const double seconds = *t * plan.timeScale;
        if (!data.time.empty() && !(seconds > data.time.back())) {
            ++outOfOrder;
            continue;
        }
        data.time.push_back(seconds);
        for (size_t q = 0; q < kQuantityCount; ++q) {
            if (!plan.sources[q]) continue;
            const std::optional<double> v = cell(plan.sources[q]->field);
            data.columns[q].push_back(v && std::isfinite(*v) ? *v * plan.sources[q]->scale : std::nan(""));
        }
    }
    if (unreadable > 0) data.notes.push_back(rowsLeftOut(unreadable, "without a time"));
    if (outOfOrder > 0)
        data.notes.push_back(rowsLeftOut(outOfOrder, "whose time does not follow the row before"));
}

// A column of no numbers at all is no column; heights above sea level become
// heights above the first row's level.
void settleColumns(const ColumnPlan& plan, SimulationData& data) {
    for (size_t q = 0; q < kQuantityCount; ++q) {
        std::vector<double>& column = data.columns[q];
        const auto firstValue =
            std::find_if(column.begin(), column.end(), [](double v) { return std::isfinite(v); });
        if (firstValue == column.end()) {
            column.clear();
            continue;
        }
        if (plan.sources[q] && plan.sources[q]->aboveSea) {
            const double ground = *firstValue;
            for (double& v : column) v -= ground;
        }
    }
}

}  // namespace

SimulationRead readSimulationCsv(std::string_view bytes, std::string_view fileName) {
    SimulationRead read;
    auto fail = [&](std::string text) {
        read.status =
            Status::failure(std::string(fileName) + ": " + withNotes(std::move(text), read.data.notes));
        read.data = {};
        return read;
    };
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    const std::vector<std::string_view> lines = splitLines(bytes);
    if (std::all_of(lines.begin(), lines.end(), [](std::string_view l) { return trim(l).empty(); }))
        return fail("the file is empty");

    const HeaderPlace place = findHeader(lines);
    constexpr std::string_view kLookedForTime = "no time column (looked for \"Time (s)\")";
    if (!place.header) return fail(std::string(kLookedForTime));
    const char separator = separatorOf(*place.header);
    const ColumnPlan plan = planColumns(
        separator == ' ' ? splitSpacedHeader(*place.header) : splitFields(*place.header, separator),
        read.data.notes);
    if (!plan.time) return fail(std::string(kLookedForTime));
    if (std::none_of(plan.sources.begin(), plan.sources.end(),
                     [](const auto& source) { return source.has_value(); }))
        return fail(
            "no altitude, velocity, acceleration or thrust column (looked for \"Altitude (m)\", "
            "\"Vertical velocity (m/s)\", \"Vertical acceleration (m/s²)\", \"Thrust (N)\", \"Z (m)\", "
            "\"Vz (m/s)\" and \"Az (m/s²)\")");

    readRows(lines, place.firstData, separator, plan, read.data);
    if (read.data.time.empty()) return fail("no rows of numbers under the column header");
    settleColumns(plan, read.data);
    if (std::all_of(read.data.columns.begin(), read.data.columns.end(),
                    [](const auto& c) { return c.empty(); }))
        return fail("no numbers in its altitude, velocity, acceleration or thrust columns");
    read.status = Status::success();
    return read;
}

}  // namespace tarvel::compare
