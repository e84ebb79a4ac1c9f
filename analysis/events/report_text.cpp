#include "report_text.h"

#include <algorithm>
#include <utility>

#include "atmosphere.h"
#include "json_text.h"
#include "number_text.h"

namespace tarvel::events {

namespace {

constexpr double kFeetPerMetre = 1 / 0.3048;
constexpr double kMphPerMps = 3600 / 1609.344;
constexpr double kKmhPerMps = 3.6;

struct Unit {
    std::string_view name;
    double perSi;
    int decimals;
};

std::vector<Unit> unitsOf(Quantity q) {
    switch (q) {
        case Quantity::Time:
            return {{"s", 1, 2}};
        case Quantity::Distance:
            return {{"m", 1, 1}, {"ft", kFeetPerMetre, 1}};
        case Quantity::Velocity:
            return {
                {"m/s", 1, 1}, {"ft/s", kFeetPerMetre, 1}, {"mph", kMphPerMps, 1}, {"km/h", kKmhPerMps, 1}};
        case Quantity::Acceleration:
            return {{"m/s²", 1, 1}, {"ft/s²", kFeetPerMetre, 1}, {"G", 1 / kStandardGravity, 2}};
        case Quantity::Mach:
            return {{"Mach", 1, 2}};
    }
    return {};
}

// Speed of sound at a height above the pad.
double soundAt(const FlightEstimate& e, std::optional<double> height) {
    return speedOfSoundMps(e.padPressureAltitude + height.value_or(0));
}

// Height of the fastest sample of the estimate.
std::optional<double> heightAtMaxVelocity(const FlightEstimate& e) {
    if (e.velocity.empty() || e.altitude.size() != e.velocity.size()) return std::nullopt;
    const auto fastest = std::max_element(e.velocity.begin(), e.velocity.end());
    return e.altitude[static_cast<size_t>(fastest - e.velocity.begin())];
}

std::string numberText(double value, int decimals, const NumberLocale& locale) {
    return figureText(value, decimals, locale, true);
}

// Pads `text` to `width` characters, counting UTF-8 sequences as one.
std::string padded(std::string text, size_t width, bool right) {
    const auto shown = static_cast<size_t>(std::count_if(
        text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
    if (shown >= width) return text;
    const std::string fill(width - shown, ' ');
    return right ? fill + text : text + fill;
}

}  // namespace

std::vector<ReportSection> reportSections(const FlightReport& r) {
    const FlightEvents& ev = r.events;
    const FlightStatistics& st = r.statistics;
    const FlightEstimate& es = r.estimate;
    const double padSound = soundAt(es, 0.0);
    using Q = Quantity;

    ReportSection events{"Events", "events", {}};
    events.rows = {{"Launch", "launch", Q::Time, ev.launch},
                   {"Motor burnout", "burnout", Q::Time, ev.burnout},
                   {"Apogee", "apogee", Q::Time, ev.apogee}};
    for (size_t i = 0; i < ev.deployments.size(); ++i)
        events.rows.push_back(
            {"Deployment " + std::to_string(i + 1), "deployments", Q::Time, ev.deployments[i]});
    if (ev.deployments.empty()) events.rows.push_back({"Deployment", "deployments", Q::Time, std::nullopt});
    events.rows.push_back({"Main deployment", "main", Q::Time, ev.main});
    events.rows.push_back({"Landing", "landing", Q::Time, ev.landing});

    ReportSection phases{"Phases",
                         "statistics",
                         {{"Time to apogee", "time_to_apogee", Q::Time, st.timeToApogee},
                          {"Boost", "boost_duration", Q::Time, st.boostDuration},
                          {"Coast", "coast_duration", Q::Time, st.coastDuration},
                          {"Descent under drogue", "drogue_duration", Q::Time, st.drogueDuration},
                          {"Descent under main", "main_duration", Q::Time, st.mainDuration},
                          {"Total flight time", "flight_time", Q::Time, st.flightTime}}};

    ReportSection figures{
        "Statistics",
        "statistics",
        {{"Descent rate under drogue", "drogue_descent_rate", Q::Velocity, st.drogueDescentRate, padSound},
         {"Descent rate under main", "main_descent_rate", Q::Velocity, st.mainDescentRate, padSound},
         {"Altitude at burnout", "burnout_altitude", Q::Distance, st.burnoutAltitude},
         {"Velocity at burnout", "burnout_velocity", Q::Velocity, st.burnoutVelocity,
          soundAt(es, st.burnoutAltitude)},
         {"Altitude at main deployment", "main_altitude", Q::Distance, st.mainAltitude},
         {"Maximum acceleration", "max_acceleration", Q::Acceleration, st.maxAcceleration},
         {"Average boost acceleration", "average_boost_acceleration", Q::Acceleration,
          st.averageBoostAcceleration},
         {"Maximum Mach", "max_mach", Q::Mach, st.maxMach},
         {"Rail length", "rail_length", Q::Distance, st.railLength},
         {"Velocity off the rail", "rail_exit_velocity", Q::Velocity, st.railExitVelocity, padSound}}};

    const std::optional<Apogee>& apogee = es.apogee;
    auto ofApogee = [&](double Apogee::*field) {
        return apogee ? std::optional<double>((*apogee).*field) : std::nullopt;
    };
    ReportSection estimate{
        "Best estimate",
        "estimate",
        {{"Apogee altitude", "apogee_altitude", Q::Distance, ofApogee(&Apogee::altitude)},
         {"Apogee altitude, 1 sigma", "apogee_sigma", Q::Distance, ofApogee(&Apogee::sigma)},
         {"Apogee time", "apogee_time", Q::Time, ofApogee(&Apogee::time)},
         {"Maximum velocity", "max_velocity", Q::Velocity, st.maxVelocity,
          soundAt(es, heightAtMaxVelocity(es))}}};

    return {std::move(events), std::move(phases), std::move(figures), std::move(estimate)};
}

std::vector<std::string> unitTexts(const ReportRow& row, const NumberLocale& locale) {
    std::vector<std::string> texts;
    if (!row.value) return texts;
    for (const Unit& u : unitsOf(row.quantity))
        texts.push_back(numberText(*row.value * u.perSi, u.decimals, locale) + " " + std::string(u.name));
    if (row.quantity == Quantity::Velocity && row.speedOfSound > 0)
        texts.push_back(numberText(*row.value / row.speedOfSound, 2, locale) + " Mach");
    return texts;
}

std::string reportText(const FlightReport& report, const NumberLocale& locale) {
    constexpr size_t kLabelWidth = 30, kValueWidth = 14;
    std::string text;
    for (const ReportSection& section : reportSections(report)) {
        text += std::string(section.title) + "\n";
        for (const ReportRow& row : section.rows) {
            std::string line = "  " + padded(row.label, kLabelWidth, false);
            for (const std::string& value : unitTexts(row, locale)) line += padded(value, kValueWidth, true);
            while (!line.empty() && line.back() == ' ') line.pop_back();
            text += line + "\n";
        }
    }
    return text;
}

namespace {

std::string jsonArray(const std::vector<double>& values) {
    std::string j = "[";
    for (const double v : values) j += (j.size() > 1 ? "," : "") + jsonNumber(v);
    return j + "]";
}

std::string seriesJson(const FlightReport& r) {
    const FlightEstimate& e = r.estimate;
    std::vector<double> altitude = e.altitude;
    if (!altitude.empty()) {
        const double first = altitude.front();
        for (double& a : altitude) a -= first;
    }
    return "{\"time\":" + jsonArray(r.columns.time) + ",\"altitude\":" + jsonArray(altitude) +
           ",\"altitude_sigma\":" + jsonArray(e.altitudeSigma) + ",\"velocity\":" + jsonArray(e.velocity) +
           ",\"velocity_sigma\":" + jsonArray(e.velocitySigma) + "}";
}

}  // namespace

std::string reportJson(const FlightReport& report, std::string_view file, bool series) {
    const std::vector<ReportSection> sections = reportSections(report);
    std::string j = "{\"file\":" + jsonString(file);
    for (const std::string_view object : {"events", "estimate", "statistics"}) {
        j += "," + jsonString(object) + ":{";
        bool first = true, deploymentsShown = false;
        auto member = [&](std::string_view key, const std::string& value) {
            j += (first ? "" : ",") + jsonString(key) + ":" + value;
            first = false;
        };
        for (const ReportSection& section : sections) {
            if (section.object != object) continue;
            for (const ReportRow& row : section.rows) {
                // One array for the deployment rows, in their place.
                if (row.key == "deployments") {
                    if (!std::exchange(deploymentsShown, true))
                        member(row.key, jsonArray(report.events.deployments));
                } else {
                    member(row.key, jsonNumber(row.value));
                }
            }
        }
        j += "}";
    }
    if (series) j += ",\"series\":" + seriesJson(report);
    return j + "}\n";
}

}  // namespace tarvel::events
