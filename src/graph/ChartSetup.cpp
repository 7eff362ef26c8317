#include "ChartSetup.h"

#include "ChartFile.h"

#include <QDir>
#include <QFileInfo>

namespace qx {

QString chartTemplatePath(const QString &programFolder)
{
    return QDir(programFolder).filePath(QStringLiteral("template/graph.ghf"));
}

QString missingTemplateMessage(const QString &templatePath)
{
    return "Can not fine the file " + QDir::toNativeSeparators(templatePath)
           + " to initialize the graph ,it will use default setting. You can click Graph Option button , then make "
             "some change and save.";
}

void applyChartDefaults(ChartModel &chart, int seriesCount, double maxY, double minY)
{
    chart.setShowVertLines(true);
    chart.setVertLineHotSpots(true);
    chart.setLineAnnotationTextSize(80);
    chart.setVertLineColor(0, 0xFF0000);
    chart.setVertLineColor(1, 0x0000FF);
    chart.setLineAnnotationTextSize(100);
    chart.setShowAnnotations(true);
    chart.setAnnotationTextSize(100);
    chart.setGridStyle(2);
    chart.setMainTitle(QString());
    chart.setSubTitle(QStringLiteral(" "));
    static const char *const labels[] = {"T1", "T2", "T3", "T4"};
    static const int colors[] = {0xFF0000, 0xFFFF00, 0x00FF00, 0xFF00FF};
    for (int s = 0; s < 4; ++s) {
        chart.setSeriesLabel(s, labels[s]);
        chart.setSeriesColor(s, colors[s]);
    }
    chart.setDateTimeMode(1);
    chart.setDoubleX(true);
    chart.setXAxisLabel(QStringLiteral("Temps"));
    chart.options().zoomMode = 3;
    chart.options().scrollingZoom = true;
    chart.setColors(0x008000, 0x000000, 0xC0C0C0, 0x000000);
    chart.options().allowAxisPage = false;
    chart.setCursorShape(kCursorArrow);
    chart.setAxisSeparators(1);
    setChartSplit(chart, true);
    for (int i = 0; i < seriesCount && i < kMaxBands; ++i) {
        chart.setWorkingAxis(i);
        chart.setYAxisLabel(QString());
        chart.setScaleModeY(kScaleManual);
        chart.setMinY(minY);
        chart.setMaxY(maxY);
    }
}

ChartModel defaultChartTemplate()
{
    ChartModel chart;
    ChartOptions &o = chart.options();
    o.prepareImages = true;
    o.noHelp = true;
    o.allowPopup = false;
    chart.setSeriesCount(4);
    applyChartDefaults(chart, 4, 50, -10);
    chart.setWorkingAxis(0);
    chart.setAnnotationHotSpots(true);
    return chart;
}

void resetChartPoints(ChartModel &chart)
{
    for (int s = 0; s < chart.seriesCount(); ++s) {
        chart.setX(s, -1, 0.0);
        chart.setY(s, -1, chart.nullY());
    }
}

ChartPreparation prepareChart(ChartModel &chart, const QString &templatePath, int seriesCount, double maxY,
                              double minY, double maxX, double minX, int pointCount,
                              const std::function<void()> &reportMissing)
{
    ChartPreparation result;
    if (QFileInfo::exists(templatePath)) {
        if (!loadChartFile(chart, templatePath, &result.error)) {
            result.templateFailed = true;
            return result;
        }
        result.templateFound = true;
    }
    ChartOptions &o = chart.options();
    o.prepareImages = true;
    chart.setNullY(kDefaultNullY);
    chart.setSeriesByPoint(false);
    chart.setSeriesCount(seriesCount);
    chart.setPointCount(pointCount);
    o.noHelp = true;
    o.allowPopup = false;
    resetChartPoints(chart);
    if (minX != 0) {
        chart.setScaleModeX(kScaleManual);
        chart.setMinX(minX);
        chart.setMaxX(maxX);
    }
    chart.setDataLabels(0);
    if (!result.templateFound) {
        if (reportMissing)
            reportMissing();
        applyChartDefaults(chart, seriesCount, maxY, minY);
    }
    chart.setWorkingAxis(0);
    chart.setAnnotationHotSpots(true);
    return result;
}

bool chartIsSplit(const ChartModel &chart) { return chart.getAxisProportion(0) != 1.0; }

void setChartSplit(ChartModel &chart, bool split)
{
    if (split) {
        for (int i = 0; i < 4; ++i) {
            chart.setAxisSeries(i, 1);
            chart.setAxisProportion(i, 0.25);
        }
    } else {
        chart.setAxisSeries(-1, 0);
        chart.setAxisProportion(0, 1.0);
    }
}

} // namespace qx
