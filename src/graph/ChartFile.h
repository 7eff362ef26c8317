#pragma once
// A chart stored as a file (graph files, the chart template): the length of the state
// block as 4 bytes little-endian, then the block.
#include "ChartModel.h"

namespace qx {

inline constexpr qint64 kMaxChartFileBlock = 512ll * 1024 * 1024;

// Written through a temporary file, so a failed store leaves an existing file intact.
bool storeChartFile(const ChartModel &chart, const QString &path, QString *error);
// Refuses a length that the file cannot hold or a block the chart refuses; the chart is
// then unchanged.
bool loadChartFile(ChartModel &chart, const QString &path, QString *error);

} // namespace qx
