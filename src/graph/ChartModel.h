#pragma once
// Everything a chart holds, without drawing it: the series and their points, the scales
// and Y bands, colours and titles, annotations and options. Graph windows and the
// recording work on this model; ChartControl draws it. Its state block is the payload of
// a graph file and of the chart template.
#include <QByteArray>
#include <QString>
#include <algorithm>
#include <array>
#include <vector>

namespace qx {

inline constexpr float kDefaultNullY = 9999.0f;
inline constexpr int kMaxSeries = 16;
inline constexpr int kMaxBands = 16;
inline constexpr int kMaxPoints = 10'000'000;   // per series
inline constexpr int kMaxAnnotations = 100'000; // graph annotation slots
inline constexpr int kMaxVertLines = 64;

enum ScaleMode : int { kScaleAutomatic = 0, kScaleManual = 3 };
enum AnnotationType : int { kAnnotationText = 0, kAnnotationCross = 2 };
enum CursorShape : int { kCursorArrow = 1, kCursorText = 2, kCursorCustom = 3 };

struct Annotation {
    int type = kAnnotationText;
    double x = 0;
    double y = 0;
    QString text;
    int color = 0; // 0x00BBGGRR
};

struct VertLine {
    double x = 0;
    int color = 0;
    QString text;
};

struct ChartColors {
    int fore = 0x008000;
    int back = 0x000000;
    int desk = 0xC0C0C0;
    int text = 0x000000;
};

// One Y band: how many series it holds, its share of the height, its scale.
struct AxisBand {
    int series = 1;
    double proportion = 0.25;
    int scaleMode = kScaleAutomatic;
    double minY = 0;
    double maxY = 100;
    QString label;
};

// Switches that affect the chart's dialogs and mouse behaviour.
struct ChartOptions {
    bool prepareImages = true;
    bool noHelp = false;
    bool allowPopup = true;
    bool allowAxisPage = true;
    bool noRandomPointsToExport = false;
    bool focalRect = true;
    bool allowBar = true;
    bool allowPage1 = true;       // titles
    bool allowPage2 = true;       // colours
    bool allowSubsetsPage = true; // series
    bool allowFontPage = true;
    int zoomMode = 0;             // 3: both directions
    bool scrollingZoom = false;
    bool annotationHotSpots = false;
    bool dataHotSpots = false;
    bool graphHotSpots = false;
    bool vertLineHotSpots = false;
};

class ChartModel {
public:
    ChartModel();

    // --- data ------------------------------------------------------------------------
    void setSeriesCount(int count);
    int seriesCount() const { return m_seriesCount; }
    // Growing adds points at X 0 and the null Y; shrinking keeps the points that remain.
    void setPointCount(int count);
    int pointCount() const { return m_pointCount; }
    // Point -1 means every point of the series. Out-of-range indices are ignored / read 0.
    void setX(int series, int point, double x);
    double getX(int series, int point) const
    {
        return inRange(series, point) ? m_x[index(series, point)] : 0;
    }
    void setY(int series, int point, float y);
    float getY(int series, int point) const
    {
        return inRange(series, point) ? m_y[index(series, point)] : 0;
    }
    // seriesCount × pointCount values; series s of point p at element p × seriesCount + s.
    void setXArray(const double *values, std::size_t count);
    void setYArray(const float *values, std::size_t count);
    // The points as stored, for views that read many at once: series s of point p at
    // element p × seriesCount() + s; valid until the point or series count changes.
    const double *xData() const { return m_x.data(); }
    const float *yData() const { return m_y.data(); }
    void setNullY(float value)
    {
        m_nullY = value;
        m_yBlocks.clear(); // what counts as a value changed
        m_lastValue.clear();
    }
    // The last point of a series that holds a value (−1 when none): the points after it,
    // a recording's planned samples to come, draw nothing.
    int lastValuePoint(int series) const;
    float nullY() const { return m_nullY; }
    // No line is drawn across a gap in X larger than this (days).
    void setLineGapThreshold(double days) { m_lineGapThreshold = days; }
    double lineGapThreshold() const { return m_lineGapThreshold; }
    void setDateTimeMode(int mode) { m_dateTimeMode = mode; }
    int dateTimeMode() const { return m_dateTimeMode; }
    void setDoubleX(bool on) { m_doubleX = on; }
    bool doubleX() const { return m_doubleX; }
    void setSeriesByPoint(bool on) { m_seriesByPoint = on; }
    bool seriesByPoint() const { return m_seriesByPoint; }

    // --- look ------------------------------------------------------------------------
    void setSeriesLabel(int series, const QString &label);
    QString seriesLabel(int series) const;
    void setSeriesColor(int series, int bgr);
    int seriesColor(int series) const;
    void setMainTitle(const QString &t) { m_mainTitle = t; }
    const QString &mainTitle() const { return m_mainTitle; }
    void setSubTitle(const QString &t) { m_subTitle = t; }
    const QString &subTitle() const { return m_subTitle; }
    void setXAxisLabel(const QString &t) { m_xAxisLabel = t; }
    const QString &xAxisLabel() const { return m_xAxisLabel; }
    // The working axis's label.
    void setYAxisLabel(const QString &t);
    QString yAxisLabel() const;
    void setColors(int fore, int back, int desk, int text) { m_colors = {fore, back, desk, text}; }
    const ChartColors &colors() const { return m_colors; }
    void setGridStyle(int style) { m_gridStyle = style; } // 2: dotted
    int gridStyle() const { return m_gridStyle; }
    void setDataLabels(int mode) { m_dataLabels = mode; }
    int dataLabels() const { return m_dataLabels; }
    // The font of the chart's texts as QFont::toString() writes it; empty: the default font.
    void setFontDescription(const QString &f) { m_fontDescription = f; }
    const QString &fontDescription() const { return m_fontDescription; }

    // --- scales and bands --------------------------------------------------------------
    // Selects the band the Y operations act on (0 .. kMaxBands-1).
    void setWorkingAxis(int band);
    int workingAxis() const { return m_workingAxis; }
    void setScaleModeX(int mode) { m_scaleModeX = mode; }
    int scaleModeX() const { return m_scaleModeX; }
    void setScaleModeY(int mode);
    int scaleModeY() const;
    void setMinX(double v) { m_minX = v; }
    void setMaxX(double v) { m_maxX = v; }
    double getMinX() const { return m_minX; }
    double getMaxX() const { return m_maxX; }
    void setMinY(double v);
    void setMaxY(double v);
    double getMinY() const;
    double getMaxY() const;
    // Band a holds n series; (-1, 0) puts every series on one axis.
    void setAxisSeries(int band, int series);
    int getAxisSeries(int band) const;
    void setAxisProportion(int band, double share);
    double getAxisProportion(int band) const;
    void setAxisSeparators(int style) { m_axisSeparators = style; } // 1: thin line
    int axisSeparators() const { return m_axisSeparators; }
    // The bands in use and, for each series, its band.
    int bandCount() const;
    int bandOfSeries(int series) const;
    // An index out of range reads the nearest band.
    const AxisBand &band(int index) const { return m_bands[std::size_t(std::clamp(index, 0, kMaxBands - 1))]; }
    // The data's extent, ignoring null points (for automatic scales); false when empty.
    bool dataRangeX(double &minX, double &maxX) const;
    bool dataRangeY(int band, double &minY, double &maxY) const;

    // --- annotations -------------------------------------------------------------------
    // Slots are created on first write; reading an unused slot gives an empty annotation.
    void setAnnotationType(int slot, int type);
    void setAnnotationX(int slot, double x);
    void setAnnotationY(int slot, double y);
    void setAnnotationText(int slot, const QString &text);
    void setAnnotationColor(int slot, int bgr);
    Annotation annotation(int slot) const;
    // One past the highest slot written.
    int annotationCount() const { return int(m_annotations.size()); }
    void setShowAnnotations(bool on) { m_showAnnotations = on; }
    bool showAnnotations() const { return m_showAnnotations; }
    void setAnnotationTextSize(int percent) { m_annotationTextSize = percent; }
    int annotationTextSize() const { return m_annotationTextSize; }
    void setAnnotationHotSpots(bool on) { m_options.annotationHotSpots = on; }

    void setShowVertLines(bool on) { m_showVertLines = on; }
    bool showVertLines() const { return m_showVertLines; }
    void setVertLineHotSpots(bool on) { m_options.vertLineHotSpots = on; }
    void setVertLineColor(int line, int bgr);
    void setVertLine(int line, double x, const QString &text = {});
    VertLine vertLine(int line) const;
    int vertLineCount() const { return int(m_vertLines.size()); }
    void setLineAnnotationTextSize(int percent) { m_lineAnnotationTextSize = percent; }
    int lineAnnotationTextSize() const { return m_lineAnnotationTextSize; }
    // Bumped by every change of the annotations or vertical lines.
    quint64 annotationRevision() const { return m_annotationRevision; }

    // --- options -----------------------------------------------------------------------
    ChartOptions &options() { return m_options; }
    const ChartOptions &options() const { return m_options; }
    void setCursorShape(int shape) { m_cursorShape = shape; }
    int cursorShape() const { return m_cursorShape; }

    // --- state ---------------------------------------------------------------------------
    // The whole chart as one versioned block.
    QByteArray storeState() const;
    // All or nothing: a corrupt, truncated or oversized block is refused with a reason and
    // leaves the chart as it was.
    bool loadState(const QByteArray &block, QString *error = nullptr);
    static constexpr quint32 kStateMagic = 0x53435851; // "QXCS" in the block's first bytes
    static constexpr quint32 kStateVersion = 1;
    static constexpr int kStateHeaderSize = 16;
    // A payload behind the block's header (magic, version, length, checksum).
    static QByteArray sealState(const QByteArray &payload, quint32 version = kStateVersion);

    // Bumped by every change of the data, so a view can tell what to refresh.
    quint64 dataRevision() const { return m_dataRevision; }
    // The lowest point index changed since the last call (pointCount() when none).
    int takeFirstDirtyPoint();

private:
    bool inRange(int series, int point) const
    {
        return series >= 0 && series < m_seriesCount && point >= 0 && point < m_pointCount;
    }
    std::size_t index(int series, int point) const { return std::size_t(point) * std::size_t(m_seriesCount) + std::size_t(series); }
    // A change of the data from `point` on (or of that one point only).
    void touch(int point, bool onePoint = false);
    // The Y extent of one series over one block of points.
    struct YBlock {
        float lo = 0, hi = 0;
        bool any = false;   // the block holds a value
        bool valid = false; // lo/hi/any are up to date
    };
    static constexpr int kExtentBlock = 1024;
    const YBlock &yBlock(int series, int block) const;
    AxisBand &working() { return m_bands[std::size_t(m_workingAxis)]; }
    const AxisBand &working() const { return m_bands[std::size_t(m_workingAxis)]; }
    Annotation &slot(int index);
    VertLine &vertSlot(int index);
    void relayout(int seriesCount, int pointCount);
    friend class ChartStateReader;

    int m_seriesCount = 1;
    int m_pointCount = 0;
    std::vector<double> m_x; // point-major: p × seriesCount + s
    std::vector<float> m_y;
    float m_nullY = kDefaultNullY;
    double m_lineGapThreshold = 1e20;
    int m_dateTimeMode = 0;
    bool m_doubleX = false;
    bool m_seriesByPoint = false;

    std::array<QString, kMaxSeries> m_seriesLabels;
    std::array<int, kMaxSeries> m_seriesColors{};
    QString m_mainTitle, m_subTitle, m_xAxisLabel;
    ChartColors m_colors;
    int m_gridStyle = 0;
    int m_dataLabels = 0;
    QString m_fontDescription;

    int m_workingAxis = 0;
    int m_scaleModeX = kScaleAutomatic;
    double m_minX = 0, m_maxX = 1;
    std::array<AxisBand, kMaxBands> m_bands;
    bool m_singleAxis = true;
    int m_axisSeparators = 0;

    std::vector<Annotation> m_annotations;
    bool m_showAnnotations = true;
    int m_annotationTextSize = 100;
    std::vector<VertLine> m_vertLines;
    bool m_showVertLines = true;
    int m_lineAnnotationTextSize = 100;

    ChartOptions m_options;
    int m_cursorShape = kCursorArrow;

    quint64 m_dataRevision = 0;
    // Y extents per series and block of points, so an automatic scale after one new sample
    // looks at one block instead of the whole recording. Series-major; rebuilt on demand.
    mutable std::vector<YBlock> m_yBlocks;
    // lastValuePoint per series, kept up to date by single-point changes; empty or
    // kUnknownLast where it must be looked for again.
    static constexpr int kUnknownLast = -2;
    mutable std::vector<int> m_lastValue;
    int m_firstDirty = 0;
    quint64 m_annotationRevision = 0;
};

} // namespace qx
