#include "GraphFileOpen.h"

#include "FileTexts.h"
#include "graph/ChartFile.h"

#include <QFileInfo>

namespace qx {

bool openGraphFile(const QString &path, ChartModel &chart, QString *error)
{
    // A pipe or a device has no length to check the length field against.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        if (error)
            *error = filesText::notARegularFile(path);
        return false;
    }
    return loadChartFile(chart, path, error);
}

} // namespace qx
