#pragma once
// What the data set grid of the data logger window shows, as texts: one row per data set
// with its start, interval, size, unit, thermocouple and channel offsets.
#include "MemoryImage.h"

#include <QStringList>
#include <vector>

namespace qx {

inline constexpr int kDataSetGridColumns = 11;

// "F" for a set recorded in °F (the unit flag, whose samples the parse converts from °F),
// "C" for one recorded in °C.
QString unitLetter(bool unitFlag);

// The eleven cells of set n: number from 1, date, time, "mm:ss", records, unit,
// thermocouple, and the four offsets with one decimal in the user's notation.
QStringList dataSetRow(const DataSet &set, int n);

// Every row of the grid below its headings, set after set.
std::vector<QStringList> dataSetGridRows(const DataSetStore &store);

// What the data logger window shows for set n.
struct DataSetView {
    bool valid = false;
    SampleRange range;   // of sampleValues / sampleTimes: 4 entries per point
    int points = 0;      // records
    double start = 0;    // day counts; the X range
    double end = 0;
    QString startText;   // date and time, as the user writes them
    int intervalSeconds = 0;
    QString dataNo;
};
DataSetView dataSetView(const DataSetStore &store, int n);

} // namespace qx
