// The real-time window's chart with four channels of 100 000 points: drawing it split and
// on one axis, storing and loading its state, and its statistics.
#include "graph/TfrmGraph.h"
#include "support/MainHarness.h"

#include <QApplication>
#include "QtBenchmarkMain.h"

#include <benchmark/benchmark.h>
#include <qcustomplot.h>

#include <cmath>

using namespace qx;

namespace {

constexpr int kPoints = 100'000;

struct Rig {
    test::MainHarness h;
    TfrmGraph *graph = nullptr;
    explicit Rig(bool split)
    {
        h.main->show();
        QApplication::processEvents();
        graph = qobject_cast<TfrmGraph *>(h.main->realTimeGraph());
        ChartModel &m = graph->model();
        const double start = m.getMinX();
        m.setPointCount(kPoints);
        for (int p = 0; p < kPoints; ++p)
            for (int s = 0; s < 4; ++s) {
                m.setX(s, p, start + p * 2 / 86400.0);
                m.setY(s, p, float(20 + 10 * s + 8 * std::sin(p / (500.0 + 100 * s)) + (p * 7919 % 13) / 10.0));
            }
        // The X axis spans the recording, as the real-time window's axis extension keeps it.
        m.setMaxX(m.getX(0, kPoints - 1) + 10 / 86400.0);
        graph->setSplit(split);
        graph->chart()->redraw();
        QApplication::processEvents();
    }
    ChartControl &chart() { return *graph->chart(); }
};

} // namespace

// Drawing the chart as it stands (nothing changed), including the repaint on screen.
static void BM_Replot(benchmark::State &state)
{
    Rig rig(state.range(0) != 0);
    for (auto _ : state) {
        rig.chart().plot()->replot();
        QApplication::processEvents();
    }
    state.SetLabel(state.range(0) ? "split" : "single axis");
}
BENCHMARK(BM_Replot)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// redraw() after one sample changed at the end, as a recording does for every sample.
static void BM_RedrawAfterLastPoint(benchmark::State &state)
{
    Rig rig(state.range(0) != 0);
    ChartModel &m = rig.graph->model();
    int i = 0;
    for (auto _ : state) {
        for (int s = 0; s < 4; ++s)
            m.setY(s, kPoints - 1, float(30 + (i++ % 10)));
        rig.chart().redraw();
        QApplication::processEvents();
    }
    state.SetLabel(state.range(0) ? "split" : "single axis");
}
BENCHMARK(BM_RedrawAfterLastPoint)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// redraw() after the first point changed: every series is rebuilt from the model.
static void BM_RedrawAllData(benchmark::State &state)
{
    Rig rig(state.range(0) != 0);
    ChartModel &m = rig.graph->model();
    int i = 0;
    for (auto _ : state) {
        m.setY(0, 0, float(20 + (i++ % 10)));
        rig.chart().redraw();
        QApplication::processEvents();
    }
    state.SetLabel(state.range(0) ? "split" : "single axis");
}
BENCHMARK(BM_RedrawAllData)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

static void BM_StoreState(benchmark::State &state)
{
    Rig rig(true);
    qsizetype size = 0;
    for (auto _ : state) {
        const QByteArray block = rig.graph->model().storeState();
        size = block.size();
        benchmark::DoNotOptimize(block.constData());
    }
    state.SetBytesProcessed(state.iterations() * size);
    state.counters["block MB"] = double(size) / 1e6;
}
BENCHMARK(BM_StoreState)->Unit(benchmark::kMillisecond);

static void BM_LoadState(benchmark::State &state)
{
    Rig rig(true);
    const QByteArray block = rig.graph->model().storeState();
    ChartModel chart;
    for (auto _ : state) {
        if (!chart.loadState(block))
            state.SkipWithError("refused");
    }
    state.SetBytesProcessed(state.iterations() * block.size());
}
BENCHMARK(BM_LoadState)->Unit(benchmark::kMillisecond);

static void BM_ShowStatistics(benchmark::State &state)
{
    Rig rig(true);
    for (auto _ : state)
        rig.graph->showStatistics();
}
BENCHMARK(BM_ShowStatistics)->Unit(benchmark::kMillisecond);

QX_QT_BENCHMARK_MAIN(QApplication)
