// Redraw of a full 20,000-sample flight: the work one edit of a rocket
// detail costs the window (recalculation, axes, curves, and the paint).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cmath>

#include "dialogs.h"
#include "graph_painter.h"
#include "graph_widget.h"
#include "ln_graph.h"
#include "main_window.h"
#include "model_graph.h"

namespace {

// A flight filling every slot: 1.5 s boost at 10 G, coast, descent at 20 ft/s.
void fillFlight(tarvel::FlightAnalysis& fa) {
    auto& s = fa.samples;
    s.SampleCount = tarvel::kLastSlot;
    double v = 0, h = 0;
    for (int i = 1; i <= tarvel::kLastSlot; ++i) {
        const double dt = 0.01;
        double a = i <= 150 ? 10.0 : (v > 0 ? -1.0 : 0.0);
        v += a * 32.125 * dt;
        if (i > 150 && v <= 0) v = -20;
        h = std::max(0.0, h + v * dt);
        tarvel::slotOf(s.aDeltaTime, i) = dt;
        tarvel::slotOf(s.aAccel, i) = a;
        tarvel::slotOf(s.aPressure, i) = 14.7 * std::pow(1 - h / 145442.0, 5.255876);
    }
    fa.bValidFile = true;
}

class NoDialogs : public tarvel::Dialogs {
public:
    std::optional<QString> openFile(QWidget*, const QString&, const QString&) override { return {}; }
    std::optional<QString> saveFile(QWidget*, const QString&, const QString&) override { return {}; }
    void message(QWidget*, const QString&, Icon) override {}
    bool choosePrinter(QWidget*, QPrinter&) override { return false; }
    int runModal(QDialog&) override { return 0; }
};

// RecalculateGraph alone: recompute the series, widen the axes, lay out the
// labels and reduce the samples to segments.
void BM_RecalculateGraph20k(benchmark::State& state) {
    tarvel::FlightAnalysis fa;
    tarvel::graph::LnGraph graph;
    fillFlight(fa);
    for (auto _ : state) {
        const tarvel::Status status = fa.RecalculateGraph();
        tarvel::drawModelGraph(fa, fa.takeGraphSteps(), graph);
        benchmark::DoNotOptimize(status.ok);
    }
}
BENCHMARK(BM_RecalculateGraph20k)->Unit(benchmark::kMillisecond);

// RecalculateGraph and the paint of the graph panel at the window's size.
void BM_RecalculateAndPaint20k(benchmark::State& state) {
    tarvel::FlightAnalysis fa;
    tarvel::graph::LnGraph graph;
    fillFlight(fa);
    QImage image(1012, 482, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        fa.RecalculateGraph();
        tarvel::drawModelGraph(fa, fa.takeGraphSteps(), graph);
        QPainter painter(&image);
        tarvel::graph::paintGraph(painter, graph.scene(), image.rect());
    }
}
BENCHMARK(BM_RecalculateAndPaint20k)->Unit(benchmark::kMillisecond);

// The whole window: leaving a detail field with a new value (recalculation,
// figures, widgets) and repainting the window at 1024 x 768.
void BM_WindowDetailCommit20k(benchmark::State& state) {
    NoDialogs dialogs;
    tarvel::MainWindow window(dialogs, tarvel::TarvelSettings("."));
    window.resize(1024, 768);
    fillFlight(window.analysis());
    window.analysis().RecalculateGraph();
    QImage image(window.size(), QImage::Format_ARGB32_Premultiplied);
    bool flip = false;
    for (auto _ : state) {
        window.analysis().detail(tarvel::DetailField::FileDetailCoefficientDrag) = flip ? "0.6" : "0.7";
        flip = !flip;
        window.detailLostFocus(tarvel::DetailField::FileDetailCoefficientDrag);
        window.render(&image);
    }
}
BENCHMARK(BM_WindowDetailCommit20k)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
