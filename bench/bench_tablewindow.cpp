// The table window with a million rows: filling its model, and showing and scrolling the
// grid, which must only look at the rows on screen.
#include "logger/TfrmList.h"

#include <QApplication>
#include <QScrollBar>
#include <QTableView>
#include "QtBenchmarkMain.h"

#include <benchmark/benchmark.h>

using namespace qx;

namespace {

constexpr int kRows = 1000000;

QStringList rowCells(int r)
{
    return {QString::number(r + 1), QStringLiteral("14/03/2026"), QStringLiteral("09:30:00"), QStringLiteral("21,5"),
            QStringLiteral("OL"), QStringLiteral("-3,2"), QStringLiteral("100,0")};
}

void fill(TableModel &model)
{
    model.suspendUpdates();
    for (int r = 0; r < kRows; ++r)
        model.appendRow(rowCells(r));
    model.resumeUpdates();
}

} // namespace

// Rows added as the text open adds them, with the grid's drawing suspended.
static void BM_FillMillionRows(benchmark::State &state)
{
    for (auto _ : state) {
        TfrmList list;
        fill(list.model());
        benchmark::DoNotOptimize(list.model().rowCount());
    }
}
BENCHMARK(BM_FillMillionRows)->Unit(benchmark::kMillisecond)->Iterations(3);

// Showing the filled window, then jumping to the end and back.
static void BM_ShowAndScrollMillionRows(benchmark::State &state)
{
    TfrmList list;
    fill(list.model());
    list.resize(520, 400);
    for (auto _ : state) {
        list.show();
        QApplication::processEvents();
        QScrollBar *bar = list.grid()->verticalScrollBar();
        bar->setValue(bar->maximum());
        list.grid()->viewport()->repaint();
        bar->setValue(0);
        list.grid()->viewport()->repaint();
        list.hide();
    }
}
BENCHMARK(BM_ShowAndScrollMillionRows)->Unit(benchmark::kMillisecond);

QX_QT_BENCHMARK_MAIN(QApplication)
