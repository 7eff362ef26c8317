// Live frame decoding and one poll tick on the simulated meter.
#include "meter/MeterSession.h"
#include "sim/SimulatedMeter.h"

#include <benchmark/benchmark.h>

using namespace qx;

static void BM_DecodeLiveFrame(benchmark::State &state)
{
    VirtualClock clock;
    SimulatedMeter sim(clock);
    MeterSession session(sim, clock);
    session.link().readLiveStatus();
    const auto frame = session.link().reply();
    for (auto _ : state) {
        LiveState s = decodeLiveFrame(frame.data());
        benchmark::DoNotOptimize(s);
    }
}
BENCHMARK(BM_DecodeLiveFrame);

// A connected tick: 'A' out, 64 bytes in, marks, decode, flash timers, hand-off check.
static void BM_PollTickConnected(benchmark::State &state)
{
    VirtualClock clock;
    SimulatedMeter sim(clock);
    MeterSession session(sim, clock);
    session.tick();
    if (!session.connected())
        state.SkipWithError("not connected");
    for (auto _ : state) {
        session.tick();
        clock.sleepBlocking(200);
        state.PauseTiming();
        sim.clearLog();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PollTickConnected);

BENCHMARK_MAIN();
