// One sample into a real-time recording with the redraw and the paint on screen each
// sample brings, at 1 000, 100 000 and 1 000 000 samples recorded and with many more
// planned; and the memory a full recording takes.
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
    int next = 0;
    Recording(int planned, int filled, QSize size = {1600, 900})
    {
        chart.resize(size);
        chart.show(); // a hidden chart would not lay out its plot
        QApplication::processEvents();
        // The real-time window as shipped: the default template, X on a manual scale.
        chart.model() = defaultChartTemplate();
        chart.model().setScaleModeX(kScaleManual);
        chart.reinitialize();
        rec.start(chart.model(), planned, kStart);
        for (; next < filled; ++next)
            rec.append(chart.model(), sampleAt(next));
        chart.redraw();
        QApplication::processEvents();
    }
    // What the poll tick does with a sample, and the paint that follows on screen.
    void appendOne()
    {
        rec.append(chart.model(), sampleAt(next++));
        chart.redrawData();
        QApplication::processEvents();
    }
};

} // namespace

// The resident memory of a chart at 1600 × 900 showing a full recording, counted from
// before the chart was made, after a small first chart has set up what every window
// shares (fonts, caches): "MiB" in all, "chart MiB" the shown chart still empty (its
// picture on screen), "recording MiB" what the recording adds to it (the points, their
// envelope).
static void BM_MemoryOfFullRecording(benchmark::State &state)
{
    {
        Recording warmUp(10, 10, {200, 150});
    }
    for (auto _ : state) {
        const long before = residentKiB();
        Recording r(0, 0);
        const long empty = residentKiB();
        r.rec.start(r.chart.model(), kFull, kStart);
        for (; r.next < kFull; ++r.next)
            r.rec.append(r.chart.model(), sampleAt(r.next));
        r.chart.redraw();
        QApplication::processEvents();
        const long full = residentKiB();
        state.counters["MiB"] = double(full - before) / 1024.0;
        state.counters["chart MiB"] = double(empty - before) / 1024.0;
        state.counters["recording MiB"] = double(full - empty) / 1024.0;
    }
}
BENCHMARK(BM_MemoryOfFullRecording)->Iterations(1)->Unit(benchmark::kMillisecond);

// Appending to a recording of `recorded` samples planned for `planned`, the X axis pushed
// on as shipped (10 s past a sample beyond its end: every fifth sample at 2 s). Means over
// 100 samples.
static void BM_AppendSample(benchmark::State &state)
{
    Recording r(int(state.range(1)), int(state.range(0)));
    for (auto _ : state)
        r.appendOne();
}
BENCHMARK(BM_AppendSample)
    ->Args({1'000, kDefaultSampleCount})
    ->Args({1'000, 100'000})
    ->Args({1'000, 1'000'000})
    ->Args({kFull, kFull + 2'000})
    ->Args({999'999, 1'002'000})
    ->ArgNames({"recorded", "planned"})
    ->Iterations(100)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

// The same while the X axis stays (an extension step of a day): only the new segments.
static void BM_AppendSampleWithinTheAxis(benchmark::State &state)
{
    Recording r(int(state.range(1)), int(state.range(0)));
    r.rec.setAxisExtensionStep(1.0);
    r.appendOne();
    for (auto _ : state)
        r.appendOne();
}
BENCHMARK(BM_AppendSampleWithinTheAxis)
    ->Args({1'000, kDefaultSampleCount})
    ->Args({1'000, 1'000'000})
    ->Args({kFull, kFull + 2'000})
    ->Args({999'999, 1'002'000})
    ->ArgNames({"recorded", "planned"})
    ->Iterations(200)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

QX_QT_BENCHMARK_MAIN(QApplication)
