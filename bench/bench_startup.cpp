// From nothing to the painted main window: the frame with its menus and glyphs, the
// real-time window prepared from the chart template, the front panel, all drawn once.
#include "QtBenchmarkMain.h"
#include "support/MainHarness.h"

#include <QApplication>
#include <benchmark/benchmark.h>

using namespace qx;

static void BM_StartToPaintedMainWindow(benchmark::State &state)
{
    for (auto _ : state) {
        test::MainHarness h; // the main window on the simulated meter
        h.main->show();
        QApplication::processEvents();
        const QPixmap painted = h.main->grab();
        benchmark::DoNotOptimize(painted.cacheKey());
        state.PauseTiming();
        h.main->close();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartToPaintedMainWindow)->Unit(benchmark::kMillisecond);

QX_QT_BENCHMARK_MAIN(QApplication)
