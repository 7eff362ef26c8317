// The single-recording files: a million-line comma file opened into a table window, a
// 100 000-point graph saved as a tab file, and a 10 000-row table printed to PDF.
#include "files/TablePrinter.h"
#include "files/TextSave.h"
#include "files/TextTableReader.h"
#include "graph/ChartModel.h"
#include "logger/TfrmList.h"
#include "meter/DayCount.h"

#include <QApplication>
#include <QFile>
#include <QLocale>
#include <QPrinter>
#include <QTemporaryDir>
#include <cmath>
#include <malloc.h>
#include "QtBenchmarkMain.h"

#include <benchmark/benchmark.h>

using namespace qx;

namespace {

// Resident and peak resident memory of the process, from /proc/self/status.
double statusMiB(const char *field)
{
    QFile f("/proc/self/status");
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qsizetype(qstrlen(field))).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

// The peak starts again from what is resident now.
void resetPeak()
{
    QFile f("/proc/self/clear_refs");
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

QTemporaryDir &folder()
{
    static QTemporaryDir dir;
    return dir;
}

// A million lines as the table save writes them under a comma decimal separator.
QString millionLineCsv()
{
    static const QString path = [] {
        const QString p = folder().filePath("million.csv");
        QFile f(p);
        f.open(QIODevice::WriteOnly);
        QByteArray chunk;
        for (int r = 0; r < 1'000'000; ++r) {
            chunk += "14/03/2026,09:";
            chunk += QByteArray::number(10 + r / 60 % 50) + ':' + QByteArray::number(10 + r % 50);
            chunk += ",\"21,5\",OL,\"-3,2\",\"100,0\",\r\n";
            if (chunk.size() > (1 << 20)) {
                f.write(chunk);
                chunk.clear();
            }
        }
        f.write(chunk);
        return p;
    }();
    return path;
}

ChartModel graphOf(int points)
{
    ChartModel m;
    m.setSeriesCount(4);
    m.setPointCount(points);
    const double start = toDayCount(QDateTime(QDate(2026, 3, 14), QTime(9, 30, 0)));
    for (int p = 0; p < points; ++p)
        for (int s = 0; s < 4; ++s) {
            m.setX(s, p, start + p * 2 / 86400.0);
            m.setY(s, p, float(20 + 5 * std::sin(p / 3000.0 + s)));
        }
    return m;
}

} // namespace

// Opening as the window does: a table window, its model filled in steps of 20 ms with
// its views told once at the end. Memory: what the filled window holds, and the peak
// while filling, over what was resident before.
static void BM_OpenMillionLineCsv(benchmark::State &state)
{
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    const QString path = millionLineCsv();
    double heldMiB = 0, peakMiB = 0, processPeakMiB = 0;
    int rows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto *list = new TfrmList;
        list->resize(520, 400);
        list->show();
        QApplication::processEvents();
        malloc_trim(0); // what the last round freed is not counted again
        const double before = statusMiB("VmRSS:");
        resetPeak();
        state.ResumeTiming();

        TextTableOpen open(path);
        open.open();
        open.begin(list->model());
        open.run({[](int, int) { QApplication::processEvents(); return true; }});
        QApplication::processEvents();

        state.PauseTiming();
        rows = list->model().rowCount();
        heldMiB = statusMiB("VmRSS:") - before;
        processPeakMiB = statusMiB("VmHWM:");
        peakMiB = processPeakMiB - before;
        delete list;
        state.ResumeTiming();
    }
    state.counters["rows"] = rows;
    state.counters["held_MiB"] = heldMiB;
    state.counters["peak_MiB"] = peakMiB;
    state.counters["process_peak_MiB"] = processPeakMiB; // the window, Qt and the table
}
BENCHMARK(BM_OpenMillionLineCsv)->Unit(benchmark::kMillisecond)->Iterations(3);

static void BM_SaveGraphText100k(benchmark::State &state)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const ChartModel chart = graphOf(100'000);
    const QString path = folder().filePath("graph.txt");
    for (auto _ : state) {
        const TextSaveResult r = writeGraphText(chart, path, '\t', {1, chart.pointCount()});
        benchmark::DoNotOptimize(r.lines);
    }
}
BENCHMARK(BM_SaveGraphText100k)->Unit(benchmark::kMillisecond);

static void BM_PrintTable10kToPdf(benchmark::State &state)
{
    TableModel table;
    for (int r = 0; r < 10'000; ++r)
        table.appendRow({QString::number(r + 1), "14/03/2026", "09:30:00", "21,5", "OL", "-3,2", "100,0"});
    const QString path = folder().filePath("table.pdf");
    for (auto _ : state) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        benchmark::DoNotOptimize(printTable(table, printer));
    }
}
BENCHMARK(BM_PrintTable10kToPdf)->Unit(benchmark::kMillisecond);

QX_QT_BENCHMARK_MAIN(QApplication)
