#include "ChartControl.h"

#include "ChartSettingsDialog.h"
#include "ui/Dialogs.h"
#include "graph/BgrColor.h"
#include "meter/DayCount.h"

#include <qcustomplot.h>

#include <QGridLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <QRubberBand>
#include <QScrollBar>

#include <bit>
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

// The entries behind one graph. The chart writes them directly so that a refresh can drop
// and rebuild only the tail that changed.
class SeriesData : public QCPGraphDataContainer {
public:
    void truncate(int entries) { mData.resize(mPreallocSize + entries); }
    void push(double key, double value) { mData.append(QCPGraphData(key, value)); }
    double lastKey() const { return (mData.constEnd() - 1)->key; }
};

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

struct SeriesView {
    QCPGraph *graph = nullptr;
    QSharedPointer<SeriesData> data;
    std::vector<int> entriesBefore; // entries made from the points before point p
    bool sorted = true;
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

class ChartControl::Impl {
public:
    explicit Impl(ChartControl *control) : q(control) {}

    ChartModel &model() { return q->m_model; }
    bool dateX() const { return q->m_model.dateTimeMode() == 1; }
    double keyOf(double x) const { return dateX() ? (x - kUnixEpochDay) * kSecondsPerDay : x; }
    double xOf(double key) const { return dateX() ? key / kSecondsPerDay + kUnixEpochDay : key; }
    Dialogs &dialogs() { return external ? *external : own; }
    QFont baseFont() const;

    void buildLayout();
    LayoutKey wantedLayout() const;
    void refreshData();
    void refreshSeries(SeriesView &v, int series, int first, int count, bool full);
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
    plot->clearGraphs();
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

    for (int s = 0; s < layout.seriesCount; ++s) {
        QCPAxisRect *r = rects[std::size_t(std::clamp(layout.bandOfSeries[std::size_t(s)], 0, int(rects.size()) - 1))];
        SeriesView v;
        v.graph = plot->addGraph(r->axis(QCPAxis::atBottom), r->axis(QCPAxis::atLeft));
        v.data = QSharedPointer<SeriesData>::create();
        v.graph->setData(v.data);
        v.graph->setAdaptiveSampling(true);
        v.graph->setLineStyle(QCPGraph::lsLine);
        v.graph->setAntialiased(false);
        v.graph->setLayer(QStringLiteral("data"));
        series.push_back(std::move(v));
    }
    if (zoomBand >= int(rects.size()))
        zoomYSet = false;
    layoutBuilt = true;
    dataValid = false;
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
    for (int s = 0; s < int(series.size()); ++s)
        refreshSeries(series[std::size_t(s)], s, first, count, full);
    dataValid = true;
    shownRevision = m.dataRevision();
    shownPoints = count;
    shownNull = nullBits;
    shownGap = m.lineGapThreshold();
    shownDateX = dateX();
}

void ChartControl::Impl::refreshSeries(SeriesView &v, int s, int first, int count, bool full)
{
    const ChartModel &m = q->m_model;
    if (full || !v.sorted || std::size_t(first) >= v.entriesBefore.size())
        first = 0;
    if (first == 0) {
        v.data->clear();
        v.sorted = true;
    } else {
        v.data->truncate(v.entriesBefore[std::size_t(first)]);
    }
    v.entriesBefore.resize(std::size_t(count) + 1);

    const float nullY = m.nullY();
    const double gap = dateX() ? m.lineGapThreshold() * kSecondsPerDay : m.lineGapThreshold();
    const auto isNull = [&](int p) {
        const float y = m.getY(s, p);
        return !std::isfinite(y) || y == nullY || !std::isfinite(keyOf(m.getX(s, p)));
    };
    bool have = !v.data->isEmpty();
    double lastKey = have ? v.data->lastKey() : 0;
    // A null point, or a jump in X beyond the threshold, breaks the line: a NaN entry
    // goes in before the next point drawn.
    bool pending = have && first > 0 && isNull(first - 1);
    // Points after the series' last value draw nothing: no need to read them one by one.
    const int end = std::clamp(m.lastValuePoint(s) + 1, first, count);
    for (int p = first; p < end; ++p) {
        v.entriesBefore[std::size_t(p)] = v.data->size();
        const float y = m.getY(s, p);
        // The Y first: a recording's planned points ahead are null and need no X.
        const double key = std::isfinite(y) && y != nullY ? keyOf(m.getX(s, p)) : 0.0;
        if (!std::isfinite(y) || y == nullY || !std::isfinite(key)) {
            pending = have;
            continue;
        }
        if (have) {
            if (pending || std::abs(key - lastKey) > gap)
                v.data->push(lastKey, std::numeric_limits<double>::quiet_NaN());
            if (key < lastKey)
                v.sorted = false;
        }
        v.data->push(key, double(y));
        lastKey = key;
        have = true;
        pending = false;
    }
    std::fill(v.entriesBefore.begin() + end, v.entriesBefore.end(), v.data->size());
    if (!v.sorted)
        v.data->sort(); // the entries no longer follow the points: the next refresh is whole
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
        QCPGraph *g = series[std::size_t(s)].graph;
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
    plot->replot(QCustomPlot::rpRefreshHint);
    laidOut = plot->viewport();
}

// --- ChartControl ------------------------------------------------------------------------------

ChartControl::ChartControl(QWidget *parent) : QWidget(parent), d(std::make_unique<Impl>(this))
{
    m_plot = new QCustomPlot(this);
    m_plot->setObjectName(QStringLiteral("chartPlot"));
    m_plot->setInteractions(QCP::Interactions());
    m_plot->setAutoAddPlottableToLegend(false);
    m_plot->setPlottingHint(QCP::phFastPolylines, true);
    m_plot->setPlottingHint(QCP::phCacheLabels, true);
    // The curves have a picture of their own, under the annotations: new samples redraw
    // only it while the scales stay (redrawData).
    m_plot->addLayer(QStringLiteral("data"), m_plot->layer(QStringLiteral("main")), QCustomPlot::limBelow);
    m_plot->layer(QStringLiteral("data"))->setMode(QCPLayer::lmBuffered);
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
    m_plot->layer(QStringLiteral("data"))->replot();
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
