// The chart's state block as read from a graph file or the template. The input is tried
// twice: as a whole block, and as a payload behind a valid header, so the fuzzer reaches
// the reader past the checksum. A refused block must leave the chart exactly as it was;
// an accepted one must store and load again to the same bytes.
#include "graph/ChartModel.h"

#include <cstdint>
#include <cstdlib>

namespace {

const qx::ChartModel &reference()
{
    static const qx::ChartModel chart = [] {
        qx::ChartModel m;
        m.setSeriesCount(4);
        m.setPointCount(3);
        m.setY(2, 1, 42.0f);
        m.setMainTitle(QStringLiteral("kept"));
        m.setAnnotationText(4, QStringLiteral("note"));
        return m;
    }();
    return chart;
}

void check(const QByteArray &block)
{
    static const QByteArray before = reference().storeState();
    qx::ChartModel chart = reference();
    QString error;
    if (!chart.loadState(block, &error)) {
        if (error.isEmpty() || chart.storeState() != before)
            std::abort(); // refused without a reason, or half-applied
        return;
    }
    const QByteArray stored = chart.storeState();
    qx::ChartModel again;
    if (!again.loadState(stored, &error) || again.storeState() != stored)
        std::abort(); // what it stores it cannot read back
    // Everything a view asks of a loaded chart.
    double lo = 0, hi = 0;
    chart.dataRangeX(lo, hi);
    for (int b = 0; b < chart.bandCount(); ++b)
        chart.dataRangeY(b, lo, hi);
    for (int s = 0; s < chart.seriesCount(); ++s)
        (void)chart.bandOfSeries(s);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    check(input);
    check(qx::ChartModel::sealState(input));
    if (size > qx::ChartModel::kStateHeaderSize)
        check(qx::ChartModel::sealState(input.mid(qx::ChartModel::kStateHeaderSize)));
    return 0;
}
