#pragma once
// Writing a chart's points or a table's rows as a tab or comma file. All or nothing: the
// lines go to a temporary file that replaces the named one only once complete, so a
// cancelled or failed save leaves an existing file as it was and no partial file.
#include "Progress.h"
#include "SaveRange.h"

#include <QString>

namespace qx {

class ChartModel;
class TableModel;

struct TextSaveResult {
    enum Status { Saved, Cancelled, Failed };
    Status status = Saved;
    int lines = 0;  // lines in the file when saved
    QString error;  // Failed: the message naming the file and the reason
};

// Points range.from to range.to of the chart (from 1), up to the first whose X is 0: the
// points of a prepared chart that hold no sample yet. Progress counts lines of
// range.count().
TextSaveResult writeGraphText(const ChartModel &chart, const QString &path, QChar separator, const LineRange &range,
                              const Progress &progress = {});

// Rows range.from to range.to of the table (from 1, the grid's rows below the heading).
TextSaveResult writeTableText(const TableModel &table, const QString &path, QChar separator, const LineRange &range,
                              const Progress &progress = {});

} // namespace qx
