#include "DataSetGrid.h"

#include "meter/DayCount.h"
#include "meter/Formats.h"

#include <QLocale>

namespace qx {

namespace {
constexpr int kOffsetDecimals = 1;
} // namespace

QString unitLetter(bool unitFlag) { return unitFlag ? QStringLiteral("F") : QStringLiteral("C"); }

QStringList dataSetRow(const DataSet &set, int n)
{
    const QDateTime start = fromDayCount(set.startTime);
    QStringList row;
    row.reserve(kDataSetGridColumns);
    row << QString::number(n + 1) << dateText(set.startTime) << start.time().toString(QStringLiteral("HH:mm:ss"))
        << set.intervalText() << QString::number(set.recordCount) << unitLetter(set.unitFlag)
        << set.thermocoupleLetter();
    for (int ch = 0; ch < image::kChannels; ++ch)
        row << fixedText(set.offsetDegrees(ch), kOffsetDecimals);
    return row;
}

std::vector<QStringList> dataSetGridRows(const DataSetStore &store)
{
    std::vector<QStringList> rows;
    rows.reserve(std::size_t(store.count()));
    for (int n = 0; n < store.count(); ++n)
        rows.push_back(dataSetRow(*store.dataSet(n), n));
    return rows;
}

DataSetView dataSetView(const DataSetStore &store, int n)
{
    DataSetView v;
    const DataSet *set = store.dataSet(n);
    if (!set)
        return v;
    v.valid = true;
    v.range = store.sampleRange(n);
    v.points = set->recordCount;
    v.start = set->startTime;
    v.end = set->endTime();
    v.startText = dateTimeText(set->startTime);
    v.intervalSeconds = set->intervalSeconds;
    v.dataNo = QString::number(set->recordCount);
    return v;
}

} // namespace qx
