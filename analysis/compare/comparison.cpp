#include "comparison.h"

#include <algorithm>
#include <cmath>

#include "json_text.h"
#include "number_text.h"

namespace tarvel::compare {

namespace {

constexpr std::string_view kAlignmentNames[] = {"launch", "apogee", "offset"};

struct FigureRowForm {
    std::string_view label, key;
    FigureUnit unit;
    bool eventTime;  // a time on the shared axis: differences, no share in %
    std::optional<double> TraceFigures::*figure;
};
constexpr FigureRowForm kRows[] = {
    {"Apogee", "apogee", FigureUnit::Metre, false, &TraceFigures::apogee},
    {"Time to apogee", "timeToApogee", FigureUnit::Second, false, &TraceFigures::timeToApogee},
    {"Max velocity", "maxVelocity", FigureUnit::MetrePerSecond, false, &TraceFigures::maxVelocity},
    {"Max acceleration", "maxAcceleration", FigureUnit::MetrePerSecondSquared, false,
     &TraceFigures::maxAcceleration},
    {"Descent under drogue", "drogueDescentRate", FigureUnit::MetrePerSecond, false,
     &TraceFigures::drogueDescentRate},
    {"Descent under main", "mainDescentRate", FigureUnit::MetrePerSecond, false,
     &TraceFigures::mainDescentRate},
    {"Launch at", "launch", FigureUnit::Second, true, &TraceFigures::launch},
    {"Burnout at", "burnout", FigureUnit::Second, true, &TraceFigures::burnout},
    {"Apogee at", "apogeeTime", FigureUnit::Second, true, &TraceFigures::apogeeTime},
    {"Deployment at", "deployment", FigureUnit::Second, true, &TraceFigures::deployment},
    {"Main at", "main", FigureUnit::Second, true, &TraceFigures::main},
    {"Landing at", "landing", FigureUnit::Second, true, &TraceFigures::landing},
};

std::string_view unitText(FigureUnit u) {
    switch (u) {
        case FigureUnit::Metre:
            return "m";
        case FigureUnit::Second:
            return "s";
        case FigureUnit::MetrePerSecond:
            return "m/s";
        case FigureUnit::MetrePerSecondSquared:
            return "m/s²";
    }
    return "";
}

// Decimals shown: a tenth of a metre or of a metre per second, a hundredth of a second.
int decimalsOf(FigureUnit u) { return u == FigureUnit::Second ? 2 : 1; }

std::string fixed(double value, int decimals, bool sign = false) {
    std::string text = fixedPointText(value, decimals).value_or("");
    const bool zero = text.find_first_not_of("-0.") == std::string::npos;
    if (zero && text.front() == '-') text.erase(0, 1);  // no "-0.0"
    if (sign && !zero && text.front() != '-') text.insert(0, "+");
    return text;
}

// Characters a terminal gives a column to (a UTF-8 sequence takes one).
size_t displayWidth(std::string_view text) {
    return static_cast<size_t>(std::count_if(
        text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

void pad(std::string& line, std::string_view cell, size_t width) {
    line += cell;
    line.append(width > displayWidth(cell) ? width - displayWidth(cell) : 0, ' ');
}

std::string csvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string quoted = "\"";
    for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string csvNumber(std::optional<double> value, int decimals) {
    return value && std::isfinite(*value) ? fixed(*value, decimals) : std::string();
}

}  // namespace

std::string_view alignmentName(Alignment a) { return kAlignmentNames[static_cast<size_t>(a)]; }

std::optional<Alignment> alignmentFromName(std::string_view name) {
    for (size_t i = 0; i < std::size(kAlignmentNames); ++i)
        if (kAlignmentNames[i] == name) return static_cast<Alignment>(i);
    return std::nullopt;
}

double shiftOf(const Trace& trace, Alignment alignment, double extraOffset) {
    std::optional<double> anchor;
    if (alignment == Alignment::Launch) anchor = trace.launch();
    if (alignment == Alignment::Apogee) anchor = trace.apogee();
    return extraOffset - anchor.value_or(0.0);
}

FiguresTable figuresTable(const std::vector<Trace>& traces, const ComparisonSetup& setup) {
    FiguresTable table;
    table.alignment = setup.alignment;
    table.reference = traces.empty() ? 0 : std::min(setup.reference, traces.size() - 1);
    for (size_t i = 0; i < traces.size(); ++i) {
        // Files of one name from different folders go by their paths.
        const auto sameName = std::count_if(traces.begin(), traces.end(),
                                            [&](const Trace& t) { return t.name == traces[i].name; });
        table.names.push_back(sameName > 1 && !traces[i].path.empty() ? traces[i].path : traces[i].name);
        const double offset = i < setup.offsets.size() ? setup.offsets[i] : 0.0;
        table.shifts.push_back(shiftOf(traces[i], setup.alignment, offset));
    }
    for (const FigureRowForm& form : kRows) {
        FigureRow row{form.label, form.key, form.unit, {}};
        for (size_t i = 0; i < traces.size(); ++i) {
            std::optional<double> v = traces[i].figures.*form.figure;
            if (v && form.eventTime) *v += table.shifts[i];
            row.cells.push_back({v, std::nullopt, std::nullopt});
        }
        if (traces.empty()) {
            table.rows.push_back(std::move(row));
            continue;
        }
        const std::optional<double> reference = row.cells[table.reference].value;
        for (size_t i = 0; i < row.cells.size(); ++i) {
            FigureCell& c = row.cells[i];
            if (i == table.reference || !c.value || !reference) continue;
            c.difference = *c.value - *reference;
            if (!form.eventTime && *reference != 0) c.percent = *c.difference / std::fabs(*reference) * 100;
        }
        table.rows.push_back(std::move(row));
    }
    return table;
}

std::string tableText(const FiguresTable& table) {
    std::vector<std::vector<std::string>> grid;  // header row, then one per figure
    std::vector<std::string> header{"Figure"};
    for (size_t i = 0; i < table.names.size(); ++i)
        header.push_back(i == table.reference ? table.names[i] + " (reference)" : table.names[i]);
    grid.push_back(std::move(header));
    for (const FigureRow& row : table.rows) {
        const int decimals = decimalsOf(row.unit);
        const std::string unit(unitText(row.unit));
        std::vector<std::string> line{std::string(row.label) + " (" + unit + ")"};
        for (const FigureCell& c : row.cells) {
            std::string cell = c.value ? fixed(*c.value, decimals) : "-";
            if (c.difference) {
                cell += " (" + fixed(*c.difference, decimals, true);
                if (c.percent) cell += ", " + fixed(*c.percent, 1, true) + " %";
                cell += ")";
            }
            line.push_back(std::move(cell));
        }
        grid.push_back(std::move(line));
    }
    std::vector<size_t> widths(grid.front().size(), 0);
    for (const auto& line : grid)
        for (size_t i = 0; i < line.size(); ++i) widths[i] = std::max(widths[i], displayWidth(line[i]));
    std::string out = "Aligned on " + std::string(alignmentName(table.alignment)) + "\n";
    for (const auto& line : grid) {
        std::string text;
        for (size_t i = 0; i < line.size(); ++i) {
            if (i + 1 == line.size())
                text += line[i];
            else
                pad(text, line[i], widths[i] + 2);
        }
        out += text + "\n";
    }
    return out;
}

std::string tableCsv(const FiguresTable& table) {
    std::string out = "figure,unit";
    for (size_t i = 0; i < table.names.size(); ++i) {
        out += "," + csvField(table.names[i]);
        if (i != table.reference)
            out += "," + csvField(table.names[i] + " difference") + "," + csvField(table.names[i] + " %");
    }
    out += "\r\n";
    for (const FigureRow& row : table.rows) {
        const int decimals = decimalsOf(row.unit) + 2;
        out += csvField(row.label) + "," + csvField(unitText(row.unit));
        for (size_t i = 0; i < row.cells.size(); ++i) {
            const FigureCell& c = row.cells[i];
            out += "," + csvNumber(c.value, decimals);
            if (i != table.reference)
                out += "," + csvNumber(c.difference, decimals) + "," + csvNumber(c.percent, 2);
        }
        out += "\r\n";
    }
    return out;
}

std::string comparisonJson(const std::vector<Trace>& traces, const FiguresTable& table,
                           std::optional<Quantity> series) {
    std::string j = "{\"alignment\":" + jsonString(alignmentName(table.alignment)) +
                    ",\"reference\":" + std::to_string(table.reference) + ",\"traces\":[";
    for (size_t i = 0; i < traces.size(); ++i) {
        const Trace& t = traces[i];
        const double shift = i < table.shifts.size() ? table.shifts[i] : 0.0;
        if (i > 0) j += ",";
        j += "{\"name\":" + jsonString(t.name) + ",\"file\":" + jsonString(t.path) +
             ",\"kind\":" + jsonString(t.kind == SourceKind::Record ? "record" : "simulation") +
             ",\"shift\":" + jsonNumber(shift);
        j += ",\"quantities\":[";
        bool first = true;
        for (Quantity q : kQuantities)
            if (t.has(q)) j += (first ? "" : ",") + jsonString(quantityName(q)), first = false;
        j += "],\"events\":[";
        for (size_t e = 0; e < t.events.size(); ++e)
            j += (e ? ",{\"name\":" : "{\"name\":") + jsonString(t.events[e].name) +
                 ",\"time\":" + jsonNumber(t.events[e].time + shift) + "}";
        j += "],\"figures\":{";
        for (size_t r = 0; r < table.rows.size(); ++r) {
            const FigureRow& row = table.rows[r];
            const FigureCell c = i < row.cells.size() ? row.cells[i] : FigureCell{};
            j += (r ? "," : "") + jsonString(row.key) + ":{\"value\":" + jsonNumber(c.value) +
                 ",\"difference\":" + jsonNumber(c.difference) + ",\"percent\":" + jsonNumber(c.percent) +
                 "}";
        }
        j += "}";
        if (series) {
            const std::vector<double>& values = t.column(*series);
            j += ",\"series\":{\"quantity\":" + jsonString(quantityName(*series)) + ",\"time\":[";
            for (size_t k = 0; k < values.size() && k < t.time.size(); ++k)
                j += (k ? "," : "") + jsonNumber(t.time[k] + shift);
            j += "],\"values\":[";
            for (size_t k = 0; k < values.size() && k < t.time.size(); ++k)
                j += (k ? "," : "") + jsonNumber(values[k]);
            j += "]}";
        }
        j += "}";
    }
    return j + "]}\n";
}

}  // namespace tarvel::compare
