#include "data_table.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "number_text.h"
#include "units.h"

namespace tarvel {

namespace {

std::string numberField(double value) {
    return std::isfinite(value) ? generalNumberText(value) : std::string();
}

// The value of `column` at `i`, empty past its end.
std::string numberAt(const std::vector<double>& column, size_t i) {
    return i < column.size() ? numberField(column[i]) : std::string();
}

// "velocity" and the unit tag "(mph)": "velocity (mph)".
std::string named(std::string_view quantity, std::string_view tag) {
    return std::string(quantity) + " " + std::string(tag);
}

std::vector<double> scaled(const std::vector<double>& values, double factor) {
    std::vector<double> out;
    out.reserve(values.size());
    for (const double v : values) out.push_back(v * factor);
    return out;
}

}  // namespace

std::string dataTableText(const Flight& flight, const events::FlightReport& report) {
    const std::string distance(selectedTag(flight.units, UnitGroup::Distance));
    const std::string velocity(selectedTag(flight.units, UnitGroup::Velocity));
    const std::string thrust(selectedTag(flight.units, UnitGroup::Thrust));
    const std::string header[] = {
        "time (s)",
        "acceleration (G)",
        "pressure (psi)",
        named("velocity", velocity),
        named("altitude", distance),
        named("thrust", thrust),
        named("estimated altitude", distance),
        named("estimated altitude sigma", distance),
        named("estimated velocity", velocity),
        named("estimated velocity sigma", velocity),
        "event",
    };
    const std::string eol = "\r\n";
    std::string out;
    // No name, number or event holds a comma, a quote or a line break, so no
    // field needs the quotes of RFC 4180.
    for (const std::string& name : header) out += (out.empty() ? "" : ",") + name;
    out += eol;

    // The estimate from metres and m/s by the factors the window draws it with.
    const events::FlightEstimate& e = report.estimate;
    const double toDistance = DistanceFactor[1][size_t(flight.units.Distance == 1)];
    const double toVelocity = VelocityFactor[3][size_t(std::clamp<int>(flight.units.Velocity, 0, 3))];
    const std::vector<double> estimate[] = {
        scaled(e.altitude, toDistance), scaled(e.altitudeSigma, toDistance), scaled(e.velocity, toVelocity),
        scaled(e.velocitySigma, toVelocity)};

    // Each event at the first sample at or after its time; two at one sample share it.
    const SampleStore& s = flight.samples;
    const size_t rows = size_t(std::max<int>(0, std::min<int>(s.SampleCount, kLastSlot)));
    std::vector<std::string> eventAt(rows);
    for (const events::NamedEvent& event : events::namedEvents(report.events)) {
        const size_t i = events::indexAtOrAfter(report.columns, event.time);
        if (i >= rows) continue;
        eventAt[i] += (eventAt[i].empty() ? "" : " + ") + std::string(event.name);
    }

    double time = 0;
    for (size_t i = 0; i < rows; ++i) {
        const size_t slot = i + 1;
        time += at(s.aDeltaTime, slot);
        // The running sum drifts in its last digits (3.12999999999998); the
        // recorder counts its steps far coarser than a microsecond.
        out += numberField(std::round(time * 1e6) / 1e6);
        for (const SampleArray* column : {&s.aAccel, &s.aPressure, &s.aVelocity, &s.aAltitude, &s.aThrust})
            out += "," + numberField(at(*column, slot));
        for (const std::vector<double>& column : estimate) out += "," + numberAt(column, i);
        out += "," + eventAt[i] + eol;
    }
    return out;
}

}  // namespace tarvel
