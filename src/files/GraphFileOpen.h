#pragma once
// Opening a graph file (".ghf"): the file is read and its chart state checked before any
// window exists, so a file that cannot be used creates no window.
#include <QString>

namespace qx {

class ChartModel;

// Loads the graph file at `path` into `chart`. Refuses, with the message in `error` and
// `chart` unchanged: what is not a regular file, a file that cannot be opened, a length
// field larger than what the file holds (before anything is allocated for it), and a
// state block the chart does not accept.
bool openGraphFile(const QString &path, ChartModel &chart, QString *error);

} // namespace qx
