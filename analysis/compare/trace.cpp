#include "trace.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "derivation.h"
#include "flight_report.h"
#include "record_reader.h"
#include "simulation_csv.h"

namespace tarvel::compare {

namespace {

struct QuantityText {
    std::string_view name, title, unit;
};
constexpr QuantityText kQuantityTexts[kQuantityCount] = {
    {"altitude", "Altitude", "m"},
    {"velocity", "Vertical velocity", "m/s"},
    {"acceleration", "Vertical acceleration", "m/s²"},
    {"thrust", "Thrust", "N"},
};

const QuantityText& textOf(Quantity q) { return kQuantityTexts[static_cast<size_t>(q)]; }

std::string fileNameOf(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Index of the first time at or after t.
size_t indexAt(const std::vector<double>& time, double t) {
    return static_cast<size_t>(std::lower_bound(time.begin(), time.end(), t) - time.begin());
}

// `values` at time t, linear between the samples, clamped to the ends; NaN
// where a neighbouring sample has none.
double valueAt(const std::vector<double>& time, const std::vector<double>& values, double t) {
    const size_t n = std::min(time.size(), values.size());
    if (n == 0) return std::nan("");
    const size_t i = indexAt(time, t);
    if (i == 0) return values.front();
    if (i >= n) return values[n - 1];
    const double f = (t - time[i - 1]) / (time[i] - time[i - 1]);
    return values[i - 1] + f * (values[i] - values[i - 1]);
}

// The largest value over [from, to] (samples inside and the ends), NaNs passed over.
std::optional<double> largestBetween(const std::vector<double>& time, const std::vector<double>& values,
                                     double from, double to) {
    std::optional<double> best;
    auto consider = [&best](double v) {
        if (std::isfinite(v) && (!best || v > *best)) best = v;
    };
    for (size_t i = indexAt(time, from); i < values.size() && time[i] <= to; ++i) consider(values[i]);
    consider(valueAt(time, values, from));
    consider(valueAt(time, values, to));
    return best;
}

// Mean descent rate (positive down) between two times, leaving out the
// chute's opening and settling at the start and the last half second, as the
// event finder does for a flight; absent when less than a second is left.
std::optional<double> descentRate(const Trace& trace, double from, double to) {
    const double start = from + std::max(1.5, 0.2 * (to - from)), end = to - 0.5;
    if (end - start < 1.0) return std::nullopt;
    if (trace.has(Quantity::Velocity)) {
        // The mean of the velocity over the span: its integral over its length.
        const std::vector<double>& v = trace.column(Quantity::Velocity);
        double sum = 0, previousT = start, previousV = valueAt(trace.time, v, start);
        for (size_t i = indexAt(trace.time, start); i < trace.time.size() && trace.time[i] < end; ++i) {
            sum += (previousV + v[i]) / 2 * (trace.time[i] - previousT);
            previousT = trace.time[i], previousV = v[i];
        }
        sum += (previousV + valueAt(trace.time, v, end)) / 2 * (end - previousT);
        if (std::isfinite(sum)) return -sum / (end - start);
    }
    if (!trace.has(Quantity::Altitude)) return std::nullopt;
    const std::vector<double>& h = trace.column(Quantity::Altitude);
    const double rate = (valueAt(trace.time, h, start) - valueAt(trace.time, h, end)) / (end - start);
    return std::isfinite(rate) ? std::optional<double>(rate) : std::nullopt;
}

// The figures that follow from the events and the columns of any trace.
void fillPhaseFigures(Trace& trace) {
    TraceFigures& f = trace.figures;
    if (!f.launch || trace.time.empty()) return;
    const double launch = *f.launch, end = trace.time.back();
    const double landing = f.landing.value_or(end);
    if (f.apogeeTime) {
        f.timeToApogee = *f.apogeeTime - launch;
        f.drogueDescentRate = descentRate(trace, *f.apogeeTime, f.main.value_or(landing));
    }
    if (f.main) f.mainDescentRate = descentRate(trace, *f.main, landing);
    if (trace.has(Quantity::Velocity))
        f.maxVelocity = largestBetween(trace.time, trace.column(Quantity::Velocity), launch, landing);
    if (trace.has(Quantity::Acceleration))
        f.maxAcceleration = largestBetween(trace.time, trace.column(Quantity::Acceleration), launch,
                                           f.burnout.value_or(landing));
}

// The events on the trace's graph, from its figures, in time order; each
// deployment but the main is a "Deployment".
void listEvents(Trace& trace, const std::vector<double>& deployments) {
    const TraceFigures& f = trace.figures;
    auto add = [&trace](std::string_view name, std::optional<double> time) {
        if (time) trace.events.push_back({std::string(name), *time});
    };
    add("Launch", f.launch);
    add("Burnout", f.burnout);
    add("Apogee", f.apogeeTime);
    for (double t : deployments) add(f.main && t == *f.main ? "Main" : "Deployment", t);
    add("Landing", f.landing);
    std::stable_sort(trace.events.begin(), trace.events.end(),
                     [](const TraceEvent& a, const TraceEvent& b) { return a.time < b.time; });
}

// --- simulations ---

std::string upperWithUnderscores(std::string_view name) {
    std::string out;
    for (char c : name) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        out += c == ' ' || c == '-' ? '_' : c;
    }
    return out;
}

// The time of the last sample at rest before the first one that moves.
std::optional<double> firstMotion(const Trace& t) {
    struct Test {
        Quantity q;
        double moving;
    };
    for (const Test test : {Test{Quantity::Velocity, 0.05}, Test{Quantity::Altitude, 0.01},
                            Test{Quantity::Acceleration, 0.5}, Test{Quantity::Thrust, 0.0}}) {
        if (!t.has(test.q)) continue;
        const std::vector<double>& v = t.column(test.q);
        for (size_t i = 0; i < v.size(); ++i)
            if (v[i] > test.moving) return t.time[i > 0 ? i - 1 : 0];
    }
    return std::nullopt;
}

std::optional<double> highestPoint(const Trace& t, double launch) {
    if (!t.has(Quantity::Altitude)) return std::nullopt;
    const std::vector<double>& h = t.column(Quantity::Altitude);
    std::optional<size_t> top;
    for (size_t i = indexAt(t.time, launch); i < h.size(); ++i)
        if (std::isfinite(h[i]) && (!top || h[i] > h[*top])) top = i;
    // A trace that ends at its highest point never turned back down.
    if (!top || *top + 1 >= h.size()) return std::nullopt;
    return t.time[*top];
}

std::optional<double> velocityTurns(const Trace& t, double launch) {
    if (!t.has(Quantity::Velocity)) return std::nullopt;
    const std::vector<double>& v = t.column(Quantity::Velocity);
    bool rising = false;
    for (size_t i = indexAt(t.time, launch) + 1; i < v.size(); ++i) {
        rising = rising || v[i - 1] > 0;
        if (rising && v[i - 1] > 0 && v[i] <= 0)
            return t.time[i - 1] + v[i - 1] / (v[i - 1] - v[i]) * (t.time[i] - t.time[i - 1]);
    }
    return std::nullopt;
}

// End of the thrust: after its peak, where it has fallen to nothing; without
// a thrust column, where the acceleration first turns negative after launch.
std::optional<double> thrustEnds(const Trace& t, double launch) {
    const size_t from = indexAt(t.time, launch);
    if (t.has(Quantity::Thrust)) {
        const std::vector<double>& f = t.column(Quantity::Thrust);
        size_t peak = from;
        for (size_t i = from; i < f.size(); ++i)
            if (f[i] > f[peak]) peak = i;
        if (peak >= f.size() || !(f[peak] > 0)) return std::nullopt;
        for (size_t i = peak; i < f.size(); ++i)
            if (f[i] <= 0.005 * f[peak]) return t.time[i];
        return std::nullopt;
    }
    if (!t.has(Quantity::Acceleration)) return std::nullopt;
    const std::vector<double>& a = t.column(Quantity::Acceleration);
    bool boosting = false;
    for (size_t i = from; i < a.size(); ++i) {
        boosting = boosting || a[i] > 0;
        if (boosting && a[i] < 0) return t.time[i];
    }
    return std::nullopt;
}

std::optional<double> backOnGround(const Trace& t, double apogee, double launch) {
    if (!t.has(Quantity::Altitude)) return std::nullopt;
    const std::vector<double>& h = t.column(Quantity::Altitude);
    const double ground = valueAt(t.time, h, launch) + 0.5;
    for (size_t i = indexAt(t.time, apogee); i < h.size(); ++i)
        if (h[i] <= ground) return t.time[i];
    return std::nullopt;
}

// Events the file names, by their usual names; the rest from the columns.
void simulationEvents(Trace& trace, const std::vector<TraceEvent>& named) {
    TraceFigures& f = trace.figures;
    std::optional<double> liftoff, ignition, start;
    std::vector<double> deployments;
    for (const TraceEvent& e : named) {
        const std::string n = upperWithUnderscores(e.name);
        auto first = [&e](std::optional<double>& slot) {
            if (!slot) slot = e.time;
        };
        if (n == "LIFTOFF" || n == "LIFT_OFF")
            first(liftoff);
        else if (n == "IGNITION")
            first(ignition);
        else if (n == "LAUNCH")
            first(start);
        else if (n.find("BURNOUT") != std::string::npos)
            first(f.burnout);
        else if (n == "APOGEE")
            first(f.apogeeTime);
        else if (n.find("DEPLOY") != std::string::npos)
            deployments.push_back(e.time);
        else if (n == "GROUND_HIT" || n == "TOUCHDOWN" || n == "LANDING")
            first(f.landing);
    }
    f.launch = liftoff ? liftoff : ignition ? ignition : start ? start : firstMotion(trace);
    if (!f.launch) return;
    if (!f.apogeeTime) f.apogeeTime = highestPoint(trace, *f.launch);
    if (!f.apogeeTime) f.apogeeTime = velocityTurns(trace, *f.launch);
    if (!f.burnout) f.burnout = thrustEnds(trace, *f.launch);
    std::sort(deployments.begin(), deployments.end());
    if (!deployments.empty()) f.deployment = deployments.front();
    if (f.apogeeTime) {
        for (double t : deployments)
            if (t > *f.apogeeTime + 1.0) {
                f.main = t;
                break;
            }
        if (!f.landing) f.landing = backOnGround(trace, *f.apogeeTime, *f.launch);
    }
    if (f.apogeeTime && trace.has(Quantity::Altitude)) {
        const std::vector<double>& h = trace.column(Quantity::Altitude);
        const std::optional<double> top =
            largestBetween(trace.time, h, *f.launch, f.landing.value_or(trace.time.back()));
        const double ground = valueAt(trace.time, h, *f.launch);
        if (top && std::isfinite(ground)) f.apogee = *top - ground;
    }
    listEvents(trace, deployments);
}

bool endsWithRecordExtension(const std::string& path) {
    if (path.size() < 4) return false;
    std::string ext = path.substr(path.size() - 4);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext == ".rcd";
}

// A saved record starts with a detail key, whatever its file is called (the
// CSV export writes one under a .csv name).
bool startsLikeRecord(std::string_view bytes) {
    RecordInput in(bytes);
    while (!in.atEnd()) {
        const std::string_view line = in.readLine();
        if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
        return isRecordDetailKey(line);
    }
    return false;
}

// The events and figures of a record: those of the event finder, the best
// estimate and the phase statistics.
void takeRecordEvents(Trace& t, const events::FlightReport& report) {
    const events::FlightEvents& ev = report.events;
    const events::FlightStatistics& s = report.statistics;
    TraceFigures& f = t.figures;
    f.launch = ev.launch, f.burnout = ev.burnout, f.apogeeTime = ev.apogee, f.main = ev.main,
    f.landing = ev.landing;
    if (!ev.deployments.empty()) f.deployment = ev.deployments.front();
    if (ev.apogee && report.estimate.apogee) f.apogee = report.estimate.apogee->altitude;
    f.timeToApogee = s.timeToApogee;
    f.maxVelocity = s.maxVelocity;
    f.maxAcceleration = s.maxAcceleration;
    f.drogueDescentRate = s.drogueDescentRate;
    f.mainDescentRate = s.mainDescentRate;
    listEvents(t, ev.deployments);
}

}  // namespace

std::string_view quantityName(Quantity q) { return textOf(q).name; }
std::string_view quantityTitle(Quantity q) { return textOf(q).title; }
std::string_view quantityUnit(Quantity q) { return textOf(q).unit; }

std::optional<Quantity> quantityFromName(std::string_view name) {
    for (Quantity q : kQuantities)
        if (quantityName(q) == name) return q;
    return std::nullopt;
}

TraceLoad traceFromFlight(const Flight& flight, std::string path) {
    TraceLoad load;
    const events::FlightReport report = events::analyseFlight(events::recordedSamples(flight));
    const size_t n = report.columns.size();
    if (n == 0 || report.estimate.altitude.size() != n) {
        load.status = Status::failure("No flight samples were found in " + path + ".");
        return load;
    }
    Trace t;
    t.name = fileNameOf(path);
    t.path = std::move(path);
    t.kind = SourceKind::Record;
    t.time = report.columns.time;
    // The best estimate, not the integrated and pressure columns of the main
    // graph: the figures are the estimate's, and the curves must agree with them.
    t.column(Quantity::Altitude) = report.estimate.altitude;
    t.column(Quantity::Velocity) = report.estimate.velocity;
    t.column(Quantity::Acceleration) = report.columns.accel;

    UnitSelection si = flight.units;  // the weights stay in the unit the file gives them in
    si.Distance = 1, si.Velocity = 3, si.Thrust = 0;
    const Derivation derived =
        deriveFlight({flight.samples, flight.details, si, DerivedView::AllCurves, flight.samples.aVelocity});
    if (derived.flight) {
        std::vector<double>& thrust = t.column(Quantity::Thrust);
        thrust.resize(n);
        for (size_t i = 0; i < n; ++i) thrust[i] = at(derived.flight->thrust, i + 1);
    } else {
        load.notes.push_back(t.path + ": no thrust: " + derived.status.message);
    }

    takeRecordEvents(t, report);
    load.trace = std::move(t);
    return load;
}

TraceLoad traceFromSimulation(std::string_view bytes, std::string path) {
    TraceLoad load;
    SimulationRead read = readSimulationCsv(bytes, path);
    load.status = read.status;
    for (const std::string& note : read.data.notes) load.notes.emplace_back(path + ": ").append(note);
    if (!read.status.ok) return load;
    Trace t;
    t.name = fileNameOf(path);
    t.path = std::move(path);
    t.kind = SourceKind::Simulation;
    t.time = std::move(read.data.time);
    t.columns = std::move(read.data.columns);
    simulationEvents(t, read.data.events);
    fillPhaseFigures(t);
    load.trace = std::move(t);
    return load;
}

TraceLoad loadTrace(const std::string& path) {
    std::string bytes;
    if (Status read = readWholeFile(path, bytes); !read.ok) return {read, std::nullopt, {}};
    if (!endsWithRecordExtension(path) && !startsLikeRecord(bytes)) return traceFromSimulation(bytes, path);
    const Flight flight = readRecord(bytes);
    if (!flight.lastRead.samplesFound)
        return {Status::failure("No flight samples were found in " + path + "."), std::nullopt, {}};
    TraceLoad load = traceFromFlight(flight, path);
    if (!flight.lastRead.complete)
        load.notes.insert(load.notes.begin(), path + ": reading stopped at " + flight.lastRead.stoppedAt +
                                                  "; the samples before it are used");
    return load;
}

}  // namespace tarvel::compare
