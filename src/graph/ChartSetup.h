#pragma once
// Preparing a chart for a graph window: from the chart template when there is one, with
// the program's own defaults when there is not.
#include "ChartModel.h"

#include <functional>

namespace qx {

// "template/graph.ghf" in the program's folder.
QString chartTemplatePath(const QString &programFolder);
QString missingTemplateMessage(const QString &templatePath);

// The settings a chart gets when no template exists.
void applyChartDefaults(ChartModel &chart, int seriesCount, double maxY, double minY);

// The template shipped with the program: the chart the real-time window gets without a
// template (four bands, -10 to 50), so a first start looks the same and asks nothing.
ChartModel defaultChartTemplate();

struct ChartPreparation {
    bool templateFound = false;  // the template existed and was loaded
    bool templateFailed = false; // it existed but could not be read: nothing was prepared
    QString error;               // why it could not be read
};

// Prepares a chart the way every graph window does: loads the template (if any), sizes the
// chart, resets every point to X 0 and the null value, fixes the X scale when minX is not
// 0, and without a template calls `reportMissing` and applies the defaults. A template that
// cannot be read leaves the chart untouched.
ChartPreparation prepareChart(ChartModel &chart, const QString &templatePath, int seriesCount, double maxY,
                              double minY, double maxX, double minX, int pointCount,
                              const std::function<void()> &reportMissing = {});

// Every point of every series back to X 0 and the null Y.
void resetChartPoints(ChartModel &chart);

// The split state a prepared chart shows: split unless band 0 takes the whole height.
bool chartIsSplit(const ChartModel &chart);
// Four bands of one series each (split) or every series on one axis.
void setChartSplit(ChartModel &chart, bool split);

} // namespace qx
