// Downloads one flight from fcsim through the library's C interface, and the
// same flight through a plain loop of reads and writes on the terminal, the
// floor the library is measured against (it decodes the same values and writes
// one text row per sample, with nothing of the library's checks).
//  Paced:   wire_ratio = measured time / pure wire time (10 bits per byte at
//           19200 baud, both directions). The opening drain's 300 ms of quiet
//           is a fixed wait of the protocol, not wire time, and is left out.
//  Unpaced: us_per_exchange = wall time per carriage return and answer;
//           host_cpu_us_per_exchange = the library's own CPU time per exchange.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "codec/raw_flight.h"
#include "codec/sample_codec.h"
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

// The plain loop: the port opened raw, each unit asked for with a carriage return.
class PlainLoop {
public:
    explicit PlainLoop(const std::string& path) : m_fd(::open(path.c_str(), O_RDWR | O_NOCTTY)) {
        termios tio{};
        if (m_fd < 0 || tcgetattr(m_fd, &tio) != 0) return;
        cfmakeraw(&tio);
        cfsetispeed(&tio, B19200);
        cfsetospeed(&tio, B19200);
        tio.c_cc[VMIN] = 1;
        tio.c_cc[VTIME] = 0;
        m_ok = tcsetattr(m_fd, TCSANOW, &tio) == 0;
    }
    ~PlainLoop() {
        if (m_fd >= 0) ::close(m_fd);
    }
    PlainLoop(const PlainLoop&) = delete;
    PlainLoop& operator=(const PlainLoop&) = delete;
    bool ok() const { return m_ok; }

    // One download into `path`: the number of flights, -1 when the line failed.
    int run(const std::string& path) {
        std::FILE* out = std::fopen(path.c_str(), "wb");
        if (!out) return -1;
        int flights = 0;
        uint8_t b[2];
        bool fine = put(fltport::kLineFeed) && get(b, 2) && put(fltport::kCarriageReturn);
        while (fine && get(b, 1) && b[0] != fltport::kEndOfDownload) {
            if (b[0] == fltport::kFlightMarker) {
                ++flights;
                fine = flight(out);
            }
            fine = fine && put(fltport::kCarriageReturn);
        }
        fine = fine && put(fltport::kCarriageReturn);
        std::fclose(out);
        return fine ? flights : -1;
    }

private:
    bool put(uint8_t byte) { return ::write(m_fd, &byte, 1) == 1; }
    bool get(uint8_t* bytes, size_t count) {
        for (size_t got = 0; got < count;) {
            const ssize_t n = ::read(m_fd, bytes + got, count - got);
            if (n <= 0) return false;
            got += static_cast<size_t>(n);
        }
        return true;
    }
    bool flight(std::FILE* out) {
        for (;;) {
            uint8_t type = 0, v[2];
            if (!put(fltport::kCarriageReturn) || !get(&type, 1)) return false;
            if (type == fltport::kEndOfFlight) return true;
            if (!fltport::hasValue(type)) continue;
            if (!put(fltport::kCarriageReturn) || !get(v, 2)) return false;
            std::fprintf(out, type == fltport::kTimeRecord ? "\r\n%u," : "%u,", unsigned(v[0] << 8 | v[1]));
        }
    }

    int m_fd;
    bool m_ok = false;
};

void download(benchmark::State& state, bool paced, bool plain) {
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
    std::optional<PlainLoop> loop;
    if (plain) loop.emplace(sim.path());
    if (!sim.started() || (plain ? !loop->ok() : InitComport(sim.path().c_str()) != 1)) {
        state.SkipWithError("fcsim did not start");
        return;
    }
    const std::string prefix = (dir / "rec").string();
    // The library first waits for 300 ms of quiet on the line; the loop does not.
    const double drainSeconds = plain ? 0 : kDrainSeconds;
    // Figures are the mean over the iterations: one run on a shared machine varies a lot.
    double seconds = 0, cpuSeconds = 0;
    for (auto _ : state) {
        int32_t count = 0;
        const double cpuStart = processCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        if (plain)
            count = loop->run(prefix + "0.rcd");
        else
            StartUpload(prefix.c_str(), &count);
        const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        seconds += took;
        cpuSeconds += processCpuSeconds() - cpuStart;
        state.SetIterationTime(took);
        if (count != 1) state.SkipWithError("download failed");
    }
    if (!plain) CloseComport();
    std::filesystem::remove_all(dir);
    const double runs = std::max(static_cast<double>(state.iterations()), 1.0);
    seconds /= runs;
    cpuSeconds /= runs;

    if (paced) {
        state.counters["wire_s"] = wireSeconds;
        state.counters["wire_ratio"] = (seconds - drainSeconds) / wireSeconds;
    } else {
        state.counters["exchanges"] = exchanges;
        state.counters["us_per_exchange"] = (seconds - drainSeconds) / exchanges * 1e6;
        // The host's own share: the library's CPU time, system calls included
        // (the simulator is another process).
        state.counters["host_cpu_us_per_exchange"] = cpuSeconds / exchanges * 1e6;
    }
}

void BM_PacedDownload(benchmark::State& state) { download(state, true, false); }
void BM_UnpacedDownload(benchmark::State& state) { download(state, false, false); }
void BM_PacedPlainLoop(benchmark::State& state) { download(state, true, true); }
void BM_UnpacedPlainLoop(benchmark::State& state) { download(state, false, true); }

}  // namespace

BENCHMARK(BM_UnpacedDownload)->Arg(20000)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UnpacedPlainLoop)->Arg(20000)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PacedDownload)
    ->Arg(2000)
    ->Arg(20000)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PacedPlainLoop)
    ->Arg(2000)
    ->Arg(20000)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
