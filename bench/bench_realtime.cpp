// One sample into a long real-time recording, with the redraw each sample brings, and the
// memory a full recording takes.
#include "graph/ChartControl.h"
#include "graph/ChartSetup.h"
#include "graph/RealTimeRecording.h"

#include <QApplication>
#include <QFile>
#include "QtBenchmarkMain.h"

#include <benchmark/benchmark.h>
#include <cmath>

using namespace qx;

namespace {

constexpr int kFull = 99'999;
constexpr double kStart = 46000.0;

long residentKiB()
{
    QFile f("/proc/self/statm");
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * 4 : 0;
}

LiveSample sampleAt(int i)
{
    LiveSample s;
    s.time = kStart + i * 2 * kSecondDays;
    for (int c = 0; c < 4; ++c)
        // A slow drift with the meter's tenth-of-a-degree jitter, as a long recording has.
        s.temperature[std::size_t(c)] = float(20 + 5 * std::sin(i / 3000.0 + c) + 0.1 * ((i * 7919 + c) % 3));
    return s;
}

struct Recording {
    ChartControl chart;
    RealTimeRecording rec;
    explicit Recording(int planned, int filled)
    {
        chart.resize(1200, 800);
        chart.show(); // a hidden chart would not lay out its plot
        QApplication::processEvents();
        // The real-time window as shipped: the default template, X on a manual scale.
        chart.model() = defaultChartTemplate();
        chart.model().setScaleModeX(kScaleManual);
        chart.reinitialize();
        rec.start(chart.model(), planned, kStart);
        for (int i = 0; i < filled; ++i)
            rec.append(chart.model(), sampleAt(i));
        chart.redraw();
    }
};

} // namespace

// Runs first, while the heap is fresh: the resident memory a full recording adds.
static void BM_MemoryOfFullRecording(benchmark::State &state)
{
    for (auto _ : state) {
        const long before = residentKiB();
        Recording r(kFull, kFull);
        state.counters["MiB"] = double(residentKiB() - before) / 1024.0;
    }
}
BENCHMARK(BM_MemoryOfFullRecording)->Iterations(1)->Unit(benchmark::kMillisecond);

// A recording planned a little longer than 99 999 samples and already holding 99 999: each
// iteration appends one more sample and redraws, as the poll tick does.
static void BM_AppendSampleToFullRecording(benchmark::State &state)
{
    Recording r(kFull + 2000, kFull);
    int i = kFull;
    for (auto _ : state) {
        r.rec.append(r.chart.model(), sampleAt(i++));
        r.chart.redrawData();
    }
}
BENCHMARK(BM_AppendSampleToFullRecording)->Iterations(1000)->Unit(benchmark::kMillisecond);

// The same while the X axis stays (an extension step of a day): the curves' layer alone.
static void BM_AppendSampleWithinTheAxis(benchmark::State &state)
{
    Recording r(kFull + 2000, kFull);
    r.rec.setAxisExtensionStep(1.0);
    int i = kFull;
    r.rec.append(r.chart.model(), sampleAt(i++));
    r.chart.redraw();
    for (auto _ : state) {
        r.rec.append(r.chart.model(), sampleAt(i++));
        r.chart.redrawData();
    }
}
BENCHMARK(BM_AppendSampleWithinTheAxis)->Iterations(1000)->Unit(benchmark::kMillisecond);

// A recording of the default 2000 samples, half way.
static void BM_AppendSampleToDefaultRecording(benchmark::State &state)
{
    Recording r(kDefaultSampleCount, 1000);
    int i = 1000;
    for (auto _ : state) {
        r.rec.append(r.chart.model(), sampleAt(i++));
        r.chart.redrawData();
    }
}
BENCHMARK(BM_AppendSampleToDefaultRecording)->Iterations(900)->Unit(benchmark::kMillisecond);

// The same with 100 samples recorded: what a redraw costs whatever the data.
static void BM_AppendSampleToShortRecording(benchmark::State &state)
{
    Recording r(kFull, 100);
    int i = 100;
    for (auto _ : state) {
        r.rec.append(r.chart.model(), sampleAt(i++));
        r.chart.redrawData();
    }
}
BENCHMARK(BM_AppendSampleToShortRecording)->Iterations(1000)->Unit(benchmark::kMillisecond);

QX_QT_BENCHMARK_MAIN(QApplication)
