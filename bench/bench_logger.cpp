// The data logger's hot paths: parsing a full memory image, and a full download from the
// simulated meter without latency and with 1 ms per report (the link's share).
#include "logger/Download.h"
#include "logger/MemoryImage.h"
#include "meter/MeterSession.h"
#include "sim/SimulatedMeter.h"

#include <QCoreApplication>
#include "QtBenchmarkMain.h"

#include <benchmark/benchmark.h>
#include <chrono>

using namespace qx;

namespace {

// A memory filled to its end: `sets` recordings sharing the room, about 16 000 records.
std::vector<std::uint8_t> fullMemory(int sets)
{
    const int room = sim::layout::kLoggerEnd - sim::layout::kFirstSet;
    const int perSet = (room / sets - 20) / 8;
    std::vector<sim::DataSet> all;
    for (int s = 0; s < sets; ++s) {
        sim::DataSet set;
        set.header = {QDateTime(QDate(2025, 1, 1), QTime(0, 0)).addSecs(s * 3600), 2, s % 4, s % 2 == 1, {1, -2, 3, -4}};
        for (int r = 0; r < perSet; ++r)
            set.records.push_back({std::int16_t(200 + r % 50), std::int16_t(-100 + r % 7), std::int16_t(r % 1000),
                                   std::int16_t(-r % 300)});
        all.push_back(std::move(set));
    }
    return SimulatedMeter::buildMemoryImage(all);
}

// The same memory with its fill pointer on the last byte: the download reads all 128 KiB.
std::vector<std::uint8_t> fullDownload()
{
    auto bytes = fullMemory(3);
    const int last = image::kMemorySize - 1;
    bytes[image::kFillPointer] = std::uint8_t(last >> 16);
    bytes[image::kFillPointer + 1] = std::uint8_t(last >> 8);
    bytes[image::kFillPointer + 2] = std::uint8_t(last);
    return bytes;
}

int transfers(const SimulatedMeter &sim)
{
    int n = 0;
    for (const auto &e : sim.log())
        if (e.call == SimulatedMeter::Call::WriteCommand || e.call == SimulatedMeter::Call::WriteData ||
            e.call == SimulatedMeter::Call::ReadReply)
            ++n;
    return n;
}

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

// Parse into the store as a load does, replacing the previous sets.
static void BM_ParseFullImage(benchmark::State &state)
{
    const auto bytes = fullMemory(int(state.range(0)));
    const MemoryImage image(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
    const QDateTime now(QDate(2026, 3, 14), QTime(9, 30));
    DataSetStore store;
    for (auto _ : state) {
        if (store.parse(image, now) != kParseOk)
            state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(store.sampleValues().data());
    }
    state.counters["records"] = double(store.sampleValues().size() / 4);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * image.size());
}
BENCHMARK(BM_ParseFullImage)->Arg(1)->Arg(100)->Unit(benchmark::kMicrosecond);

// A whole 128 KiB download on virtual time: the wall time is the program's own work;
// the pauses and the link's latency pass in virtual time. With latency, `overhead` is
// (virtual + real time) / (reports × latency) − 1: what the program adds to the link.
static void BM_DownloadVirtual(benchmark::State &state)
{
    const int latency = int(state.range(0));
    VirtualClock clock;
    SimulatedMeter sim(clock);
    sim.setMemoryImage(fullDownload());
    sim.setLatencyPerReport(latency);
    MeterSession session(sim, clock);
    MemoryImage image;
    double virtualMs = 0, realSeconds = 0, reports = 0;
    for (auto _ : state) {
        sim.clearLog();
        const qint64 before = clock.tickMs();
        const auto start = std::chrono::steady_clock::now();
        if (downloadMemory(session, image) != kDownloadOk || image.size() != image::kMemorySize)
            state.SkipWithError("download failed");
        realSeconds += secondsSince(start);
        virtualMs += double(clock.tickMs() - before);
        state.PauseTiming();
        reports += transfers(sim);
        state.ResumeTiming();
    }
    const double n = double(state.iterations());
    state.counters["reports"] = reports / n;
    state.counters["virtual_ms"] = virtualMs / n;
    if (latency > 0)
        state.counters["overhead_pct"] =
            100.0 * ((virtualMs + realSeconds * 1000.0) / (reports * latency) - 1.0);
}
BENCHMARK(BM_DownloadVirtual)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The same on the system clock: the link really takes its 1 ms per report (a sleep, whose
// own overshoot counts here), and the opening's 100 ms pause is real.
static void BM_DownloadRealTime(benchmark::State &state)
{
    const int latency = int(state.range(0));
    SystemClock clock;
    SimulatedMeter sim(clock);
    sim.setMemoryImage(fullDownload());
    sim.setLatencyPerReport(latency);
    MeterSession session(sim, clock);
    MemoryImage image;
    double realSeconds = 0, reports = 0;
    for (auto _ : state) {
        sim.clearLog();
        const auto start = std::chrono::steady_clock::now();
        if (downloadMemory(session, image) != kDownloadOk || image.size() != image::kMemorySize)
            state.SkipWithError("download failed");
        realSeconds += secondsSince(start);
        state.PauseTiming();
        reports += transfers(sim);
        state.ResumeTiming();
    }
    state.counters["reports"] = reports / double(state.iterations());
    if (latency > 0)
        state.counters["overhead_pct"] = 100.0 * (realSeconds * 1000.0 / (reports * latency) - 1.0);
}
BENCHMARK(BM_DownloadRealTime)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DownloadRealTime)->Arg(1)->Iterations(2)->Unit(benchmark::kMillisecond);

// As in the program: the per-block event processing has an event loop to serve.
QX_QT_BENCHMARK_MAIN(QCoreApplication)
