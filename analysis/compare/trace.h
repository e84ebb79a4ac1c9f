#pragma once
// One source on the comparison graph: a record file or a simulation export,
// as a trace of its own time axis and the columns it has, in SI units, with
// its events and figures. A trace is a plain value; the comparison
// (comparison.h) lines several up and tabulates their differences.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "flight.h"

namespace tarvel::compare {

// What a trace can show, each in its SI unit.
enum class Quantity { Altitude, Velocity, Acceleration, Thrust };
inline constexpr int kQuantityCount = 4;
inline constexpr std::array<Quantity, kQuantityCount> kQuantities{Quantity::Altitude, Quantity::Velocity,
                                                                  Quantity::Acceleration, Quantity::Thrust};
// "altitude", "velocity", "acceleration", "thrust" (the command line's names).
std::string_view quantityName(Quantity q);
std::optional<Quantity> quantityFromName(std::string_view name);
// "Altitude", "Vertical velocity", ... for captions and legends.
std::string_view quantityTitle(Quantity q);
// "m", "m/s", "m/s²", "N".
std::string_view quantityUnit(Quantity q);

enum class SourceKind { Record, Simulation };

struct TraceEvent {
    std::string name;  // "Launch", "Burnout", "Apogee", "Deployment", "Main", "Landing"
    double time = 0;   // s on the trace's own axis
};

// The events a source shows (absent where it does not) and the figures of
// its flight. Heights are above the launch site, descent rates positive down.
struct TraceFigures {
    std::optional<double> launch, burnout, apogeeTime, deployment, main, landing;  // s, own axis
    std::optional<double> apogee;                                                  // m
    std::optional<double> timeToApogee;                                            // s from launch
    std::optional<double> maxVelocity;                                             // m/s
    std::optional<double> maxAcceleration;                                         // m/s²
    std::optional<double> drogueDescentRate, mainDescentRate;                      // m/s
};

struct Trace {
    std::string path;  // the file it came from
    std::string name;  // for the legend: the file's name without its folder
    SourceKind kind = SourceKind::Record;
    std::vector<double> time;  // s, increasing
    // One value per time (NaN where the source gives none at that time, a gap
    // in the curve), or empty where the source does not have the quantity.
    std::array<std::vector<double>, kQuantityCount> columns;
    std::vector<TraceEvent> events;  // in time order
    TraceFigures figures;

    bool has(Quantity q) const { return !column(q).empty(); }
    const std::vector<double>& column(Quantity q) const { return columns[static_cast<size_t>(q)]; }
    std::vector<double>& column(Quantity q) { return columns[static_cast<size_t>(q)]; }
    // The times the alignments anchor on, where known.
    std::optional<double> launch() const { return figures.launch; }
    std::optional<double> apogee() const { return figures.apogeeTime; }
};

struct TraceLoad {
    Status status;                   // !ok: why the file gives no trace (names the file)
    std::optional<Trace> trace;      // set when status.ok
    std::vector<std::string> notes;  // what the user should know (a reading that stopped early, ...)
};

// A record file (read, derived with its own details, its events and figures
// from the event finder) or a simulation export, told apart by content.
TraceLoad loadTrace(const std::string& path);

// The trace of a flight already in memory (a record read or downloaded).
TraceLoad traceFromFlight(const Flight& flight, std::string path);

// A simulation export's bytes; `path` names the file in messages.
TraceLoad traceFromSimulation(std::string_view bytes, std::string path);

}  // namespace tarvel::compare
