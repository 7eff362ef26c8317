#include "ChartControl.h"

#include "ChartSettingsDialog.h"
#include "SeriesEnvelope.h"
#include "ui/Dialogs.h"
#include "graph/BgrColor.h"
#include "meter/DayCount.h"

#include <qcustomplot.h>

#include <QBackingStore>
#include <QGridLayout>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <QRubberBand>
#include <QScrollBar>

#include <bit>
#include <climits>
#include <functional>
#include <cmath>

namespace qx {

namespace {

// The date-time axis works in seconds. Day counts are local wall-clock time; they are
// plotted as if they were UTC seconds, which keeps the axis linear across daylight-saving
// changes and makes the labels show the wall clock.
const double kUnixEpochDay = double(dayCountEpoch().daysTo(QDate(1970, 1, 1)));
constexpr double kSecondsPerDay = 86400.0;
// Keys beyond these are not given to the axes (about ±6000 years of seconds; values).
constexpr double kMaxDateKey = 2e11;
constexpr double kMaxValue = 1e200;
constexpr int kScrollSteps = 10000;
constexpr int kDragThreshold = 4;
constexpr int kHitTolerance = 6;
constexpr std::size_t kMostWaitingSegments = 20000;

// The chart component drawing straight onto the screen. Its own way keeps a picture of
// the plot (a screenful of memory) that every replot clears, draws and copies; here a
// replot asks for a paint, which draws the plot onto the window's picture, and new
// segments of the curves are painted over what is there (ChartControl::redrawData).
class ChartPlot : public QCustomPlot {
public:
    explicit ChartPlot(QWidget *parent) : QCustomPlot(parent)
    {
        setAttribute(Qt::WA_OpaquePaintEvent); // what is on screen stays until painted over
        // The component's own replot (it asks for one when made) leaves pictures nothing
        // here shows.
        connect(this, &QCustomPlot::afterReplot, this, [this] { mPaintBuffers.clear(); });
    }
    std::function<void(QPaintEvent *)> paint;
    // The whole plot, as the component draws it into pictures of its own.
    void drawPlot(QCPPainter *painter)
    {
        if (mBackgroundBrush.style() != Qt::NoBrush)
            painter->fillRect(mViewport, mBackgroundBrush);
        draw(painter);
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        if (paint)
            paint(event);
    }
    void resizeEvent(QResizeEvent *) override
    {
        setViewport(rect());
        update();
    }
};

// Draws a layerable again, clipped to `area`, as its layer draws it.
struct LayerableAccess : QCPLayerable {
    static void drawIn(QCPLayerable *l, QCPPainter *painter, const QRect &area)
    {
        painter->save();
        painter->setClipRect((l->*(&LayerableAccess::clipRect))().translated(0, -1) & area);
        (l->*(&LayerableAccess::applyDefaultAntialiasingHint))(painter);
        (l->*(&LayerableAccess::draw))(painter);
        painter->restore();
    }
};

// Whether a layerable drawn over the curves can light a pixel in `area`: grid lines only
// where their ticks are, an axis only along its edge of the band, a layout element only
// in its own rectangle.
bool mayDrawIn(QCPLayerable *l, const QRect &area)
{
    const QRect near = area.adjusted(-2, -2, 2, 2);
    if (qobject_cast<QCPGrid *>(l)) {
        const auto *axis = qobject_cast<const QCPAxis *>(l->parentLayerable());
        if (!axis)
            return true;
        const bool vertical = axis->orientation() == Qt::Horizontal; // its grid lines
        for (double tick : axis->tickVector()) {
            const double at = axis->coordToPixel(tick);
            if (vertical ? at >= near.left() && at <= near.right() : at >= near.top() && at <= near.bottom())
                return true;
        }
        return false;
    }
    if (auto *axis = qobject_cast<QCPAxis *>(l)) {
        const QRect r = axis->axisRect()->rect();
        const int in = std::max(axis->tickLengthIn(), axis->subTickLengthIn()) + 2;
        const int out = std::max(axis->tickLengthOut(), axis->subTickLengthOut()) + axis->offset() + 2;
        QRect zone;
        switch (axis->axisType()) {
        case QCPAxis::atLeft: zone = QRect(QPoint(r.left() - out, r.top() - out), QPoint(r.left() + in, r.bottom() + out)); break;
        case QCPAxis::atRight: zone = QRect(QPoint(r.right() - in, r.top() - out), QPoint(r.right() + out, r.bottom() + out)); break;
        case QCPAxis::atTop: zone = QRect(QPoint(r.left() - out, r.top() - out), QPoint(r.right() + out, r.top() + in)); break;
        case QCPAxis::atBottom: zone = QRect(QPoint(r.left() - out, r.bottom() - in), QPoint(r.right() + out, r.bottom() + out)); break;
        }
        return zone.intersects(near);
    }
    if (auto *e = qobject_cast<QCPLayoutElement *>(l))
        return e->outerRect().intersects(near);
    return true;
}

// An axis's pixel mapping as the axis computes it.
AxisPixels pixelsOf(const QCPAxis *axis)
{
    AxisPixels p;
    p.lower = axis->range().lower;
    p.upper = axis->range().upper;
    const QRect r = axis->axisRect()->rect();
    p.vertical = axis->orientation() == Qt::Vertical;
    p.origin = p.vertical ? r.bottom() : r.left();
    p.length = p.vertical ? r.height() : r.width();
    return p;
}

// Annotation type 2: a cross mark at a point.
class CrossItem : public QCPAbstractItem {
public:
    explicit CrossItem(QCustomPlot *plot) : QCPAbstractItem(plot), position(createPosition(QStringLiteral("position"))) {}

    double selectTest(const QPointF &pos, bool, QVariant *) const override
    {
        const QPointF d = pos - position->pixelPosition();
        return std::max(0.0, std::hypot(d.x(), d.y()) - size);
    }

    QCPItemPosition *const position;
    QPen pen;
    double size = 5;

protected:
    void draw(QCPPainter *painter) override
    {
        const QPointF c = position->pixelPosition();
        if (!clipRect().adjusted(-int(size), -int(size), int(size), int(size)).contains(c.toPoint()))
            return;
        painter->setPen(pen);
        painter->drawLine(QLineF(c + QPointF(-size, -size), c + QPointF(size, size)));
        painter->drawLine(QLineF(c + QPointF(-size, size), c + QPointF(size, -size)));
    }
};

class Curve;

// Draws a curve from what the chart holds (the chart's own drawing code).
class CurveSource {
public:
    virtual void drawCurve(QCPPainter *painter, int series, Curve &curve) = 0;
    virtual bool curveRange(int series, bool keys, QCPRange &range) const = 0;

protected:
    ~CurveSource() = default;
};

// One series as the chart component sees it: no points of its own, it draws from the
// chart's model through its envelope.
class Curve : public QCPAbstractPlottable {
public:
    Curve(CurveSource &source, int series, QCPAxis *key, QCPAxis *value)
        : QCPAbstractPlottable(key, value), m_source(source), m_series(series)
    {
    }

    double selectTest(const QPointF &, bool, QVariant *) const override { return -1; }
    QCPRange getKeyRange(bool &found, QCP::SignDomain) const override { return range(true, found); }
    QCPRange getValueRange(bool &found, QCP::SignDomain, const QCPRange &) const override { return range(false, found); }

    // The clip its layer draws it with, and its antialiasing.
    QRect pictureClip() const { return clipRect().translated(0, -1); }
    void applyAntialiasing(QCPPainter *painter) const { applyDefaultAntialiasingHint(painter); }

protected:
    void draw(QCPPainter *painter) override { m_source.drawCurve(painter, m_series, *this); }
    void drawLegendIcon(QCPPainter *painter, const QRectF &rect) const override
    {
        applyDefaultAntialiasingHint(painter);
        painter->setPen(mPen);
        // A little past the right edge, as graphs draw theirs.
        const double y = rect.top() + rect.height() / 2.0;
        painter->drawLine(QLineF(rect.left(), y, rect.right() + 5, y));
    }

private:
    QCPRange range(bool keys, bool &found) const
    {
        QCPRange r;
        found = m_source.curveRange(m_series, keys, r);
        return r;
    }

    CurveSource &m_source;
    int m_series;
};

struct SeriesView {
    Curve *curve = nullptr;
    SeriesEnvelope envelope;
    int drawn = 0;             // points the plot on screen shows
    int queued = 0;            // points whose segments are waiting to be painted
    int changedFrom = INT_MAX; // the first point changed since
    std::vector<QLine> appended; // those segments
};

// What the picture on screen was drawn for: the plot's size and each band's place and
// ranges.
struct PictureKey {
    QRect viewport;
    std::vector<QRect> rects;
    std::vector<QCPRange> ranges;
    bool operator==(const PictureKey &o) const
    {
        if (viewport != o.viewport || rects != o.rects || ranges.size() != o.ranges.size())
            return false;
        for (std::size_t i = 0; i < ranges.size(); ++i)
            if (ranges[i].lower != o.ranges[i].lower || ranges[i].upper != o.ranges[i].upper)
                return false;
        return true;
    }
};

struct AnnotationView {
    int slot = 0;
    QCPItemText *text = nullptr;
    CrossItem *cross = nullptr;
};

// What the layout was built for; any difference rebuilds it.
struct LayoutKey {
    int seriesCount = -1;
    std::vector<int> bandOfSeries;
    std::vector<double> shares;
    int separators = 0;
    bool title = false, subTitle = false, legend = false;
    bool operator==(const LayoutKey &) const = default;
};

// What the annotation items were made from.
struct ItemsKey {
    quint64 revision = 0;
    bool showAnnotations = false, showVertLines = false;
    int textSize = 0, lineTextSize = 0;
    QString font;
    bool dateX = false;
    int bands = 0;
    bool operator==(const ItemsKey &) const = default;
};

QCPRange ordered(double a, double b) { return a <= b ? QCPRange(a, b) : QCPRange(b, a); }

// A range the axes accept: finite, inside the limit, not empty.
QCPRange usable(QCPRange r, double limit, double minimumSpan)
{
    r.lower = std::clamp(r.lower, -limit, limit);
    r.upper = std::clamp(r.upper, -limit, limit);
    if (r.upper - r.lower < minimumSpan) {
        const double mid = (r.lower + r.upper) / 2;
        r = QCPRange(mid - minimumSpan / 2, mid + minimumSpan / 2);
    }
    return r;
}

QString timeFormatWithoutZone(const QLocale &locale)
{
    // The labels show wall-clock time: a zone name would be wrong, so it is left out.
    const QString f = locale.timeFormat(QLocale::LongFormat);
    QString out;
    bool quoted = false;
    for (QChar c : f) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        out += c;
    }
    return out.trimmed();
}

double fontScale(int percent) { return std::clamp(percent, 10, 1000) / 100.0; }

} // namespace

class ChartControl::Impl : public CurveSource {
public:
    explicit Impl(ChartControl *control) : q(control) {}
    void drawCurve(QCPPainter *painter, int series, Curve &curve) override;
    bool curveRange(int series, bool keys, QCPRange &range) const override;

    ChartModel &model() { return q->m_model; }
    bool dateX() const { return q->m_model.dateTimeMode() == 1; }
    double keyOf(double x) const { return dateX() ? (x - kUnixEpochDay) * kSecondsPerDay : x; }
    double xOf(double key) const { return dateX() ? key / kSecondsPerDay + kUnixEpochDay : key; }
    Dialogs &dialogs() { return external ? *external : own; }
    QFont baseFont() const;

    void buildLayout();
    LayoutKey wantedLayout() const;
    void refreshData();
    SeriesPoints pointsOf(int series) const;
    PictureKey pictureKey() const;
    bool queueAppended();
    void paint(QPaintEvent *event);
    void paintAppended(QCPPainter &painter);
    bool coversAbove(const QRect &dirty) const;
    void applyLook();
    void computeHome();
    void applyRanges();
    void syncItems();
    void updateBars();
    void ensureLayout(bool force = false);
    void balanceBands(const QRect &outer);
    void replot();

    int bandAt(const QPoint &plotPos) const;
    int annotationAt(const QPoint &plotPos) const;
    bool dataPointAt(const QPoint &plotPos, int &series, int &point) const;
    void hotSpots(const QPoint &plotPos, bool doubleClick);
    void zoomTo(const QRect &plotRect);
    void mouseEvent(QEvent *event);
    void press(const QPoint &pos);

    ChartControl *q;
    QCustomPlot *plot = nullptr;
    QScrollBar *hbar = nullptr;
    QScrollBar *vbar = nullptr;
    QRubberBand *rubber = nullptr;
    Dialogs *external = nullptr;
    QtDialogs own;
    QCursor customCursor;
    bool hasCustomCursor = false;

    QCPMarginGroup *margins = nullptr;
    QCPLayoutGrid *bandGrid = nullptr;
    QCPTextElement *title = nullptr;
    QCPTextElement *subTitle = nullptr;
    QCPLegend *legend = nullptr;
    std::vector<QCPAxisRect *> rects;
    std::vector<SeriesView> series;
    QSharedPointer<QCPAxisTickerDateTime> dateTicker;
    QSharedPointer<QCPAxisTicker> numberTicker;
    LayoutKey layout;
    bool layoutBuilt = false;

    bool dataValid = false;
    ChartPlot *chartPlot = nullptr;
    bool inReplot = false;        // painting the whole plot on screen
    bool pictureValid = false;    // the screen shows the plot as drawn for `picture`
    PictureKey picture;
    QRegion appendedArea;         // where queued segments are to be painted
    quint64 shownRevision = 0;
    int shownPoints = 0;
    quint32 shownNull = 0;
    double shownGap = 0;
    bool shownDateX = false;

    // The data's extents, recomputed only when the data changed.
    struct Extent {
        bool found = false;
        double lo = 0, hi = 0;
    };
    // Each is scanned for only when an automatic scale asks for it: a recording on manual
    // scales never walks its points.
    bool extentsValid = false;
    quint64 extentsRevision = 0;
    Extent extentX;
    bool extentXKnown = false;
    std::vector<Extent> extentY;
    std::vector<bool> extentYKnown;
    const Extent &dataExtentX();
    const Extent &dataExtentY(std::size_t band);
    QCPRange homeX;
    std::vector<QCPRange> homeY;

    bool itemsValid = false;
    ItemsKey items;
    std::vector<AnnotationView> annotations;
    std::vector<QCPAbstractItem *> vertItems;

    bool zoomed = false;
    QCPRange zoomX;
    bool zoomYSet = false;
    int zoomBand = 0;
    QCPRange zoomY;

    bool pressed = false;
    bool dragging = false;
    bool afterDoubleClick = false;
    QPoint pressPos;
    int pressBand = -1;
    QRect laidOut;
};

// --- layout --------------------------------------------------------------------------------

QFont ChartControl::Impl::baseFont() const
{
    QFont f = q->font();
    const QString &d = q->m_model.fontDescription();
    if (!d.isEmpty()) {
        QFont chosen;
        if (chosen.fromString(d))
            f = chosen;
    }
    // A font read from a file is kept to sizes a chart can show.
    if (f.pointSizeF() > 0)
        f.setPointSizeF(std::clamp(f.pointSizeF(), 4.0, 72.0));
    else if (f.pixelSize() > 0)
        f.setPixelSize(std::clamp(f.pixelSize(), 5, 96));
    return f;
}

LayoutKey ChartControl::Impl::wantedLayout() const
{
    const ChartModel &m = q->m_model;
    LayoutKey k;
    k.seriesCount = m.seriesCount();
    for (int s = 0; s < m.seriesCount(); ++s)
        k.bandOfSeries.push_back(m.bandOfSeries(s));
    const int bands = m.bandCount();
    double total = 0;
    for (int b = 0; b < bands; ++b)
        total += m.getAxisProportion(b);
    for (int b = 0; b < bands; ++b)
        k.shares.push_back(bands == 1 ? 1.0 : total > 0 ? std::max(m.getAxisProportion(b) / total, 0.01) : 1.0 / bands);
    k.separators = m.axisSeparators();
    // A title of blanks still takes its line: charts keep a blank subtitle to leave room
    // above the plot for the window's readout.
    k.title = !m.mainTitle().isEmpty();
    k.subTitle = !m.subTitle().isEmpty();
    for (int s = 0; s < m.seriesCount() && !k.legend; ++s)
        k.legend = !m.seriesLabel(s).isEmpty();
    return k;
}

void ChartControl::Impl::buildLayout()
{
    layout = wantedLayout();
    plot->clearItems();
    annotations.clear();
    vertItems.clear();
    plot->clearPlottables();
    series.clear();
    plot->plotLayout()->clear();
    delete margins;
    margins = new QCPMarginGroup(plot);
    title = subTitle = nullptr;
    legend = nullptr;
    rects.clear();

    QCPLayoutGrid *main = plot->plotLayout();
    QList<double> stretch;
    int row = 0;
    if (layout.title) {
        title = new QCPTextElement(plot, QString());
        main->addElement(row++, 0, title);
        stretch << 0.001;
    }
    if (layout.subTitle) {
        subTitle = new QCPTextElement(plot, QString());
        main->addElement(row++, 0, subTitle);
        stretch << 0.001;
    }
    auto *bands = new QCPLayoutGrid;
    bandGrid = bands;
    main->addElement(row++, 0, bands);
    stretch << 1.0;
    bands->setRowSpacing(layout.separators == 1 ? 0 : 6);
    QList<double> shares;
    for (std::size_t b = 0; b < layout.shares.size(); ++b) {
        auto *r = new QCPAxisRect(plot, true);
        r->setLayer(QStringLiteral("background")); // its fill lies under the grid and the curves
        bands->addElement(int(b), 0, r);
        r->setMarginGroup(QCP::msLeft | QCP::msRight, margins);
        r->setRangeDrag(Qt::Orientations());
        r->setRangeZoom(Qt::Orientations());
        rects.push_back(r);
        shares << layout.shares[b];
    }
    bands->setRowStretchFactors(shares);
    if (layout.legend) {
        legend = new QCPLegend;
        main->addElement(row++, 0, legend);
        legend->setLayer(QStringLiteral("legend"));
        legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
        legend->setWrap(0);
        legend->setBorderPen(Qt::NoPen);
        legend->setBrush(Qt::NoBrush);
        stretch << 0.001;
    }
    main->setRowStretchFactors(stretch);

    series.resize(std::size_t(layout.seriesCount));
    for (int s = 0; s < layout.seriesCount; ++s) {
        QCPAxisRect *r = rects[std::size_t(std::clamp(layout.bandOfSeries[std::size_t(s)], 0, int(rects.size()) - 1))];
        Curve *c = new Curve(*this, s, r->axis(QCPAxis::atBottom), r->axis(QCPAxis::atLeft));
        c->setAntialiased(false);
        c->setLayer(QStringLiteral("data"));
        series[std::size_t(s)].curve = c;
    }
    if (zoomBand >= int(rects.size()))
        zoomYSet = false;
    layoutBuilt = true;
    dataValid = false;
    pictureValid = false;
    extentsValid = false;
    itemsValid = false;
}

// --- data ----------------------------------------------------------------------------------

void ChartControl::Impl::refreshData()
{
    ChartModel &m = model();
    const quint32 nullBits = std::bit_cast<quint32>(m.nullY());
    const bool full = !dataValid || nullBits != shownNull || std::bit_cast<quint64>(m.lineGapThreshold()) != std::bit_cast<quint64>(shownGap)
                      || dateX() != shownDateX;
    if (!full && m.dataRevision() == shownRevision)
        return;
    const int count = m.pointCount();
    const int first = full ? 0 : std::min({m.takeFirstDirtyPoint(), shownPoints, count});
    if (full)
        m.takeFirstDirtyPoint();
    for (int s = 0; s < int(series.size()); ++s) {
        SeriesView &v = series[std::size_t(s)];
        // Points after the series' last value draw nothing: a recording's planned samples
        // to come are left out of its envelope.
        const int points = s < m.seriesCount() ? std::clamp(m.lastValuePoint(s) + 1, 0, count) : 0;
        v.envelope.update(pointsOf(s), points, first);
        v.changedFrom = std::min(v.changedFrom, v.envelope.pointOrder() ? first : 0);
    }
    dataValid = true;
    shownRevision = m.dataRevision();
    shownPoints = count;
    shownNull = nullBits;
    shownGap = m.lineGapThreshold();
    shownDateX = dateX();
}

SeriesPoints ChartControl::Impl::pointsOf(int s) const
{
    const ChartModel &m = q->m_model;
    SeriesPoints p;
    if (s < 0 || s >= m.seriesCount() || m.pointCount() == 0)
        return p;
    p.x = m.xData() + s;
    p.y = m.yData() + s;
    p.stride = std::size_t(m.seriesCount());
    p.nullY = m.nullY();
    if (dateX()) {
        p.keyOffset = kUnixEpochDay;
        p.keyScale = kSecondsPerDay;
        p.gap = m.lineGapThreshold() * kSecondsPerDay;
    } else {
        p.gap = m.lineGapThreshold();
    }
    return p;
}

bool ChartControl::Impl::curveRange(int s, bool keys, QCPRange &range) const
{
    if (s < 0 || s >= int(series.size()))
        return false;
    const SeriesEnvelope &e = series[std::size_t(s)].envelope;
    if (keys)
        return e.keyRange(pointsOf(s), range.lower, range.upper);
    float lo = 0, hi = 0;
    if (!e.valueRange(lo, hi))
        return false;
    range = QCPRange(lo, hi);
    return true;
}

void ChartControl::Impl::drawCurve(QCPPainter *painter, int s, Curve &curve)
{
    refreshData(); // the component may draw on its own, after a resize
    if (s < 0 || s >= int(series.size()))
        return;
    SeriesView &v = series[std::size_t(s)];
    if (inReplot) {
        // On screen: what it shows from now on.
        v.drawn = v.queued = v.envelope.count();
        v.changedFrom = INT_MAX;
        v.appended.clear();
    }
    const QPen pen = curve.pen();
    if (pen.style() == Qt::NoPen || pen.color().alpha() == 0 || v.envelope.count() == 0)
        return;
    const AxisPixels key = pixelsOf(curve.keyAxis());
    const AxisPixels value = pixelsOf(curve.valueAxis());
    const SeriesPoints points = pointsOf(s);
    const bool vector = painter->modes().testFlag(QCPPainter::pmVectorized);
    // On screen the component draws each segment as a line between whole pixels; in
    // exports (no caching) and vectors, as a polyline through the exact positions.
    if (!vector && !painter->modes().testFlag(QCPPainter::pmNoCaching) && !painter->antialiasing()
        && painter->transform().isIdentity() && pen.style() == Qt::SolidLine && (pen.isCosmetic() || pen.widthF() <= 1)) {
        // The pixels every segment drawn as an aliased line would light.
        CurvePicture picture;
        v.envelope.drawExact(points, key, value, curve.pictureClip(), picture);
        painter->setPen(Qt::NoPen);
        painter->setBrush(pen.color());
        painter->drawRects(picture.spans.data(), int(picture.spans.size()));
        painter->setBrush(Qt::NoBrush);
        painter->setPen(pen);
        painter->QPainter::drawLines(picture.lines.data(), int(picture.lines.size()));
        return;
    }
    // Scaled or written as vectors: a polyline reduced to the device's resolution.
    const QTransform t = painter->transform();
    const double detail = vector ? 4.0 : std::max(1.0, std::sqrt(std::abs(t.determinant())));
    std::vector<QPointF> line;
    v.envelope.drawPolyline(points, key, value, detail, line);
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    std::size_t from = 0;
    for (std::size_t i = 0; i <= line.size(); ++i) {
        if (i == line.size() || std::isnan(line[i].x())) {
            if (i - from > 1)
                painter->drawPolyline(line.data() + from, int(i - from));
            from = i + 1;
        }
    }
}

PictureKey ChartControl::Impl::pictureKey() const
{
    PictureKey k;
    k.viewport = plot->viewport();
    for (QCPAxisRect *r : rects) {
        k.rects.push_back(r->rect());
        k.ranges.push_back(r->axis(QCPAxis::atBottom)->range());
        k.ranges.push_back(r->axis(QCPAxis::atLeft)->range());
    }
    return k;
}

// Whether an annotation or a vertical line lies in `dirty`: their antialiased pixels
// cannot be drawn again over new segments without changing them.
bool ChartControl::Impl::coversAbove(const QRect &dirty) const
{
    const QRect area = dirty.adjusted(-2, -2, 2, 2);
    const auto textRect = [](const QCPItemText *t) {
        return QRectF(t->topLeft->pixelPosition(), t->bottomRight->pixelPosition()).normalized().toAlignedRect();
    };
    for (const AnnotationView &a : annotations) {
        if (a.text && area.intersects(textRect(a.text)))
            return true;
        if (a.cross) {
            const QPointF c = a.cross->position->pixelPosition();
            const int d = int(a.cross->size) + 2;
            if (area.intersects(QRect(c.toPoint() - QPoint(d, d), c.toPoint() + QPoint(d, d))))
                return true;
        }
    }
    for (const QCPAbstractItem *i : vertItems) {
        if (const auto *t = qobject_cast<const QCPItemText *>(i)) {
            if (area.intersects(textRect(t)))
                return true;
        } else if (const auto *l = qobject_cast<const QCPItemStraightLine *>(i)) {
            const int x = int(std::floor(l->point1->pixelPosition().x()));
            if (area.left() <= x + 2 && x - 2 <= area.right())
                return true;
        } else {
            return true;
        }
    }
    return false;
}

// Appended points only, the scales where they were: their segments are queued to be
// painted over the plot on screen, and only their part of it is painted. False when the
// plot must be drawn again whole.
bool ChartControl::Impl::queueAppended()
{
    // Segments are painted in whole pixels of the screen; a chart off screen (or not
    // painted for a long while) is drawn again whole when it shows.
    if (!pictureValid || pictureKey() != picture || plot->devicePixelRatioF() != 1.0 || !plot->isVisible())
        return false;
    std::size_t waiting = 0;
    for (const SeriesView &v : series)
        waiting += v.appended.size();
    if (waiting > kMostWaitingSegments)
        return false;
    for (std::size_t s = 0; s < series.size(); ++s) {
        SeriesView &v = series[s];
        if (!v.envelope.pointOrder() || v.changedFrom < v.queued || v.envelope.count() < v.queued)
            return false;
    }
    // Each series' new segments in a rectangle of their own: with several bands the
    // rectangle around them all would cross what lies between them.
    QRegion dirty;
    std::vector<std::vector<QLine>> lines(series.size());
    for (std::size_t s = 0; s < series.size(); ++s) {
        SeriesView &v = series[s];
        if (v.envelope.count() == v.queued)
            continue;
        v.envelope.appendedLines(pointsOf(int(s)), v.queued, pixelsOf(v.curve->keyAxis()),
                                 pixelsOf(v.curve->valueAxis()), v.curve->pictureClip(), lines[s]);
        QRect around;
        for (const QLine &l : lines[s])
            around |= QRect(QPoint(std::min(l.x1(), l.x2()), std::min(l.y1(), l.y2())),
                            QPoint(std::max(l.x1(), l.x2()), std::max(l.y1(), l.y2())));
        around &= v.curve->pictureClip();
        if (!around.isEmpty()) {
            if (coversAbove(around))
                return false;
            dirty |= around;
        }
    }
    for (std::size_t s = 0; s < series.size(); ++s) {
        SeriesView &v = series[s];
        v.appended.insert(v.appended.end(), lines[s].begin(), lines[s].end());
        v.queued = v.envelope.count();
        v.changedFrom = INT_MAX;
    }
    if (!dirty.isEmpty()) {
        appendedArea |= dirty;
        plot->update(dirty);
    }
    return true;
}

void ChartControl::Impl::paintAppended(QCPPainter &painter)
{
    for (SeriesView &v : series) {
        if (!v.appended.empty() && v.curve->realVisibility()) {
            painter.save();
            painter.setClipRect(v.curve->pictureClip());
            v.curve->applyAntialiasing(&painter);
            painter.setPen(v.curve->pen());
            painter.QPainter::drawLines(v.appended.data(), int(v.appended.size()));
            painter.restore();
        }
        v.appended.clear();
        v.drawn = v.queued;
    }
    // What lies over the curves (grid, axes: aliased lines, the same when drawn twice) is
    // drawn again over the new segments; the annotations were seen not to be there.
    const int dataLayer = plot->layer(QStringLiteral("data"))->index();
    for (int i = dataLayer + 1; i < plot->layerCount(); ++i) {
        QCPLayer *layer = plot->layer(i);
        if (!layer->visible())
            continue;
        for (QCPLayerable *l : layer->children())
            if (l->realVisibility() && !qobject_cast<QCPAbstractItem *>(l))
                for (const QRect &area : appendedArea)
                    if (mayDrawIn(l, area))
                        LayerableAccess::drawIn(l, &painter, area);
    }
    appendedArea = QRegion();
}

void ChartControl::Impl::paint(QPaintEvent *event)
{
    QCPPainter painter(plot);
    if (!painter.isActive())
        return;
    // Only what is painted onto the window stays there; a picture rendered elsewhere
    // (grab, render) is drawn whole and changes nothing of what the screen shows.
    QBackingStore *store = plot->window()->backingStore();
    const bool screen = store && painter.paintEngine() && painter.paintEngine()->paintDevice() == store->paintDevice();
    if (screen && !appendedArea.isEmpty() && event->region().subtracted(appendedArea).isEmpty() && pictureValid
        && pictureKey() == picture) {
        paintAppended(painter);
        return;
    }
    if (plot->viewport() != plot->rect())
        plot->setViewport(plot->rect());
    const bool whole = screen && event->region().contains(plot->viewport());
    inReplot = whole;
    chartPlot->drawPlot(&painter);
    inReplot = false;
    if (whole) {
        picture = pictureKey();
        pictureValid = true;
        appendedArea = QRegion();
    } else if (screen && (!appendedArea.isEmpty() || !pictureValid)) {
        // Part of the plot drawn afresh beside parts that may not show the latest points:
        // the whole of it next time.
        pictureValid = false;
        appendedArea = QRegion();
        plot->update();
    }
}

// --- look and ranges -------------------------------------------------------------------------

void ChartControl::Impl::applyLook()
{
    const ChartModel &m = q->m_model;
    const ChartColors &c = m.colors();
    const QColor fore = colorFromBgr(c.fore), back = colorFromBgr(c.back), desk = colorFromBgr(c.desk),
                 text = colorFromBgr(c.text);
    const QFont font = baseFont();
    const QLocale locale;
    plot->setLocale(locale);
    plot->setBackground(QBrush(desk));

    dateTicker->setDateTimeFormat(locale.dateFormat(QLocale::ShortFormat) + QLatin1Char('\n')
                                  + timeFormatWithoutZone(locale));
    const QPen axisPen(fore, 0);
    const QPen gridPen(fore, 0, m.gridStyle() == 2 ? Qt::DotLine : Qt::SolidLine);
    const int bands = int(rects.size());
    for (int b = 0; b < bands; ++b) {
        QCPAxisRect *r = rects[std::size_t(b)];
        r->setBackground(QBrush(back));
        for (QCPAxis *a : {r->axis(QCPAxis::atBottom), r->axis(QCPAxis::atLeft)}) {
            a->setBasePen(axisPen);
            a->setTickPen(axisPen);
            a->setSubTickPen(axisPen);
            a->setTickLabelColor(fore);
            a->setLabelColor(fore);
            a->setTickLabelFont(font);
            a->setLabelFont(font);
            a->grid()->setPen(gridPen);
            a->grid()->setZeroLinePen(Qt::NoPen);
            a->grid()->setSubGridVisible(false);
        }
        QCPAxis *x = r->axis(QCPAxis::atBottom);
        x->setTicker(dateX() ? QSharedPointer<QCPAxisTicker>(dateTicker) : numberTicker);
        const bool bottom = b == bands - 1;
        x->setTickLabels(bottom);
        x->setLabel(bottom ? m.xAxisLabel() : QString());
        r->axis(QCPAxis::atLeft)->setLabel(m.band(b).label);
        QCPAxis *top = r->axis(QCPAxis::atTop);
        const bool separator = m.axisSeparators() == 1 && b > 0;
        top->setVisible(separator);
        top->setTicks(false);
        top->setTickLabels(false);
        top->setBasePen(axisPen);
    }
    if (title) {
        QFont f = font;
        f.setPointSizeF(f.pointSizeF() * 1.4);
        f.setBold(true);
        title->setText(m.mainTitle());
        title->setFont(f);
        title->setTextColor(text);
    }
    if (subTitle) {
        QFont f = font;
        f.setPointSizeF(f.pointSizeF() * 1.1);
        subTitle->setText(m.subTitle());
        subTitle->setFont(f);
        subTitle->setTextColor(text);
    }
    if (legend) {
        legend->setFont(font);
        legend->setTextColor(text);
    }
    for (int s = 0; s < int(series.size()); ++s) {
        Curve *g = series[std::size_t(s)].curve;
        g->setPen(QPen(colorFromBgr(m.seriesColor(s)), 0));
        const QString label = m.seriesLabel(s);
        g->setName(label);
        if (legend) {
            if (label.isEmpty())
                g->removeFromLegend(legend);
            else if (!legend->hasItemWithPlottable(g))
                g->addToLegend(legend);
        }
    }
}

const ChartControl::Impl::Extent &ChartControl::Impl::dataExtentX()
{
    if (!extentXKnown) {
        extentX = {};
        extentX.found = q->m_model.dataRangeX(extentX.lo, extentX.hi);
        extentXKnown = true;
    }
    return extentX;
}

const ChartControl::Impl::Extent &ChartControl::Impl::dataExtentY(std::size_t band)
{
    if (!extentYKnown[band]) {
        extentY[band] = {};
        extentY[band].found = q->m_model.dataRangeY(int(band), extentY[band].lo, extentY[band].hi);
        extentYKnown[band] = true;
    }
    return extentY[band];
}

void ChartControl::Impl::computeHome()
{
    const ChartModel &m = q->m_model;
    const double keyLimit = dateX() ? kMaxDateKey : kMaxValue;
    const double keySpan = dateX() ? 1.0 : 1e-9;
    if (!extentsValid || extentsRevision != m.dataRevision() || extentY.size() != rects.size()) {
        extentXKnown = false;
        extentY.assign(rects.size(), Extent());
        extentYKnown.assign(rects.size(), false);
        extentsValid = true;
        extentsRevision = m.dataRevision();
    }
    const bool manualX = m.scaleModeX() == kScaleManual && std::isfinite(keyOf(m.getMinX())) && std::isfinite(keyOf(m.getMaxX()));
    if (manualX) {
        homeX = ordered(keyOf(m.getMinX()), keyOf(m.getMaxX()));
    } else if (const Extent &e = dataExtentX(); e.found && std::isfinite(keyOf(e.lo)) && std::isfinite(keyOf(e.hi))) {
        homeX = QCPRange(keyOf(e.lo), keyOf(e.hi));
    } else if (std::isfinite(keyOf(m.getMinX())) && std::isfinite(keyOf(m.getMaxX()))) {
        homeX = ordered(keyOf(m.getMinX()), keyOf(m.getMaxX()));
    } else {
        homeX = QCPRange(0, 1);
    }
    homeX = usable(homeX, keyLimit, keySpan);

    homeY.assign(rects.size(), QCPRange(0, 100));
    for (std::size_t b = 0; b < rects.size(); ++b) {
        const AxisBand &band = m.band(int(b));
        const bool manualY = band.scaleMode == kScaleManual && std::isfinite(band.minY) && std::isfinite(band.maxY);
        QCPRange r(0, 100);
        if (manualY) {
            r = ordered(band.minY, band.maxY);
        } else if (const Extent &e = dataExtentY(b); e.found) {
            const double pad = std::max((e.hi - e.lo) * 0.05, 0.5);
            r = QCPRange(e.lo - pad, e.hi + pad);
        } else if (std::isfinite(band.minY) && std::isfinite(band.maxY)) {
            r = ordered(band.minY, band.maxY);
        }
        homeY[b] = usable(r, kMaxValue, 1e-6);
    }
}

void ChartControl::Impl::applyRanges()
{
    computeHome();
    for (std::size_t b = 0; b < rects.size(); ++b) {
        rects[b]->axis(QCPAxis::atBottom)->setRange(zoomed ? zoomX : homeX);
        rects[b]->axis(QCPAxis::atLeft)->setRange(zoomed && zoomYSet && int(b) == zoomBand ? zoomY : homeY[b]);
    }
}

// --- annotations and vertical lines ------------------------------------------------------------

void ChartControl::Impl::syncItems()
{
    const ChartModel &m = q->m_model;
    ItemsKey k{m.annotationRevision(), m.showAnnotations(), m.showVertLines(), m.annotationTextSize(),
               m.lineAnnotationTextSize(), m.fontDescription(), dateX(), int(rects.size())};
    if (itemsValid && k == items)
        return;
    items = k;
    itemsValid = true;
    for (const AnnotationView &a : annotations) {
        if (a.text)
            plot->removeItem(a.text);
        if (a.cross)
            plot->removeItem(a.cross);
    }
    annotations.clear();
    for (QCPAbstractItem *i : vertItems)
        plot->removeItem(i);
    vertItems.clear();
    if (rects.empty())
        return;

    QCPAxisRect *first = rects.front();
    const QFont base = baseFont();
    if (m.showAnnotations()) {
        QFont f = base;
        f.setPointSizeF(std::max(1.0, f.pointSizeF() * fontScale(m.annotationTextSize())));
        for (int i = 0; i < m.annotationCount(); ++i) {
            const Annotation a = m.annotation(i);
            const double key = keyOf(a.x);
            if (!std::isfinite(key) || !std::isfinite(a.y) || (a.type != kAnnotationCross && a.text.isEmpty()))
                continue;
            AnnotationView v;
            v.slot = i;
            const QColor color = colorFromBgr(a.color);
            if (a.type == kAnnotationCross) {
                v.cross = new CrossItem(plot);
                v.cross->position->setAxes(first->axis(QCPAxis::atBottom), first->axis(QCPAxis::atLeft));
                v.cross->position->setCoords(key, a.y);
                v.cross->pen = QPen(color, 0);
                v.cross->setClipAxisRect(first);
            }
            if (!a.text.isEmpty()) {
                v.text = new QCPItemText(plot);
                v.text->position->setAxes(first->axis(QCPAxis::atBottom), first->axis(QCPAxis::atLeft));
                v.text->position->setCoords(key, a.y);
                QString t = a.text;
                t.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
                v.text->setText(t);
                v.text->setColor(color);
                v.text->setFont(f);
                v.text->setPositionAlignment(Qt::AlignLeft | Qt::AlignVCenter);
                v.text->setTextAlignment(Qt::AlignLeft);
                if (v.cross)
                    v.text->setPadding(QMargins(int(v.cross->size) + 3, 0, 0, 0));
                v.text->setClipAxisRect(first);
            }
            annotations.push_back(v);
        }
    }
    if (m.showVertLines()) {
        QFont f = base;
        f.setPointSizeF(std::max(1.0, f.pointSizeF() * fontScale(m.lineAnnotationTextSize())));
        for (int i = 0; i < m.vertLineCount(); ++i) {
            const VertLine l = m.vertLine(i);
            const double key = keyOf(l.x);
            if (!std::isfinite(key))
                continue;
            const QColor color = colorFromBgr(l.color);
            for (QCPAxisRect *r : rects) {
                auto *line = new QCPItemStraightLine(plot);
                for (QCPItemPosition *p : {line->point1, line->point2})
                    p->setAxes(r->axis(QCPAxis::atBottom), r->axis(QCPAxis::atLeft));
                line->point1->setCoords(key, 0);
                line->point2->setCoords(key, 1);
                line->setPen(QPen(color, 0));
                line->setClipAxisRect(r);
                vertItems.push_back(line);
            }
            if (!l.text.isEmpty()) {
                auto *t = new QCPItemText(plot);
                t->position->setAxes(first->axis(QCPAxis::atBottom), first->axis(QCPAxis::atLeft));
                t->position->setAxisRect(first);
                t->position->setTypeX(QCPItemPosition::ptPlotCoords);
                t->position->setTypeY(QCPItemPosition::ptAxisRectRatio);
                t->position->setCoords(key, 0.0);
                t->setPositionAlignment(Qt::AlignLeft | Qt::AlignTop);
                t->setText(l.text);
                t->setColor(color);
                t->setFont(f);
                t->setClipAxisRect(first);
                vertItems.push_back(t);
            }
        }
    }
}

// --- zoom and scroll bars ----------------------------------------------------------------------

void ChartControl::Impl::updateBars()
{
    const bool show = zoomed && q->m_model.options().scrollingZoom;
    const auto place = [](QScrollBar *bar, const QCPRange &home, const QCPRange &view, bool inverted) {
        const double span = home.size();
        const int page = std::clamp(int(std::lround(kScrollSteps * view.size() / span)), 1, kScrollSteps);
        const double offset = inverted ? home.upper - view.upper : view.lower - home.lower;
        const QSignalBlocker block(bar);
        bar->setRange(0, kScrollSteps - page);
        bar->setPageStep(page);
        bar->setSingleStep(std::max(1, page / 10));
        bar->setValue(std::clamp(int(std::lround(kScrollSteps * offset / span)), 0, kScrollSteps - page));
    };
    const bool showH = show && homeX.size() > 0;
    const bool showV = show && zoomYSet && zoomBand < int(homeY.size()) && homeY[std::size_t(zoomBand)].size() > 0;
    if (showH)
        place(hbar, homeX, zoomX, false);
    if (showV)
        place(vbar, homeY[std::size_t(zoomBand)], zoomY, true);
    hbar->setVisible(showH);
    vbar->setVisible(showV);
}

void ChartControl::Impl::zoomTo(const QRect &r)
{
    if (pressBand < 0 || pressBand >= int(rects.size()))
        return;
    const int mode = q->m_model.options().zoomMode;
    const bool inX = mode == 1 || mode == 3;
    const bool inY = mode == 2 || mode == 3;
    QCPAxisRect *rect = rects[std::size_t(pressBand)];
    QCPAxis *x = rect->axis(QCPAxis::atBottom);
    QCPAxis *y = rect->axis(QCPAxis::atLeft);
    bool changed = false;
    if (inX && r.width() >= 2) {
        const QCPRange next = ordered(x->pixelToCoord(r.left()), x->pixelToCoord(r.right()));
        if (QCPRange::validRange(next)) {
            zoomX = next;
            changed = true;
        }
    }
    if (inY && r.height() >= 2) {
        const QCPRange next = ordered(y->pixelToCoord(r.bottom()), y->pixelToCoord(r.top()));
        if (QCPRange::validRange(next)) {
            zoomY = next;
            zoomBand = pressBand;
            zoomYSet = true;
            changed = true;
        }
    }
    if (!changed)
        return;
    if (!zoomed && !(inX && r.width() >= 2))
        zoomX = x->range();
    zoomed = true;
    applyRanges();
    updateBars();
    replot();
    emit q->zoomedIn();
}

// --- mouse -------------------------------------------------------------------------------------

int ChartControl::Impl::bandAt(const QPoint &pos) const
{
    for (std::size_t b = 0; b < rects.size(); ++b)
        if (rects[b]->rect().contains(pos))
            return int(b);
    return -1;
}

int ChartControl::Impl::annotationAt(const QPoint &pos) const
{
    // The last drawn lies on top.
    for (auto it = annotations.rbegin(); it != annotations.rend(); ++it) {
        if (it->cross && it->cross->selectTest(pos, false, nullptr) <= kHitTolerance - 2)
            return it->slot;
        if (it->text) {
            const double d = it->text->selectTest(pos, false, nullptr);
            if (d >= 0 && d < plot->selectionTolerance())
                return it->slot;
        }
    }
    return -1;
}

bool ChartControl::Impl::dataPointAt(const QPoint &pos, int &seriesOut, int &pointOut) const
{
    const int band = bandAt(pos);
    if (band < 0)
        return false;
    const ChartModel &m = q->m_model;
    const QCPAxis *x = rects[std::size_t(band)]->axis(QCPAxis::atBottom);
    const QCPAxis *y = rects[std::size_t(band)]->axis(QCPAxis::atLeft);
    double best = kHitTolerance * kHitTolerance + 1;
    bool found = false;
    for (int s = 0; s < m.seriesCount(); ++s) {
        if (m.bandOfSeries(s) != band)
            continue;
        for (int p = 0; p < m.pointCount(); ++p) {
            const float v = m.getY(s, p);
            const double key = keyOf(m.getX(s, p));
            if (!std::isfinite(v) || v == m.nullY() || !std::isfinite(key))
                continue;
            const double dx = x->coordToPixel(key) - pos.x();
            if (std::abs(dx) > kHitTolerance)
                continue;
            const double dy = y->coordToPixel(v) - pos.y();
            const double d = dx * dx + dy * dy;
            if (d < best) {
                best = d;
                seriesOut = s;
                pointOut = p;
                found = true;
            }
        }
    }
    return found;
}

void ChartControl::Impl::hotSpots(const QPoint &pos, bool doubleClick)
{
    const QPointer<ChartControl> alive(q);
    const ChartOptions &o = q->m_model.options();
    if (o.annotationHotSpots) {
        const int slot = annotationAt(pos);
        if (slot >= 0) {
            emit q->graphAnnotHotSpot(doubleClick, slot);
            if (!alive)
                return;
        }
    }
    int s = 0, p = 0;
    if (q->m_model.options().dataHotSpots && dataPointAt(pos, s, p)) {
        emit q->dataHotSpot(doubleClick, s, p);
        if (!alive)
            return;
    }
    if (q->m_model.options().graphHotSpots && bandAt(pos) >= 0)
        emit q->graphHotSpot();
}

void ChartControl::Impl::press(const QPoint &pos)
{
    q->m_mouse = plot->mapTo(q, pos);
    pressed = true;
    dragging = false;
    pressPos = pos;
    pressBand = bandAt(pos);
}

void ChartControl::Impl::mouseEvent(QEvent *event)
{
    auto *me = static_cast<QMouseEvent *>(event);
    const QPoint pos = me->position().toPoint();
    const QPointer<ChartControl> alive(q);
    ensureLayout();
    switch (event->type()) {
    case QEvent::MouseMove: {
        q->m_mouse = plot->mapTo(q, pos);
        if (pressed && !dragging && q->m_model.options().zoomMode != 0 && pressBand >= 0
            && (pos - pressPos).manhattanLength() > kDragThreshold)
            dragging = true;
        if (dragging) {
            rubber->setGeometry(QRect(pressPos, pos).normalized() & rects[std::size_t(pressBand)]->rect());
            rubber->show();
        }
        emit q->mouseMoved();
        break;
    }
    case QEvent::MouseButtonPress:
        if (me->button() == Qt::LeftButton)
            press(pos);
        break;
    case QEvent::MouseButtonRelease:
        if (me->button() != Qt::LeftButton || !pressed)
            break;
        pressed = false;
        q->m_mouse = plot->mapTo(q, pos);
        if (dragging) {
            dragging = false;
            rubber->hide();
            zoomTo(QRect(pressPos, pos).normalized() & rects[std::size_t(pressBand)]->rect());
        } else if (afterDoubleClick) {
            afterDoubleClick = false; // the second release of a double click is no click
        } else {
            emit q->clicked();
            if (alive)
                hotSpots(pos, false);
        }
        break;
    case QEvent::MouseButtonDblClick:
        if (me->button() == Qt::LeftButton) {
            press(pos);
            afterDoubleClick = true;
            hotSpots(pos, true);
        }
        break;
    default:
        break;
    }
}

// --- drawing -------------------------------------------------------------------------------------

void ChartControl::Impl::ensureLayout(bool force)
{
    if (plot->viewport() != plot->rect())
        plot->setViewport(plot->rect());
    if (!force && laidOut == plot->viewport())
        return;
    QCPLayoutGrid *l = plot->plotLayout();
    l->setOuterRect(plot->viewport());
    l->update(QCPLayoutElement::upPreparation);
    l->update(QCPLayoutElement::upMargins);
    l->update(QCPLayoutElement::upLayout);
    laidOut = plot->viewport();
}

// The bands' shares are shares of the plotting height: the rows get the share plus their
// own margins (the bottom band carries the X labels), so the plots come out in proportion.
void ChartControl::Impl::balanceBands(const QRect &outer)
{
    if (!bandGrid || rects.size() < 2 || outer.isEmpty())
        return;
    QCPLayoutGrid *l = plot->plotLayout();
    l->setOuterRect(outer);
    l->update(QCPLayoutElement::upPreparation);
    l->update(QCPLayoutElement::upMargins);
    l->update(QCPLayoutElement::upLayout);
    double total = 0, margins = 0;
    for (QCPAxisRect *r : rects) {
        total += r->outerRect().height();
        margins += r->margins().top() + r->margins().bottom();
    }
    const double inner = total - margins;
    if (inner <= 0)
        return;
    QList<double> rows;
    for (std::size_t b = 0; b < rects.size(); ++b)
        rows << std::max(layout.shares[b] * inner + rects[b]->margins().top() + rects[b]->margins().bottom(), 1.0);
    bandGrid->setRowStretchFactors(rows);
    laidOut = QRect(); // laid out with the old factors
}

void ChartControl::Impl::replot()
{
    if (plot->viewport() != plot->rect())
        plot->setViewport(plot->rect());
    balanceBands(plot->viewport());
    ensureLayout(true);
    // The whole plot at the next paint; segments waiting for it are part of it.
    pictureValid = false;
    appendedArea = QRegion();
    for (SeriesView &v : series)
        v.appended = {};
    plot->update();
}

// --- ChartControl ------------------------------------------------------------------------------

ChartControl::ChartControl(QWidget *parent) : QWidget(parent), d(std::make_unique<Impl>(this))
{
    auto *chartPlot = new ChartPlot(this);
    chartPlot->paint = [this](QPaintEvent *event) { d->paint(event); };
    d->chartPlot = chartPlot;
    m_plot = chartPlot;
    m_plot->setObjectName(QStringLiteral("chartPlot"));
    m_plot->setInteractions(QCP::Interactions());
    m_plot->setAutoAddPlottableToLegend(false);
    m_plot->setPlottingHint(QCP::phFastPolylines, true);
    m_plot->setPlottingHint(QCP::phCacheLabels, true);
    // The curves between the grid and what lies over them (the grid and axes of the
    // bands, the annotations). No layer keeps a picture of its own: the plot is drawn
    // onto the screen (ChartPlot).
    m_plot->addLayer(QStringLiteral("data"), m_plot->layer(QStringLiteral("main")), QCustomPlot::limBelow);
    for (int i = 0; i < m_plot->layerCount(); ++i)
        m_plot->layer(i)->setMode(QCPLayer::lmLogical);
    m_plot->setMouseTracking(true);
    m_plot->installEventFilter(this);
    d->plot = m_plot;
    d->dateTicker = QSharedPointer<QCPAxisTickerDateTime>::create();
    d->dateTicker->setDateTimeSpec(Qt::UTC);
    d->numberTicker = QSharedPointer<QCPAxisTicker>::create();

    d->hbar = new QScrollBar(Qt::Horizontal, this);
    d->hbar->setObjectName(QStringLiteral("chartHScroll"));
    d->vbar = new QScrollBar(Qt::Vertical, this);
    d->vbar->setObjectName(QStringLiteral("chartVScroll"));
    d->hbar->hide();
    d->vbar->hide();
    d->rubber = new QRubberBand(QRubberBand::Rectangle, m_plot);
    d->rubber->hide();

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    grid->addWidget(m_plot, 0, 0);
    grid->addWidget(d->vbar, 0, 1);
    grid->addWidget(d->hbar, 1, 0);

    connect(d->hbar, &QScrollBar::valueChanged, this, [this](int v) {
        const double span = d->zoomX.size();
        const double lower = d->homeX.lower + d->homeX.size() * v / kScrollSteps;
        d->zoomX = QCPRange(lower, lower + span);
        d->applyRanges();
        d->replot();
    });
    connect(d->vbar, &QScrollBar::valueChanged, this, [this](int v) {
        if (d->zoomBand >= int(d->homeY.size()))
            return;
        const QCPRange &home = d->homeY[std::size_t(d->zoomBand)];
        const double span = d->zoomY.size();
        const double upper = home.upper - home.size() * v / kScrollSteps;
        d->zoomY = QCPRange(upper - span, upper);
        d->applyRanges();
        d->replot();
    });

    setCursorShape(kCursorArrow);
    redraw();
}

ChartControl::~ChartControl() = default;

void ChartControl::redraw()
{
    if (!d->layoutBuilt || d->wantedLayout() != d->layout)
        d->buildLayout();
    d->refreshData();
    d->applyLook();
    d->applyRanges();
    d->syncItems();
    d->updateBars();
    d->replot();
}

void ChartControl::redrawData()
{
    if (!d->layoutBuilt || d->wantedLayout() != d->layout || m_plot->viewport() != m_plot->rect()
        || d->itemsValid == false || m_model.annotationRevision() != d->items.revision) {
        redraw();
        return;
    }
    const auto ranges = [this] {
        std::vector<QCPRange> r;
        for (QCPAxisRect *rect : d->rects) {
            r.push_back(rect->axis(QCPAxis::atBottom)->range());
            r.push_back(rect->axis(QCPAxis::atLeft)->range());
        }
        return r;
    };
    const std::vector<QCPRange> before = ranges();
    d->refreshData();
    d->applyRanges();
    if (ranges() != before) {
        redraw();
        return;
    }
    if (!d->queueAppended())
        d->replot();
}

void ChartControl::reinitialize()
{
    d->layoutBuilt = false;
    setCursorShape(m_model.cursorShape()); // a template or a loaded chart brings its own
    redraw();
}

void ChartControl::setZoomMode(int mode) { m_model.options().zoomMode = mode; }

void ChartControl::setScrollingZoom(bool on)
{
    m_model.options().scrollingZoom = on;
    d->updateBars();
}

void ChartControl::setCursorShape(int shape)
{
    m_model.setCursorShape(shape);
    if (shape == kCursorText)
        m_plot->setCursor(Qt::IBeamCursor);
    else if (shape == kCursorCustom && d->hasCustomCursor)
        m_plot->setCursor(d->customCursor);
    else
        m_plot->setCursor(Qt::ArrowCursor);
}

void ChartControl::setCursor(const QCursor &cursor)
{
    d->customCursor = cursor;
    d->hasCustomCursor = true;
    setCursorShape(kCursorCustom);
}

QRect ChartControl::plotRect() const
{
    d->ensureLayout();
    QRect r;
    for (QCPAxisRect *a : d->rects)
        r = r.isNull() ? a->rect() : r.united(a->rect());
    return r.translated(m_plot->pos());
}

QPointF ChartControl::pixelToValue(int band, int x, int y) const
{
    if (d->rects.empty())
        return {};
    d->ensureLayout();
    QCPAxisRect *r = d->rects[std::size_t(std::clamp(band, 0, int(d->rects.size()) - 1))];
    const QPoint p = QPoint(x, y) - m_plot->pos();
    return {d->xOf(r->axis(QCPAxis::atBottom)->pixelToCoord(p.x())), r->axis(QCPAxis::atLeft)->pixelToCoord(p.y())};
}

void ChartControl::undoZoom()
{
    d->zoomed = false;
    d->zoomYSet = false;
    d->applyRanges();
    d->updateBars();
    d->replot();
}

bool ChartControl::zoomed() const { return d->zoomed; }

ChartSettingsDialog *ChartControl::createSettingsDialog()
{
    return new ChartSettingsDialog(m_model, d->dialogs(), this);
}

void ChartControl::setDialogs(Dialogs *dialogs) { d->external = dialogs; }

void ChartControl::customize()
{
    const QPointer<ChartControl> alive(this);
    std::unique_ptr<ChartSettingsDialog> dialog(createSettingsDialog());
    const int result = d->dialogs().execDialog(*dialog);
    if (!alive) {
        dialog.release(); // went with its parent
        return;
    }
    if (result == QDialog::Accepted) {
        dialog->apply(m_model);
        m_customizeResult = 1;
        reinitialize();
    } else {
        m_customizeResult = 0;
    }
    dialog.reset();
    emit customizeDialogClosed();
}

void ChartControl::printDialog(Dialogs &dialogs)
{
    // Screen resolution keeps the chart's proportions and font sizes; the output stays
    // vector graphics.
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    printDialog(dialogs, printer);
}

void ChartControl::printDialog(Dialogs &dialogs, QPrinter &printer)
{
    if (!dialogs.print(this, printer))
        return;
    // Laid out at screen resolution, whatever the chosen printer's: the chart keeps its
    // proportions and font sizes; the output stays vector graphics.
    QPrinter out(QPrinter::ScreenResolution);
    out.setPrinterName(printer.printerName());
    out.setOutputFormat(printer.outputFormat());
    out.setOutputFileName(printer.outputFileName());
    out.setPageLayout(printer.pageLayout());
    out.setCopyCount(printer.copyCount());
    out.setColorMode(printer.colorMode());
    out.setDuplex(printer.duplex());
    redraw();
    QCPPainter painter;
    if (!painter.begin(&out))
        return; // the printing service reports its own failures
    painter.setMode(QCPPainter::pmVectorized);
    const QRect page = out.pageLayout().paintRectPixels(out.resolution());
    d->balanceBands(QRect(0, 0, std::max(1, page.width()), std::max(1, page.height())));
    m_plot->toPainter(&painter, std::max(1, page.width()), std::max(1, page.height()));
    d->balanceBands(m_plot->rect());
    painter.end();
    d->ensureLayout(true);
}

void ChartControl::render(QPainter &painter, const QRect &target)
{
    if (target.width() <= 0 || target.height() <= 0)
        return;
    redraw();
    // Laid out at screen proportions, drawn at up to four times that for the target.
    const double dpi = painter.device() ? painter.device()->logicalDpiX() : 96;
    const double scale = std::clamp(dpi / 96.0, 1.0, 16.0);
    const int w = std::max(1, int(target.width() / scale));
    const int h = std::max(1, int(target.height() / scale));
    const double detail = std::clamp(std::min(target.width() / double(w), target.height() / double(h)), 1.0, 4.0);
    d->balanceBands(QRect(0, 0, w, h));
    const QPixmap picture = m_plot->toPixmap(w, h, detail);
    d->balanceBands(m_plot->rect());
    d->ensureLayout(true);
    painter.drawPixmap(target, picture);
}

QImage ChartControl::toImage(const QSize &size)
{
    if (size.width() <= 0 || size.height() <= 0)
        return {};
    redraw();
    d->balanceBands(QRect(QPoint(0, 0), size));
    const QImage image = m_plot->toPixmap(size.width(), size.height()).toImage();
    d->balanceBands(m_plot->rect());
    d->ensureLayout(true);
    return image;
}

bool ChartControl::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_plot) {
        switch (event->type()) {
        case QEvent::Resize:
            d->balanceBands(m_plot->rect());
            break;
        case QEvent::MouseMove:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            d->mouseEvent(event);
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ChartControl::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    d->rubber->hide();
    d->dragging = false;
}

} // namespace qx
