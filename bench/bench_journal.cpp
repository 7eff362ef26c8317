// The journal of a running recording: one sample appended and flushed, and a poll tick
// that hands a sample to the recording with and without its journal, in one run.
#include "graph/RecordingJournal.h"
#include "meter/MeterSession.h"
#include "sim/SimulatedMeter.h"

#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace qx;

namespace {

// On the disk the build lives on, not in a memory file system.
QString journalFolder()
{
    static QTemporaryDir dir(QDir::currentPath() + "/bench-journal-XXXXXX");
    return dir.path();
}

JournalHeader header()
{
    JournalHeader h;
    h.startTime = 46095.5;
    h.interval = 2;
    h.plannedCount = 99999;
    h.chartState = QByteArray(4096, 'x');
    return h;
}

} // namespace

// Samples two seconds apart: the disk is asked to keep them every few samples.
static void BM_JournalAppend(benchmark::State &state)
{
    RecordingJournal journal;
    if (!journal.begin(journalFolder() + "/append.qxj", header(), 0))
        state.SkipWithError("no journal");
    LiveSample s;
    s.time = 46095.5;
    s.temperature = {21.5f, 22.0f, 180.25f, -18.0f};
    qint64 now = 0;
    for (auto _ : state) {
        now += 2000;
        s.time += 2.0 / 86400;
        benchmark::DoNotOptimize(journal.append(s, now));
    }
    journal.remove();
}
BENCHMARK(BM_JournalAppend);

// A connected poll tick whose frame becomes a sample (RealTimeRate 0: every tick), the
// sample journalled (arg 1) or not (arg 0).
static void BM_PollTickWithSample(benchmark::State &state)
{
    VirtualClock clock;
    SimulatedMeter sim(clock);
    MeterSession session(sim, clock);
    session.tick();
    if (!session.connected())
        state.SkipWithError("not connected");
    session.setRealTimeRate(0);
    session.setSampling(true);
    RecordingJournal journal;
    const bool journalled = state.range(0) != 0;
    if (journalled && !journal.begin(journalFolder() + "/tick.qxj", header(), clock.tickMs()))
        state.SkipWithError("no journal");
    int samples = 0;
    QObject::connect(&session, &MeterSession::liveSample, [&](const LiveSample &s) {
        ++samples;
        if (journalled)
            journal.append(s, clock.tickMs());
    });
    for (auto _ : state) {
        session.tick();
        state.PauseTiming();
        clock.sleepBlocking(1000); // the seconds field moves on: the next frame samples
        sim.clearLog();
        state.ResumeTiming();
    }
    state.counters["samples"] = samples;
    journal.remove();
}
BENCHMARK(BM_PollTickWithSample)->Arg(0)->Arg(1);

BENCHMARK_MAIN();
