// The front panel's update for one frame, and its share of a poll tick.
#include "panel/TfrmPanel.h"
#include "support/MainHarness.h"

#include <QApplication>
#include "QtBenchmarkMain.h"

#include <benchmark/benchmark.h>

using namespace qx;

namespace {

struct Rig {
    test::MainHarness h;
    TfrmPanel *panel = nullptr;
    Rig()
    {
        h.sim.setAutoReadings(false);
        h.showAndConnect();
        h.advance(kPollIntervalConnectedMs);
        panel = qobject_cast<TfrmPanel *>(h.main->panel());
    }
};

} // namespace

static void BM_UpdatePanelNoDigitChange(benchmark::State &state)
{
    Rig rig;
    for (auto _ : state)
        rig.panel->updatePanel();
    state.counters["redrawn"] = rig.panel->lastRedrawCount();
}
BENCHMARK(BM_UpdatePanelNoDigitChange);

// Every large digit changes: the readings alternate between two values with no digit in common.
static void BM_UpdatePanelAllDigitsChange(benchmark::State &state)
{
    Rig rig;
    MeterSession &session = rig.h.main->session();
    int i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const double v = (i++ % 2) ? 123.4 : 567.8;
        for (int ch = 0; ch < 4; ++ch)
            rig.h.sim.setReading(ch, v);
        session.link().readLiveStatus();
        const_cast<LiveState &>(session.liveState()) = decodeLiveFrame(session.link().reply().data());
        state.ResumeTiming();
        rig.panel->updatePanel();
        QApplication::processEvents(); // the repaint of what changed
    }
    state.counters["redrawn"] = rig.panel->lastRedrawCount();
}
BENCHMARK(BM_UpdatePanelAllDigitsChange);

// A whole connected tick with the panel open (exchange, decode, panel, repaint).
static void BM_PollTickWithPanel(benchmark::State &state)
{
    Rig rig;
    MeterSession &session = rig.h.main->session();
    for (auto _ : state) {
        session.tick();
        QApplication::processEvents();
        rig.h.clock.sleepBlocking(200);
    }
}
BENCHMARK(BM_PollTickWithPanel);

// The same tick with the panel closed: the difference is the panel's share.
static void BM_PollTickWithoutPanel(benchmark::State &state)
{
    Rig rig;
    rig.h.main->panel()->parentWidget()->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    MeterSession &session = rig.h.main->session();
    for (auto _ : state) {
        session.tick();
        QApplication::processEvents();
        rig.h.clock.sleepBlocking(200);
    }
}
BENCHMARK(BM_PollTickWithoutPanel);

QX_QT_BENCHMARK_MAIN(QApplication)
