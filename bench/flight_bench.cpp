// Cost of opening a record: reading it, the all-curves derivation and its
// figures, for flights of 1k, 5k and 20k samples (the store's limit). The
// goal is well under 10 ms for 20k samples and a cost linear in their count.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

#include "derivation.h"
#include "motor_file.h"
#include "record_reader.h"
#include "record_writer.h"

namespace {

namespace fs = std::filesystem;

// A plausible flight: a 1.5 s burn at about 9 G, coast to apogee, then a slow
// descent, sampled every 10 ms for as many samples as asked. Pressure follows
// the altitude through the inverse of the barometric formula.
void fillFlight(tarvel::Flight& fa, int samples) {
    auto& s = fa.samples;
    s.SampleCount = static_cast<int16_t>(samples);
    s.holdSlots(samples);
    const double dt = 0.01, groundPsi = 14.69;
    double t = 0, v = 0, h = 0;
    for (int i = 1; i <= samples; ++i) {
        t += dt;
        double g;
        if (t < 1.5)
            g = 9.0 - 2.0 * t;  // the thrust falls off over the burn
        else if (v > 0)
            g = -1.0 - 0.0001 * v * v / 32.2;  // gravity and drag
        else
            g = 0.0;  // under the chute, falling at a constant rate
        v = v > 0 || t < 1.5 ? v + g * 32.2 * dt : -20.0;
        h = std::max(0.0, h + v * dt);
        s.aDeltaTime[i] = dt;
        s.aAccel[i] = g + 0.01 * std::sin(i * 0.7);  // some sensor noise
        s.aPressure[i] = groundPsi * std::pow(1 - h / 145442.0, 5.255876);
    }
    fa.detail(tarvel::DetailField::FileDetailName) = "Bench rocket";
    fa.detail(tarvel::DetailField::FileDetailWeight) = "16.00";
    fa.detail(tarvel::DetailField::FileDetailPropellantWt) = "2.0";
    fa.detail(tarvel::DetailField::txtMotorDuration) = "1.5";
}

// Record files of each size, written once per run into a temporary folder.
class RecordFiles {
public:
    RecordFiles() {
        m_dir = fs::temp_directory_path() / ("tarvel_bench_" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
    }
    ~RecordFiles() {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }
    const std::string& path(int samples) {
        auto it = m_paths.find(samples);
        if (it != m_paths.end()) return it->second;
        auto fa = std::make_unique<tarvel::Flight>();
        fillFlight(*fa, samples);
        const std::string file = (m_dir / ("flight" + std::to_string(samples) + ".rcd")).string();
        if (!tarvel::writeRecordFile(file, *fa).ok) throw std::runtime_error("cannot write " + file);
        return m_paths[samples] = file;
    }

private:
    fs::path m_dir;
    std::map<int, std::string> m_paths;
};

RecordFiles& files() {
    static RecordFiles instance;
    return instance;
}

// The all-curves derivation of `flight`, as "&Open" and "&Recalculate" make it.
tarvel::Derivation derive(const tarvel::Flight& flight) {
    return tarvel::deriveFlight({flight.samples, flight.details, flight.units, tarvel::DerivedView::AllCurves,
                                 flight.samples.aVelocity});
}

void BM_OpenRecalculateSummarise(benchmark::State& state) {
    const int samples = static_cast<int>(state.range(0));
    const std::string& path = files().path(samples);
    std::string bytes;
    for (auto _ : state) {
        if (!tarvel::readWholeFile(path, bytes).ok) state.SkipWithError("record not read");
        const tarvel::Flight flight = tarvel::readRecord(bytes);
        const tarvel::Derivation derived = derive(flight);
        if (flight.samples.SampleCount != samples || !derived.flight || !derived.flight->figures)
            state.SkipWithError("record not read back");
        benchmark::DoNotOptimize(derived.flight->figures->maxAltitude);
    }
    state.SetComplexityN(samples);
    state.SetItemsProcessed(state.iterations() * samples);
}
BENCHMARK(BM_OpenRecalculateSummarise)
    ->Arg(1000)
    ->Arg(5000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// The computation alone, without reading the file.
void BM_RecalculateSummarise(benchmark::State& state) {
    const int samples = static_cast<int>(state.range(0));
    auto fa = std::make_unique<tarvel::Flight>();
    fillFlight(*fa, samples);
    for (auto _ : state) {
        const tarvel::Derivation derived = derive(*fa);
        benchmark::DoNotOptimize(derived.flight->figures->maxAltitude);
    }
    state.SetComplexityN(samples);
}
BENCHMARK(BM_RecalculateSummarise)
    ->Arg(1000)
    ->Arg(5000)
    ->Arg(20000)
    ->Unit(benchmark::kMicrosecond)
    ->Complexity(benchmark::oN);

void BM_MotorFileText(benchmark::State& state) {
    auto fa = std::make_unique<tarvel::Flight>();
    fillFlight(*fa, 20000);
    tarvel::Derivation derived = derive(*fa);
    fa->samples.aThrust = std::move(derived.flight->thrust);
    const tarvel::FlightFigures& f = *derived.flight->figures;
    const tarvel::MotorExportDialog dialog = tarvel::openMotorExportDialog(*fa, f.totalImpulse, f.aveThrust);
    for (auto _ : state) benchmark::DoNotOptimize(tarvel::motorFileText(*fa, dialog));
}
BENCHMARK(BM_MotorFileText)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
