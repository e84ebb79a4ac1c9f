// Cost of the events, the statistics and the estimate for flights of 1k, 5k
// and 20k samples (the record's limit). The goal is under 5 ms for 20k.

#include <benchmark/benchmark.h>

#include <algorithm>

#include "accuracy_flights.h"
#include "flight_report.h"

namespace {

using namespace tarvel::events;

// The long high flight, resting on the ground after touchdown up to the
// record's limit, cut to the samples asked for.
FlightSamples longFlight(size_t samples) {
    AccuracyFlight flight = accuracyFlights()[9];
    flight.params.restAfterLandingS = 200;
    FlightSamples s = generateCase(flight).samples;
    const size_t n = std::min(samples, s.size());
    s.deltaTime.resize(n);
    s.accelG.resize(n);
    s.pressurePsi.resize(n);
    return s;
}

void BM_AnalyseFlight(benchmark::State& state) {
    const FlightSamples samples = longFlight(static_cast<size_t>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(analyseFlight(samples));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_AnalyseFlight)->Arg(1000)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond)->Complexity();

}  // namespace

BENCHMARK_MAIN();
