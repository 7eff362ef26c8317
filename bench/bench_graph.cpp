// Drawing a chart of four channels the way the real-time window shows it (the shipped
// template, 1600 × 900): a replot with its paint at 1 000, 100 000 and 1 000 000 points,
// split and on one axis, zoomed in and scrolled; and, in the real-time window, storing and
// loading the state of 100 000 points and their statistics.
#include "graph/ChartControl.h"
#include "graph/ChartSetup.h"
#include "graph/SeriesEnvelope.h"
#include "graph/TfrmGraph.h"
#include "support/MainHarness.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include "QtBenchmarkMain.h"

#include <benchmark/benchmark.h>
#include <qcustomplot.h>

#include <cmath>

using namespace qx;

namespace {

constexpr int kPoints = 100'000;
constexpr double kStart = 46000.0;

// A slow swing per channel with a jitter of a few tenths, one sample every two seconds.
void fill(ChartModel &m, int points, double start)
{
    m.setPointCount(points);
    for (int p = 0; p < points; ++p)
        for (int s = 0; s < 4; ++s) {
            m.setX(s, p, start + p * 2 / 86400.0);
            m.setY(s, p, float(20 + 10 * s + 8 * std::sin(p / (500.0 + 100 * s)) + (p * 7919 % 13) / 10.0));
        }
    // The X axis spans the recording, as the real-time window's axis extension keeps it.
    m.setMaxX(m.getX(0, points - 1) + 10 / 86400.0);
}

// The chart alone at the size the figures were taken at.
struct Chart {
    ChartControl chart;
    Chart(int points, bool split)
    {
        chart.resize(1600, 900);
        chart.show();
        QApplication::processEvents();
        ChartModel &m = chart.model();
        m = defaultChartTemplate();
        m.setScaleModeX(kScaleManual);
        m.setMinX(kStart);
        fill(m, points, kStart);
        setChartSplit(m, split);
        chart.reinitialize();
        QApplication::processEvents();
    }
};

struct Rig {
    test::MainHarness h;
    TfrmGraph *graph = nullptr;
    Rig()
    {
        h.main->show();
        QApplication::processEvents();
        graph = qobject_cast<TfrmGraph *>(h.main->realTimeGraph());
        fill(graph->model(), kPoints, graph->model().getMinX());
        graph->chart()->redraw();
        QApplication::processEvents();
    }
};

void label(benchmark::State &state)
{
    state.SetLabel(state.range(0) ? "split" : "single axis");
}

} // namespace

// Drawing the chart as it stands (nothing changed): redraw() and the paint on screen.
static void BM_Replot(benchmark::State &state)
{
    Chart c(int(state.range(1)), state.range(0) != 0);
    for (auto _ : state) {
        c.chart.redraw();
        QApplication::processEvents();
    }
    label(state);
}
BENCHMARK(BM_Replot)
    ->ArgsProduct({{1, 0}, {1'000, 100'000, 1'000'000}})
    ->ArgNames({"split", "points"})
    ->Unit(benchmark::kMillisecond);

// A tenth of the recording zoomed in, scrolled one step of the scroll bar at a time.
static void BM_ScrollZoomed(benchmark::State &state)
{
    Chart c(int(state.range(0)), true);
    ChartModel &m = c.chart.model();
    c.chart.setZoomMode(3);
    c.chart.setScrollingZoom(true);
    // A drag over a tenth of the width of the top band zooms in.
    QWidget *plot = c.chart.plot();
    const QRect r = c.chart.plotRect().translated(-plot->pos());
    const auto send = [plot](QEvent::Type type, QPoint pos) {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
        QMouseEvent e(type, QPointF(pos), QPointF(plot->mapToGlobal(pos)), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(plot, &e);
    };
    const QPoint from(r.left() + r.width() / 2, r.top() + 5);
    const QPoint to(from.x() + r.width() / 10, from.y() + r.height() / 8);
    send(QEvent::MouseButtonPress, from);
    send(QEvent::MouseMove, to);
    send(QEvent::MouseButtonRelease, to);
    QScrollBar *bar = c.chart.findChild<QScrollBar *>("chartHScroll");
    if (!c.chart.zoomed() || !bar || !bar->isVisible()) {
        state.SkipWithError("not zoomed");
        return;
    }
    QApplication::processEvents();
    int step = 1;
    for (auto _ : state) {
        if (bar->value() + bar->singleStep() > bar->maximum() || bar->value() - bar->singleStep() < bar->minimum())
            step = -step;
        bar->setValue(bar->value() + step * bar->singleStep());
        QApplication::processEvents();
    }
    benchmark::DoNotOptimize(m.pointCount());
}
BENCHMARK(BM_ScrollZoomed)->Arg(100'000)->Arg(1'000'000)->ArgName("points")->Unit(benchmark::kMillisecond);

// The envelope alone: what one series lights over 1 600 columns of a band, built from the
// model's points, without drawing it.
static void BM_EnvelopeOfASeries(benchmark::State &state)
{
    const int points = int(state.range(0));
    ChartModel m;
    m.setSeriesCount(4);
    fill(m, points, kStart);
    SeriesPoints pts;
    pts.x = m.xData();
    pts.y = m.yData();
    pts.stride = 4;
    SeriesEnvelope envelope;
    envelope.update(pts, points, 0);
    const AxisPixels key{m.getX(0, 0), m.getMaxX(), 60, 1600, false};
    const AxisPixels value{-10, 50, 200, 200, true};
    CurvePicture picture;
    for (auto _ : state) {
        picture.clear();
        envelope.drawExact(pts, key, value, QRect(60, 0, 1600, 201), picture);
        benchmark::DoNotOptimize(picture.spans.data());
    }
    state.counters["spans"] = double(picture.spans.size());
}
BENCHMARK(BM_EnvelopeOfASeries)->Arg(100'000)->Arg(1'000'000)->ArgName("points")->Unit(benchmark::kMicrosecond);

// redraw() after one sample changed at the end, as a recording does for every sample.
static void BM_RedrawAfterLastPoint(benchmark::State &state)
{
    Chart c(kPoints, state.range(0) != 0);
    ChartModel &m = c.chart.model();
    int i = 0;
    for (auto _ : state) {
        for (int s = 0; s < 4; ++s)
            m.setY(s, kPoints - 1, float(30 + (i++ % 10)));
        c.chart.redraw();
        QApplication::processEvents();
    }
    label(state);
}
BENCHMARK(BM_RedrawAfterLastPoint)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// redraw() after the first point changed: every series is rebuilt from the model.
static void BM_RedrawAllData(benchmark::State &state)
{
    Chart c(kPoints, state.range(0) != 0);
    ChartModel &m = c.chart.model();
    int i = 0;
    for (auto _ : state) {
        m.setY(0, 0, float(20 + (i++ % 10)));
        c.chart.redraw();
        QApplication::processEvents();
    }
    label(state);
}
BENCHMARK(BM_RedrawAllData)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

static void BM_StoreState(benchmark::State &state)
{
    Rig rig;
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
    Rig rig;
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
    Rig rig;
    for (auto _ : state)
        rig.graph->showStatistics();
}
BENCHMARK(BM_ShowStatistics)->Unit(benchmark::kMillisecond);

QX_QT_BENCHMARK_MAIN(QApplication)
