// Downloads one flight from fcsim through the library's C interface.
//  Paced:   wire_ratio = measured time / pure wire time (10 bits per byte at
//           19200 baud, both directions). The opening drain's 300 ms of quiet
//           is a fixed wait of the protocol, not wire time, and is left out.
//  Unpaced: us_per_exchange = wall time per carriage return and answer;
//           host_cpu_us_per_exchange = the library's own CPU time per exchange.

#include <benchmark/benchmark.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "codec/raw_flight.h"
#include "fcsim_process.h"
#include "fltport.h"

namespace {

constexpr double kDrainSeconds = 0.3;

double processCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

fltport::RawFlight benchFlight(int samples) {
    fltport::RawFlight flight;
    for (int i = 0; i < samples; ++i)
        fltport::appendSample(flight, 1000, static_cast<uint16_t>(800 - (i / 40) % 400),
                              (i * 37) % 1200 - 400);
    return flight;
}

void download(benchmark::State& state, bool paced) {
    const int samples = static_cast<int>(state.range(0));
    const auto dir = std::filesystem::temp_directory_path() / ("fltport-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string script = (dir / "flight.txt").string();
    const auto flight = benchFlight(samples);
    std::ofstream(script) << fltport::formatRawFlights({flight});

    size_t wireBytes = 1 + 2;  // line feed and "OK"
    const auto units = fltport::downloadUnits({flight});
    for (const auto& unit : units) wireBytes += 1 + unit.size();
    const double exchanges = static_cast<double>(units.size() + 1);
    const double wireSeconds = static_cast<double>(wireBytes) * 10 / 19200;

    std::vector<std::string> args;
    if (paced) args.push_back("--pace");
    args.push_back(script);
    fcsim::FcsimProcess sim(args);
    if (!sim.started() || InitComport(sim.path().c_str()) != 1) {
        state.SkipWithError("fcsim did not start");
        return;
    }
    const std::string prefix = (dir / "rec").string();
    double seconds = 0, cpuSeconds = 0;
    for (auto _ : state) {
        int32_t count = 0;
        const double cpuStart = processCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        StartUpload(prefix.c_str(), &count);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        cpuSeconds = processCpuSeconds() - cpuStart;
        state.SetIterationTime(seconds);
        if (count != 1) state.SkipWithError("download failed");
    }
    CloseComport();
    std::filesystem::remove_all(dir);

    if (paced) {
        state.counters["wire_s"] = wireSeconds;
        state.counters["wire_ratio"] = (seconds - kDrainSeconds) / wireSeconds;
    } else {
        state.counters["exchanges"] = exchanges;
        state.counters["us_per_exchange"] = (seconds - kDrainSeconds) / exchanges * 1e6;
        // The host's own share: the library's CPU time, system calls included
        // (the simulator is another process).
        state.counters["host_cpu_us_per_exchange"] = cpuSeconds / exchanges * 1e6;
    }
}

void BM_PacedDownload(benchmark::State& state) { download(state, true); }
void BM_UnpacedDownload(benchmark::State& state) { download(state, false); }

}  // namespace

BENCHMARK(BM_UnpacedDownload)->Arg(20000)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PacedDownload)
    ->Arg(2000)
    ->Arg(20000)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
