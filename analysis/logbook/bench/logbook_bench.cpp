// The logbook at scale: a folder of 1,000 generated flights of mixed lengths
// (500 to 20,000 samples), made once in the temporary folder and kept there
// between runs. Measures the first index of the folder, a later start from
// the index to a filled table model, and one keystroke of the search filter.
//
//   logbook_bench [--benchmark_...]     (LOGBOOK_BENCH_FOLDER to put the flights elsewhere)

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSortFilterProxyModel>
#include <QStandardPaths>
#include <memory>
#include <random>

#include "flight_record.h"
#include "logbook_index.h"
#include "logbook_model.h"
#include "record_writer.h"

namespace {

using namespace tarvel;
using namespace tarvel::logbook;

constexpr int kFlights = 1000;

QString folder() {
    const QString chosen = qEnvironmentVariable("LOGBOOK_BENCH_FOLDER");
    return chosen.isEmpty() ? QDir::tempPath() + "/tarvel-logbook-bench" : chosen;
}
QString indexPath() { return folder() + "-index.sqlite"; }

// The flights, unless a folder of them is there already.
void makeFlights() {
    QDir dir(folder());
    if (dir.exists() && dir.entryList({"*.rcd"}, QDir::Files).size() == kFlights) return;
    dir.removeRecursively();
    QDir().mkpath(folder());
    std::mt19937_64 random(18);
    const char* places[] = {"School field", "Hill field", "Desert range", "Club site"};
    for (int i = 0; i < kFlights; ++i) {
        flightgen::FlightParameters params;
        params.seed = uint64_t(i) + 1;
        params.totalImpulseNs = std::uniform_real_distribution<double>(5, 80)(random);
        params.liftoffMassKg = 0.06 + params.totalImpulseNs * 0.004;
        params.diameterM = 0.025 + params.totalImpulseNs * 0.0002;
        // Lengths mixed from short to the record's whole capacity: a rest on the
        // ground after landing fills what the flight itself does not.
        params.maxSamples = std::uniform_int_distribution<int>(500, flightgen::kMaxSamples)(random);
        params.restAfterLandingS = 200;
        flightgen::RecordOptions record;
        record.name = "Flight " + std::to_string(i + 1);
        record.place = places[i % 4];
        record.date = "2026-0" + std::to_string(1 + i % 9) + "-1" + std::to_string(i % 10);
        record.notes = {"Motor " + std::to_string(int(params.totalImpulseNs)) + " N s, seed " +
                        std::to_string(params.seed)};
        auto fa = std::make_unique<FlightAnalysis>();
        const flightgen::GeneratedFlight flight = flightgen::generateFlight(params);
        flightgen::buildFlightRecord(flight, params, record, *fa);
        const QString path = QString("%1/flight%2.rcd").arg(folder()).arg(i + 1, 4, 10, QChar('0'));
        if (!writeRecordFile(path.toStdString(), *fa).ok) std::abort();
    }
}

void BM_FirstIndex(benchmark::State& state) {
    makeFlights();
    for (auto _ : state) {
        QFile::remove(indexPath());
        LogbookIndex index(indexPath());
        const FolderScan scan = index.update({folder()});
        if (scan.read.size() != size_t(kFlights)) state.SkipWithError("not every flight was read");
    }
}
BENCHMARK(BM_FirstIndex)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_LaterStartToFilledModel(benchmark::State& state) {
    makeFlights();
    LogbookIndex(indexPath()).update({folder()});
    for (auto _ : state) {
        LogbookIndex index(indexPath());
        LogbookModel model;
        model.setEntries(index.entriesIn({folder()}));
        if (model.rowCount() != kFlights) state.SkipWithError("the table is not full");
    }
}
BENCHMARK(BM_LaterStartToFilledModel)->Unit(benchmark::kMillisecond)->UseRealTime();

// The rescan behind the filled table: every file's size and time, none read.
void BM_RescanUnchanged(benchmark::State& state) {
    makeFlights();
    LogbookIndex index(indexPath());
    index.update({folder()});
    for (auto _ : state)
        if (!index.update({folder()}).read.empty()) state.SkipWithError("a file was read again");
}
BENCHMARK(BM_RescanUnchanged)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SearchKeystroke(benchmark::State& state) {
    makeFlights();
    LogbookIndex(indexPath()).update({folder()});
    LogbookModel model;
    model.setEntries(LogbookIndex(indexPath()).entriesIn({folder()}));
    QSortFilterProxyModel proxy;
    proxy.setSourceModel(&model);
    proxy.setFilterRole(LogbookModel::SearchRole);
    proxy.setFilterKeyColumn(-1);
    proxy.setFilterCaseSensitivity(Qt::CaseInsensitive);
    proxy.setSortRole(LogbookModel::SortRole);
    proxy.sort(int(Column::Apogee));
    // Typing "hill" and taking it back, one key at a time.
    const QStringList keys = {"h", "hi", "hil", "hill", "hil", "hi", "h", ""};
    size_t i = 0;
    for (auto _ : state) {
        proxy.setFilterFixedString(keys[qsizetype(i++ % size_t(keys.size()))]);
        benchmark::DoNotOptimize(proxy.rowCount());
    }
}
BENCHMARK(BM_SearchKeystroke)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
