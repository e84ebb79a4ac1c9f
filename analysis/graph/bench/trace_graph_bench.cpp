// The comparison graph at its largest: ten traces of 20,000 samples each,
// one zoom step or one pan step and the repaint that follows, into a
// 1280 x 800 picture as the window's graph would be.

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cmath>

#include "trace_graph.h"

namespace {

using tarvel::graph::Trace;
using tarvel::graph::TraceGraph;

constexpr int kTraces = 10;
constexpr int kSamples = 20000;
const QSize kPicture(1280, 800);

// Flights of a few hundred metres, 0.01 s apart, each a little different,
// with a ripple that keeps every pixel column's extremes apart.
TraceGraph tenFlights() {
    std::vector<Trace> traces;
    for (int k = 0; k < kTraces; ++k) {
        Trace t;
        t.name = "flight " + std::to_string(k + 1);
        t.offset = 0.1 * k;
        const double apogee = 300 + 20 * k, climb = 8 + 0.3 * k;
        for (int i = 0; i < kSamples; ++i) {
            const double s = i * 0.01;
            const double h =
                s < climb ? apogee * std::sin(s / climb * M_PI / 2) : std::max(0.0, apogee - 6 * (s - climb));
            t.time.push_back(s);
            t.value.push_back(h + 0.5 * std::sin(i * 0.7));
        }
        t.events = {{climb, "Apogee"}, {climb + apogee / 6, "Landing"}};
        traces.push_back(std::move(t));
    }
    TraceGraph graph;
    graph.setTraces(std::move(traces));
    graph.setValueAxis("Altitude", "m", 1);
    return graph;
}

void repaint(const TraceGraph& graph, QImage& image) {
    QPainter painter(&image);
    graph.paint(painter, QRectF(image.rect()));
}

// One wheel notch in or out around the middle, as the window takes it, then the repaint.
void BM_ZoomStepRepaint(benchmark::State& state) {
    TraceGraph graph = tenFlights();
    graph.setPointer(60.0);
    QImage image(kPicture, QImage::Format_ARGB32_Premultiplied);
    bool in = true;
    for (auto _ : state) {
        const tarvel::graph::TimeRange r = graph.shownRange();
        // In from the whole flight and back out, so every step redraws most of the samples.
        if (!graph.zoomAround((r.first + r.last) / 2, in ? 0.8 : 1.25)) graph.zoomOut();
        in = !in;
        repaint(graph, image);
    }
}
BENCHMARK(BM_ZoomStepRepaint)->Unit(benchmark::kMillisecond);

// A tenth of the span later or earlier with the graph zoomed to half the flights.
void BM_PanStepRepaint(benchmark::State& state) {
    TraceGraph graph = tenFlights();
    graph.zoomTo(20, 120);
    graph.setPointer(60.0);
    QImage image(kPicture, QImage::Format_ARGB32_Premultiplied);
    bool later = true;
    for (auto _ : state) {
        graph.panBy(later ? 10 : -10);
        later = !later;
        repaint(graph, image);
    }
}
BENCHMARK(BM_PanStepRepaint)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
