// Accuracy of the events and the estimate over the fixed set of generated
// flights, against the generator's truth, and the time they take on a full
// record. Prints markdown tables; exits 1 when a goal is missed.
//
//   events_accuracy [--speed-only]

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "accuracy_flights.h"
#include "flight_record.h"
#include "flight_report.h"

using namespace tarvel;
using namespace tarvel::events;

namespace {

struct EventGoal {
    const char* name;
    double tolerance;  // s
    std::optional<double> (*found)(const FlightEvents&);
    std::optional<double> flightgen::FlightTruth::*truth;
};

template <std::optional<double> FlightEvents::*event>
std::optional<double> eventOf(const FlightEvents& e) {
    return e.*event;
}

std::optional<double> firstDeployment(const FlightEvents& e) {
    return e.deployments.empty() ? std::nullopt : std::optional<double>(e.deployments.front());
}

// The goals of the issue, and the first chute opening (no goal of its own:
// held to the main's).
constexpr EventGoal kEventGoals[] = {
    {"launch", 0.05, eventOf<&FlightEvents::launch>, &flightgen::FlightTruth::launch},
    {"burnout", 0.05, eventOf<&FlightEvents::burnout>, &flightgen::FlightTruth::burnout},
    {"apogee", 0.3, eventOf<&FlightEvents::apogee>, &flightgen::FlightTruth::apogee},
    {"first deployment", 0.2, firstDeployment, &flightgen::FlightTruth::deployment},
    {"main", 0.2, eventOf<&FlightEvents::main>, &flightgen::FlightTruth::main},
    {"landing", 1.0, eventOf<&FlightEvents::landing>, &flightgen::FlightTruth::landing},
};
constexpr size_t kEventCount = std::size(kEventGoals);
constexpr double kApogeeGoalPct = 1.0, kCoverageGoalPct = 90.0, kMaxVelocityGoalPct = 3.0;

struct EventTally {
    double worst = 0, sum = 0;
    int matched = 0, missed = 0, spurious = 0;
};

struct FlightResult {
    std::string cells;
    double estimateApogeePct = 0, coveragePct = 0, velocityPct = 0;
    double shownApogeePct = 0, baroApogeePct = 0, shownVelocityPct = 0;
};

double percent(double value, double truth) { return truth != 0 ? 100 * (value - truth) / truth : 0; }

constexpr double kMetresPerSecondPerMph = 0.44704;

// The figures the analysis program shows today, in metres and m/s.
struct ShownFigures {
    double maxAltitude = 0, maxVelocity = 0;
};

ShownFigures shownFigures(const GeneratedCase& c, const flightgen::FlightParameters& params) {
    flightgen::RecordOptions record;
    record.units.Distance = 1;  // m
    // In mph: the shown velocity stops at the first value below 1, and the
    // first sample (5 G for 10 ms) adds 1.1 mph but only 0.5 m/s.
    record.units.Velocity = 0;
    auto fa = std::make_unique<FlightAnalysis>();
    flightgen::buildFlightRecord(c.flight, params, record, *fa);
    return {std::strtod(fa->figures.MaxAltitude.c_str(), nullptr),
            std::strtod(fa->figures.MaxVelocity.c_str(), nullptr) * kMetresPerSecondPerMph};
}

// The barometer alone: pressure altitude over half a second, above the pad's
// level (the readings before launch, or the first one).
double baroApogee(const FlightReport& r) {
    const SampleColumns& c = r.columns;
    const size_t n = c.size(), window = c.samplesIn(0.5, 1);
    const size_t pad = r.events.launch ? indexAtOrAfter(c, *r.events.launch) : 0;
    double level = c.pressureAltitude[0];
    if (pad > 0) {
        level = 0;
        for (size_t i = 0; i < pad; ++i) level += c.pressureAltitude[i];
        level /= static_cast<double>(pad);
    }
    double best = 0, sum = 0;
    for (size_t i = 0; i < n; ++i) {
        sum += c.pressureAltitude[i];
        if (i >= window) sum -= c.pressureAltitude[i - window];
        if (i + 1 >= window) best = std::max(best, sum / static_cast<double>(window) - level);
    }
    return best;
}

std::string eventCell(const EventGoal& goal, const FlightEvents& found, const flightgen::FlightTruth& truth,
                      EventTally& tally) {
    const std::optional<double> f = goal.found(found), t = truth.*goal.truth;
    char text[32];
    if (f && t) {
        const double error = *f - *t;
        tally.worst = std::max(tally.worst, std::fabs(error));
        tally.sum += std::fabs(error);
        ++tally.matched;
        std::snprintf(text, sizeof text, "%+.3f%s", error, std::fabs(error) > goal.tolerance ? " !" : "");
        return text;
    }
    if (t) return ++tally.missed, "missed !";
    if (f) return ++tally.spurious, "found, none !";
    return "none";
}

FlightResult measure(const AccuracyFlight& setup, EventTally (&tallies)[kEventCount]) {
    const GeneratedCase c = generateCase(setup);
    const FlightReport r = analyseFlight(c.samples);
    FlightResult out;
    out.cells = "| " + setup.name + " | " + std::to_string(c.samples.size());
    for (size_t k = 0; k < kEventCount; ++k)
        out.cells += " | " + eventCell(kEventGoals[k], r.events, c.truth, tallies[k]);

    const ShownFigures shown = shownFigures(c, setup.params);
    const double apogee = c.truth.apogeeM;
    const double estimate = r.estimate.apogee ? r.estimate.apogee->altitude : 0;
    size_t inside = 0, insideVelocity = 0;
    const size_t n = c.samples.size();
    for (size_t i = 0; i < n; ++i) {
        inside +=
            std::fabs(r.estimate.altitude[i] - c.flight.truth[i].heightM) <= 2 * r.estimate.altitudeSigma[i];
        insideVelocity += std::fabs(r.estimate.velocity[i] - c.flight.truth[i].velocityMps) <=
                          2 * r.estimate.velocitySigma[i];
    }
    out.estimateApogeePct = percent(estimate, apogee);
    out.shownApogeePct = percent(shown.maxAltitude, apogee);
    out.baroApogeePct = percent(baroApogee(r), apogee);
    out.shownVelocityPct = percent(shown.maxVelocity, c.truth.maxVelocityMps);
    out.coveragePct = 100.0 * static_cast<double>(inside) / static_cast<double>(n);
    const double vmax = r.statistics.maxVelocity.value_or(0);
    out.velocityPct = percent(vmax, c.truth.maxVelocityMps);
    char text[400];
    std::snprintf(text, sizeof text,
                  " | %.1f | %+.1f%% | %+.1f%% | %+.2f%% (±%.2f m) | %.1f%% / %.1f%% | %+.1f%% | %+.2f%% |\n",
                  apogee, out.shownApogeePct, out.baroApogeePct, out.estimateApogeePct,
                  r.estimate.apogee ? r.estimate.apogee->sigma : 0.0, out.coveragePct,
                  100.0 * static_cast<double>(insideVelocity) / static_cast<double>(n), out.shownVelocityPct,
                  out.velocityPct);
    out.cells += text;
    return out;
}

// Events, statistics and estimate of a full record of 20,000 samples.
void speed() {
    AccuracyFlight full = accuracyFlights()[9];
    full.params.restAfterLandingS = 200;
    full.params.maxSamples = flightgen::kMaxSamples;
    const GeneratedCase c = generateCase(full);
    // Processor time of this thread beside the wall clock: on a busy machine
    // the wall clock also counts the time other programs had the processor.
    auto cpuMs = [] {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
    };
    std::vector<double> cpu, wall;
    for (int run = 0; run < 30; ++run) {
        const double cpuStart = cpuMs();
        const auto start = std::chrono::steady_clock::now();
        const FlightReport r = analyseFlight(c.samples);
        const auto stop = std::chrono::steady_clock::now();
        cpu.push_back(cpuMs() - cpuStart);
        if (!r.events.launch) std::printf("(no launch found)\n");
        wall.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
    }
    std::sort(cpu.begin(), cpu.end());
    std::sort(wall.begin(), wall.end());
    std::printf(
        "\n| samples | processor time, median / fastest | wall clock, median / fastest | goal |\n"
        "|---|---|---|---|\n| %zu | %.2f / %.2f ms | %.2f / %.2f ms | 5 ms |\n",
        c.samples.size(), cpu[cpu.size() / 2], cpu.front(), wall[wall.size() / 2], wall.front());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string_view(argv[1]) == "--speed-only") {
        speed();
        return 0;
    }
    EventTally tallies[kEventCount];
    std::printf(
        "| flight | samples | launch s | burnout s | apogee s | first deployment s | main s | landing s | "
        "true apogee m | "
        "shown altitude | barometer alone | estimate | ±2σ holds altitude / velocity | shown max velocity | "
        "estimated max velocity |\n|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|\n");
    double worstApogee = 0, worstCoverage = 100, worstVelocity = 0, sumCoverage = 0;
    // Worst and mean size of the error of each way to the apogee and the top speed.
    struct Spread {
        const char* name;
        double FlightResult::*percent;
        double worst = 0, sum = 0;
    } spreads[] = {{"apogee: shown altitude figure", &FlightResult::shownApogeePct},
                   {"apogee: barometer alone", &FlightResult::baroApogeePct},
                   {"apogee: estimate", &FlightResult::estimateApogeePct},
                   {"max velocity: shown figure", &FlightResult::shownVelocityPct},
                   {"max velocity: estimate", &FlightResult::velocityPct}};
    const auto& flights = accuracyFlights();
    for (const AccuracyFlight& flight : flights) {
        const FlightResult r = measure(flight, tallies);
        std::fputs(r.cells.c_str(), stdout);
        for (Spread& spread : spreads) {
            spread.worst = std::max(spread.worst, std::fabs(r.*spread.percent));
            spread.sum += std::fabs(r.*spread.percent);
        }
        worstApogee = std::max(worstApogee, std::fabs(r.estimateApogeePct));
        worstCoverage = std::min(worstCoverage, r.coveragePct);
        worstVelocity = std::max(worstVelocity, std::fabs(r.velocityPct));
        sumCoverage += r.coveragePct;
    }
    bool met = true;
    std::printf(
        "\n| figure | goal | worst | mean | found / missed / false | met |\n|---|---|---|---|---|---|\n");
    for (size_t k = 0; k < kEventCount; ++k) {
        const EventTally& t = tallies[k];
        const bool ok = t.worst <= kEventGoals[k].tolerance && t.missed == 0 && t.spurious == 0;
        met = met && ok;
        std::printf("| %s time | %.2f s | %.3f s | %.3f s | %d / %d / %d | %s |\n", kEventGoals[k].name,
                    kEventGoals[k].tolerance, t.worst, t.matched ? t.sum / t.matched : 0.0, t.matched,
                    t.missed, t.spurious, ok ? "yes" : "no");
    }
    const bool apogeeOk = worstApogee <= kApogeeGoalPct, coverageOk = worstCoverage >= kCoverageGoalPct,
               velocityOk = worstVelocity <= kMaxVelocityGoalPct;
    std::printf("| estimated apogee | %.0f %% | %.2f %% | | | %s |\n", kApogeeGoalPct, worstApogee,
                apogeeOk ? "yes" : "no");
    std::printf("| ±2σ band holds the altitude | %.0f %% | %.1f %% | %.1f %% | | %s |\n", kCoverageGoalPct,
                worstCoverage, sumCoverage / static_cast<double>(flights.size()), coverageOk ? "yes" : "no");
    std::printf("| estimated max velocity | %.0f %% | %.2f %% | | | %s |\n", kMaxVelocityGoalPct,
                worstVelocity, velocityOk ? "yes" : "no");
    std::printf("\n| error | worst | mean |\n|---|---|---|\n");
    for (const Spread& spread : spreads)
        std::printf("| %s | %.2f %% | %.2f %% |\n", spread.name, spread.worst,
                    spread.sum / static_cast<double>(flights.size()));
    speed();
    return met && apogeeOk && coverageOk && velocityOk ? 0 : 1;
}
