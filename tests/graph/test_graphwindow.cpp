// Graph windows in the running program: preparing the chart from the template, the
// statistics annotations, the Y-axis dialog and the close questions.
#include "graph/ChartFile.h"
#include "graph/ChartSetup.h"
#include "graph/ChartSettingsDialog.h"
#include "graph/GraphDialogs.h"
#include "graph/TfrmGraph.h"
#include "meter/DayCount.h"
#include "meter/Formats.h"
#include "graph/RealTimeController.h"
#include "logger/DataLoggerController.h"
#include "support/GraphRig.h"
#include "support/MainHarness.h"

#include <qcustomplot.h>

#include <QCheckBox>
#include <QScreen>
#include <functional>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QTableWidget>
#include <QToolButton>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTemporaryDir>
#include <QSignalSpy>
#include <QTest>

using namespace qx;
using namespace qx::test;

namespace {

using Rig = GraphRig;

// One red series over X 0 to 10 on black, manual scales 0 … 100, shown at 400 × 300.
void drawLine(ChartControl &c, const std::function<float(int)> &y)
{
    c.resize(400, 300);
    c.show();
    ChartModel &m = c.model();
    m.setSeriesCount(1);
    m.setPointCount(11);
    for (int p = 0; p <= 10; ++p) {
        m.setX(0, p, p);
        m.setY(0, p, y(p));
    }
    m.setAxisSeries(-1, 0);
    m.setColors(0x008000, 0x000000, 0xC0C0C0, 0x000000);
    m.setSeriesColor(0, 0x0000FF);
    m.setScaleModeX(kScaleManual);
    m.setMinX(0);
    m.setMaxX(10);
    m.setScaleModeY(kScaleManual);
    m.setMinY(0);
    m.setMaxY(100);
    c.reinitialize();
}

// Four channels of a recording every two seconds from `start`.
void fillChart(ChartModel &m, int points, double start)
{
    m.setPointCount(points);
    for (int p = 0; p < points; ++p)
        for (int s = 0; s < 4; ++s) {
            m.setX(s, p, start + p * 2 / 86400.0);
            m.setY(s, p, float(10 * s + p % 7));
        }
}

// Four channels of `points` points at X 0, 1, 2 … with Y from `y(series, point)`, split
// into four bands of -10 to 50, drawn at 900 × 600 over X `from` to `to`.
void drawChannels(ChartControl &c, int points, const std::function<float(int, int)> &y, double from, double to)
{
    c.resize(900, 600);
    c.show();
    ChartModel &m = c.model();
    m = defaultChartTemplate();
    m.setDateTimeMode(0);
    m.setPointCount(points);
    for (int p = 0; p < points; ++p)
        for (int s = 0; s < 4; ++s) {
            m.setX(s, p, p);
            m.setY(s, p, y(s, p));
        }
    m.setScaleModeX(kScaleManual);
    m.setMinX(from);
    m.setMaxX(to);
    c.reinitialize();
}

// A noise of its own, the same at every run: -1 to 1.
float noise(int s, int p)
{
    quint32 h = quint32(p) * 2654435761u ^ quint32(s + 1) * 40503u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return float(h % 20001) / 10000.0f - 1.0f;
}

// The chart as drawing every point looks: the chart component's own graph given every
// point, with a NaN where the line breaks (a null point, or a step in X beyond the
// line-gap threshold), in place of the chart's curves. `image` draws it.
QImage everyPointDrawn(ChartControl &c, const std::function<QImage()> &image)
{
    QCustomPlot *plot = c.plot();
    const ChartModel &m = c.model();
    const bool dates = m.dateTimeMode() == 1;
    const double gap = dates ? m.lineGapThreshold() * 86400.0 : m.lineGapThreshold();
    QList<QCPAbstractPlottable *> curves;
    QList<QCPGraph *> graphs;
    for (int i = 0; i < plot->plottableCount(); ++i)
        curves << plot->plottable(i);
    for (int s = 0; s < curves.size(); ++s) {
        QCPAbstractPlottable *curve = curves[s];
        curve->setVisible(false);
        auto *g = new QCPGraph(curve->keyAxis(), curve->valueAxis());
        g->setLayer(curve->layer());
        g->setPen(curve->pen());
        g->setAntialiased(false);
        g->setAdaptiveSampling(false);
        QVector<double> keys, values;
        bool have = false, pending = false;
        for (int p = 0; p < m.pointCount(); ++p) {
            const float y = m.getY(s, p);
            const double key = dates ? (m.getX(s, p) - 25569.0) * 86400.0 : m.getX(s, p);
            if (!std::isfinite(y) || y == m.nullY() || !std::isfinite(key)) {
                pending = have;
                continue;
            }
            if (have && (pending || std::abs(key - keys.last()) > gap)) {
                keys << keys.last();
                values << qQNaN();
            }
            keys << key;
            values << y;
            have = true;
            pending = false;
        }
        g->setData(keys, values, std::is_sorted(keys.begin(), keys.end()));
        graphs << g;
    }
    plot->replot();
    const QImage picture = image();
    for (QCPGraph *g : graphs)
        plot->removePlottable(g);
    for (QCPAbstractPlottable *curve : curves)
        curve->setVisible(true);
    plot->replot();
    return picture;
}

// What the screen shows of the chart's plot once the paints asked for are done: new
// segments are painted over what is there, so this is not what a grab draws afresh.
QImage onScreen(ChartControl &c)
{
    QApplication::processEvents();
    QWidget *plot = c.plot();
    const QPoint at = plot->mapTo(plot->window(), QPoint(0, 0));
    return plot->screen()
        ->grabWindow(plot->window()->winId(), at.x(), at.y(), plot->width(), plot->height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// Pixels of `a` not within one pixel of a pixel of the same colour in `b`.
int strayPixels(const QImage &a, const QImage &b)
{
    int stray = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            if (a.pixel(x, y) == b.pixel(x, y))
                continue;
            bool near = false;
            for (int dy = -1; dy <= 1 && !near; ++dy)
                for (int dx = -1; dx <= 1 && !near; ++dx)
                    near = b.valid(x + dx, y + dy) && b.pixel(x + dx, y + dy) == a.pixel(x, y);
            stray += !near;
        }
    return stray;
}

// Pixels in the colours of the template's four series: blue, cyan, green and magenta.
int curvePixels(const QImage &image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y) & 0xFFFFFF;
            n += c == 0x0000FF || c == 0x00FFFF || c == 0x00FF00 || c == 0xFF00FF;
        }
    return n;
}

void mouse(QWidget *plot, QEvent::Type type, QPoint pos)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent e(type, QPointF(pos), QPointF(plot->mapToGlobal(pos)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(plot, &e);
}

void click(QWidget *plot, QPoint pos)
{
    mouse(plot, QEvent::MouseButtonPress, pos);
    mouse(plot, QEvent::MouseButtonRelease, pos);
}

void doubleClick(QWidget *plot, QPoint pos)
{
    click(plot, pos);
    mouse(plot, QEvent::MouseButtonDblClick, pos);
    mouse(plot, QEvent::MouseButtonRelease, pos);
}

} // namespace

using ChannelValues = std::function<float(int, int)>;
Q_DECLARE_METATYPE(ChannelValues)

class TestGraphWindow : public QObject {
    Q_OBJECT
private slots:
    void missingTemplateIsReportedEachTime()
    {
        Rig rig;
        QVERIFY(rig.realTime());
        const QString expected = missingTemplateMessage(chartTemplatePath(rig.folder.path()));
        QCOMPARE(rig.h.dialogs.messages(), QStringList{expected});
        QVERIFY(rig.realTime()->findChild<QCheckBox *>("chkSplit")->isChecked());
        rig.closeRealTime();
        QVERIFY(!rig.h.main->realTimeGraph());
        QVERIFY(!rig.realTime());
        QVERIFY(!rig.h.action("RealTimeGraph1")->isChecked());
        rig.h.action("RealTimeGraph1")->trigger();
        QVERIFY(rig.realTime());
        QCOMPARE(rig.h.dialogs.messages(), QStringList({expected, expected}));
    }

    void templateDecidesTheSplit()
    {
        Rig rig(true, false);
        QVERIFY(rig.h.dialogs.messages().isEmpty());
        TfrmGraph *g = rig.realTime();
        QVERIFY(!g->findChild<QCheckBox *>("chkSplit")->isChecked());
        QVERIFY(g->findChild<QWidget *>("ToolButton5")->isEnabled());
        QVERIFY(g->findChild<QWidget *>("ToolButton9")->isEnabled());
        QVERIFY(g->findChild<QWidget *>("tbntClr")->isVisible());
        QVERIFY(g->findChild<QWidget *>("pnlSamplingRate")->isEnabled());
        QCOMPARE(g->secondsBox()->currentText(), QString("02"));
        // The chart spans 110 s from now and holds 100 empty points.
        QCOMPARE(g->model().pointCount(), 100);
        QCOMPARE(g->model().getY(2, 50), kDefaultNullY);
        QVERIFY(std::abs((g->model().getMaxX() - g->model().getMinX()) * 86400 - 110) < 0.01);
    }

    void statisticsAnnotationsTakeConsecutiveSlots()
    {
        Rig rig(true);
        TfrmGraph *g = rig.realTime();
        QPushButton *b = g->findChild<QPushButton *>("Button2");
        b->click();
        b->click();
        QCOMPARE(rig.h.program->annotations().counter, 11);
        for (int slot = 4; slot <= 11; ++slot) {
            const Annotation a = g->model().annotation(slot);
            QVERIFY2(a.text.startsWith(QString("T%1 MAX:").arg((slot - 4) % 4 + 1)), qPrintable(a.text));
            QVERIFY(a.text.contains("MIN:") && a.text.contains("MOY:"));
        }
    }

    void yAxisDialog()
    {
        Rig rig(true);
        TfrmGraph *g = rig.realTime();
        g->model().setWorkingAxis(1);
        g->model().setMinY(-10.5);
        g->model().setMaxY(49.9);
        // OK without editing: every limit cut toward zero.
        rig.h.dialogs.answerDialog([](QDialog &) { return int(QDialog::Accepted); });
        g->findChild<QPushButton *>("btnChangeScale")->click();
        g->model().setWorkingAxis(1);
        QCOMPARE(g->model().getMinY(), -10.0);
        QCOMPARE(g->model().getMaxY(), 49.0);
        // Two invalid fields: the message names T1 MIN, the last one read.
        rig.h.dialogs.answerDialog([](QDialog &d) {
            auto &s = static_cast<TfrmSetupScale &>(d);
            s.minEdit(0)->setText("moins");
            s.maxEdit(3)->setText("plus");
            s.saveBox()->setChecked(true);
            return int(QDialog::Accepted);
        });
        const QDateTime before = QFileInfo(chartTemplatePath(rig.folder.path())).lastModified();
        g->findChild<QPushButton *>("btnChangeScale")->click();
        QCOMPARE(rig.h.dialogs.messages().last(), QString("moins Est invalide."));
        g->model().setWorkingAxis(1);
        QCOMPARE(g->model().getMinY(), -10.0);
        QCOMPARE(QFileInfo(chartTemplatePath(rig.folder.path())).lastModified(), before);
    }

    void layoutAndKinds()
    {
        Rig rig(true);
        TfrmGraph *rt = rig.realTime();
        for (const char *name : {"ToolBar1", "ToolButton1", "ToolButton2", "ToolButton4", "ToolButton5", "ToolButton9",
                                 "ToolButton15", "tbntClr", "UndoZoom", "chkSplit", "Button1", "btnChangeScale",
                                 "Button3", "pnlGraphStatistic", "txtStartTime", "pnlSamplingRate", "ComboBox1",
                                 "ComboBox2", "txtDataNo", "Button2", "PESGraph1", "Panel12", "pnlStatistic",
                                 "txtT4Avg", "pnlDataSets", "StaticText1", "Grid2"})
            QVERIFY2(rt->findChild<QObject *>(name), name);
        QCOMPARE(rt->readout()->size(), QSize(167, 21));
        QCOMPARE(rt->findChild<QWidget *>("pnlStatistic")->height(), 130);
        QCOMPARE(rt->minutesBox()->count(), 61);
        QCOMPARE(rt->maxField(2)->text(), QString("***.* "));
        QVERIFY(!rt->findChild<QWidget *>("UndoZoom")->isEnabled());
        QVERIFY(!rt->dataSetPanel()->isVisible());

        TfrmGraph *logger = createGraphWindow(rig.h.program->context(), GraphKind::DataLogger, kDataLoggerCaption);
        QVERIFY(logger->isDataLogger() && !logger->isRealTime());
        QVERIFY(logger->dataSetPanel()->isVisible());
        QVERIFY(!logger->findChild<QWidget *>("tbntClr")->isVisible());
        QVERIFY(!logger->findChild<QWidget *>("pnlSamplingRate")->isEnabled());
        const QTableWidget *grid = logger->dataSetGrid();
        QCOMPARE(grid->columnCount(), 11);
        QCOMPARE(grid->horizontalHeaderItem(3)->text(), QString("Echantillonnage"));
        QCOMPARE(grid->columnWidth(3), 65);
        QCOMPARE(grid->horizontalHeaderItem(10)->text(), QString("T4 Offset"));
        QCOMPARE(grid->columnWidth(0), 25);

        // The strip toggles: ToolButton2 also hides the chart's vertical lines.
        rt->findChild<QToolButton *>("ToolButton2")->click();
        QVERIFY(!rt->findChild<QWidget *>("pnlStatistic")->isVisible());
        QVERIFY(!rt->model().showVertLines());
        rt->findChild<QToolButton *>("ToolButton1")->click();
        QVERIFY(!rt->findChild<QWidget *>("pnlGraphStatistic")->isVisible());
    }

    void chartDrawsItsPoints()
    {
        // A red line at 50 over X 0 to 10 on black, with point 5 null: the line breaks there.
        ChartControl c;
        drawLine(c, [](int p) { return p == 5 ? kDefaultNullY : 50.0f; });
        const QRect r = c.plotRect();
        QVERIFY(r.width() > 200 && r.height() > 150);
        const QImage img = c.toImage(c.plot()->size());
        const auto column = [&](double x) { return r.left() + int(x / 10 * r.width()); };
        const int lineRow = r.top() + r.height() / 2;
        const auto redNear = [&](int col, int from, int to) {
            for (int y = from; y <= to; ++y)
                if (img.pixelColor(col, y) == QColor(Qt::red))
                    return true;
            return false;
        };
        QVERIFY(redNear(column(2.5), lineRow - 2, lineRow + 2));
        QVERIFY(redNear(column(7.5), lineRow - 2, lineRow + 2));
        QVERIFY(!redNear(column(5), r.top(), r.bottom())); // the null point is not drawn
        QCOMPARE(img.pixelColor(column(1.3), r.top() + int(r.height() * 0.27)), QColor(Qt::black)); // 73, off the grid
        QCOMPARE(img.pixelColor(2, 2), QColor(0xC0, 0xC0, 0xC0));
    }

    // New points painted over the chart on screen look exactly as after a whole redraw,
    // both while the scales stay and when a point moves an automatic scale.
    void dataRedrawMatchesAWholeRedraw()
    {
        ChartControl c;
        drawLine(c, [](int p) { return p < 6 ? float(10 * p) : kDefaultNullY; });
        ChartModel &m = c.model();
        const QImage before = onScreen(c);
        for (int p = 6; p <= 9; ++p) {
            m.setY(0, p, float(10 * p));
            c.redrawData();
        }
        const QImage added = onScreen(c);
        QVERIFY(added != before);
        c.redraw();
        QCOMPARE(onScreen(c), added);

        m.setScaleModeY(kScaleAutomatic);
        c.redraw();
        m.setY(0, 10, 400.0f); // beyond the data so far: the scale follows
        c.redrawData();
        const QImage rescaled = onScreen(c);
        c.redraw();
        QCOMPARE(onScreen(c), rescaled);
    }

    // However many points fall into a pixel column, the chart lights the pixels drawing
    // every point as a line would light: on screen exactly; in pictures made for export,
    // where lines are drawn at the painter's finer resolution, to within a pixel.
    void curvesLookAsEveryPointDrawn_data()
    {
        QTest::addColumn<int>("points");
        QTest::addColumn<double>("from");
        QTest::addColumn<double>("to");
        QTest::addColumn<double>("gapThreshold");
        using Y = ChannelValues;
        QTest::addColumn<Y>("y");
        const float null = kDefaultNullY;
        QTest::newRow("smooth") << 100'000 << 0.0 << 100'000.0 << 1e20
                                << Y([](int s, int p) { return float(20 + 20 * std::sin(p / (2000.0 + 300 * s))); });
        QTest::newRow("noisy") << 100'000 << 0.0 << 100'000.0 << 1e20
                               << Y([](int s, int p) { return float(20 + 10 * std::sin(p / 5000.0) + 15 * noise(s, p)); });
        QTest::newRow("steps of the meter") << 100'000 << 0.0 << 100'000.0 << 1e20
                                            << Y([](int s, int p) { return float(18 + s + (p / 7919 % 5) * 0.1); });
        QTest::newRow("gaps") << 100'000 << 0.0 << 100'000.0 << 1e20 << Y([null](int s, int p) {
            if (p % 37 == s || (p / 500) % 17 == 3 || (s == 2 && p > 60'000))
                return null;
            return float(20 + 10 * std::sin(p / 3000.0) + 8 * noise(s, p));
        });
        QTest::newRow("isolated points between nulls") << 20'000 << 0.0 << 20'000.0 << 1e20
                                                       << Y([null](int s, int p) { return p % 2 ? null : float(10 + 5 * s + 20 * noise(s, p)); });
        QTest::newRow("steps in X beyond the threshold") << 100'000 << 0.0 << 100'000.0 << 0.5
                                                         << Y([](int s, int p) { return float(20 + 15 * noise(s, p / 50)); });
        QTest::newRow("beyond the scale") << 100'000 << 0.0 << 100'000.0 << 1e20 << Y([](int s, int p) {
            return p % 997 == 0 ? float(1000 * noise(s, p)) : float(20 + 40 * std::sin(p / 800.0 + s));
        });
        QTest::newRow("zoomed in: every point drawn") << 100'000 << 40'000.0 << 40'300.0 << 1e20
                                                      << Y([](int s, int p) { return float(20 + 15 * noise(s, p)); });
        QTest::newRow("about a point a pixel") << 3'000 << 1'000.0 << 1'850.0 << 1e20
                                               << Y([](int s, int p) { return float(20 + 25 * noise(s, p)); });
        QTest::newRow("few points") << 7 << -1.0 << 7.0 << 1e20 << Y([](int s, int p) { return float(10 * s + p * 3); });
    }

    void curvesLookAsEveryPointDrawn()
    {
        QFETCH(int, points);
        QFETCH(double, from);
        QFETCH(double, to);
        QFETCH(double, gapThreshold);
        QFETCH(ChannelValues, y);
        ChartControl c;
        drawChannels(c, points, y, from, to);
        if (gapThreshold < 1e20) {
            // Every 50th point a step of 1.5 instead of 1: beyond the threshold.
            for (int p = 0; p < points; ++p)
                for (int s = 0; s < 4; ++s)
                    c.model().setX(s, p, p + (p / 50) * 0.5);
            c.model().setLineGapThreshold(gapThreshold * 2);
        }
        c.redraw();
        const QImage shown = c.plot()->grab().toImage();
        QCOMPARE(shown, everyPointDrawn(c, [&] { return c.plot()->grab().toImage(); }));

        const QSize size(700, 500);
        const QImage exported = c.toImage(size);
        const QImage full = everyPointDrawn(c, [&] { return c.toImage(size); });
        // Exports lose or gain a pixel here and there where a polyline through fewer
        // points passes otherwise: one in five hundred at most lies further than a pixel
        // from its colour.
        const int tolerated = curvePixels(full) / 500;
        QVERIFY2(strayPixels(exported, full) <= tolerated, qPrintable(QString::number(strayPixels(exported, full))));
        QVERIFY2(strayPixels(full, exported) <= tolerated, qPrintable(QString::number(strayPixels(full, exported))));
    }

    // A series whose X does not keep rising is drawn in the order of X, as every point
    // drawn so would be.
    void curveFollowsXWhenItFalls()
    {
        ChartControl c;
        drawChannels(c, 30'000, [](int s, int p) { return float(20 + 20 * noise(s, p)); }, 0, 30'000);
        for (int p = 0; p < 30'000; ++p)
            c.model().setX(1, p, p % 3000 * 10 + p / 3000 + 0.5 * (p % 2)); // ten sweeps, interleaved
        c.redraw();
        QCOMPARE(c.plot()->grab().toImage(), everyPointDrawn(c, [&] { return c.plot()->grab().toImage(); }));
    }

    // Samples appended while the scales stay add their segments to the picture on screen:
    // it ends up as a whole redraw draws it, also where the grid and the axes' ticks lie
    // over the curves and where an annotation stands in their way.
    void appendedSegmentsMatchAWholeRedraw_data()
    {
        QTest::addColumn<int>("recorded");
        QTest::addColumn<float>("level");
        QTest::addColumn<bool>("annotation");
        QTest::newRow("dense, middle of the band") << 60'000 << 20.0f << false;
        QTest::newRow("sparse, over the ticks") << 40 << -9.5f << false;
        QTest::newRow("under an annotation") << 200 << 20.0f << true;
    }

    void appendedSegmentsMatchAWholeRedraw()
    {
        QFETCH(int, recorded);
        QFETCH(float, level);
        QFETCH(bool, annotation);
        ChartControl c;
        const float null = kDefaultNullY;
        const int planned = recorded + 300;
        drawChannels(c, planned, [&](int s, int p) { return p < recorded ? level + 3 * noise(s, p) : null; }, 0, planned);
        if (annotation) {
            c.model().setAnnotationType(3, kAnnotationText);
            c.model().setAnnotationX(3, recorded + 100);
            c.model().setAnnotationY(3, level);
            c.model().setAnnotationText(3, "Here");
            c.redraw();
        }
        const QImage before = onScreen(c);
        for (int p = recorded; p < recorded + 250; ++p) {
            for (int s = 0; s < 4; ++s)
                c.model().setY(s, p, p % 61 == s ? null : level + 3 * noise(s, p));
            c.redrawData();
            if (p % 7 == 0)
                QApplication::processEvents(); // painted now and then, as the poll ticks go
        }
        const QImage appended = onScreen(c);
        QVERIFY(appended != before);
        c.redraw();
        QCOMPARE(appended, onScreen(c));
    }

    void splitBandsShareThePlottingHeight()
    {
        ChartControl c;
        c.resize(500, 600);
        c.show();
        c.model().setSeriesCount(4);
        setChartSplit(c.model(), true);
        c.model().setXAxisLabel("Temps");
        c.reinitialize();
        const QList<QCPAxisRect *> bands = c.plot()->axisRects();
        QCOMPARE(bands.size(), 4);
        // The bottom band carries the X labels outside its plot.
        for (QCPAxisRect *b : bands)
            QVERIFY2(std::abs(b->height() - bands.first()->height()) <= 1, qPrintable(QString::number(b->height())));
    }

    void settingsDialog()
    {
        ChartControl c;
        ScriptedDialogs dialogs;
        c.setDialogs(&dialogs);
        c.model() = defaultChartTemplate();
        fillChart(c.model(), 50, 46000.5);
        c.model().setScaleModeX(kScaleManual);
        c.model().setMinX(46000.5);
        c.model().setMaxX(46000.5 + 0.00123457); // not on a whole second
        const QByteArray before = c.model().storeState();
        QSignalSpy closed(&c, &ChartControl::customizeDialogClosed);
        // The template's settings leave the axis page out.
        dialogs.answerDialog([](QDialog &d) {
            auto &s = static_cast<ChartSettingsDialog &>(d);
            return s.hasPage(ChartSettingsDialog::TitlesPage) && !s.hasPage(ChartSettingsDialog::AxisPage)
                       ? int(QDialog::Accepted)
                       : -1;
        });
        c.customize();
        QCOMPARE(c.customizeResult(), 1);
        QCOMPARE(closed.count(), 1);
        QCOMPARE(c.model().storeState(), before); // OK without an edit changes nothing
        c.model().options().allowAxisPage = true;
        dialogs.answerDialog([](QDialog &d) {
            d.findChild<QLineEdit *>("edtMainTitle")->setText("Four");
            static_cast<ChartSettingsDialog &>(d).setSeriesColor(1, 0x000080);
            return int(QDialog::Accepted);
        });
        c.customize();
        QCOMPARE(c.model().mainTitle(), QString("Four"));
        QCOMPARE(c.model().seriesColor(1), 0x000080);
        QCOMPARE(c.model().getMaxX(), 46000.5 + 0.00123457); // the axis page shown, not edited
        dialogs.answerDialog([](QDialog &d) {
            d.findChild<QLineEdit *>("edtMainTitle")->setText("Lost");
            return int(QDialog::Rejected);
        });
        c.customize();
        QCOMPARE(c.customizeResult(), 0);
        QCOMPARE(c.model().mainTitle(), QString("Four"));
        QCOMPARE(closed.count(), 3);
    }

    void storedChartLoadsIntoANewWindow()
    {
        Rig rig(true);
        TfrmGraph *g = rig.realTime();
        fillChart(g->model(), 100, g->model().getMinX());
        g->showStatistics();
        g->findChild<QPushButton *>("Button2")->click();
        const QString path = rig.folder.filePath("recording.ghf");
        QVERIFY(g->storeChartFile(path));

        TfrmGraph *f = createGraphWindow(rig.h.program->context(), GraphKind::Single, path);
        QVERIFY(f->loadChartFile(path));
        QCOMPARE(f->model().storeState(), g->model().storeState());
        const QSize size(640, 480);
        QCOMPARE(f->chart()->toImage(size), g->chart()->toImage(size));

        // A damaged file is reported and leaves the window's chart alone.
        QFile bad(rig.folder.filePath("bad.ghf"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write(QByteArray("\x20\0\0\0", 4) + QByteArray(32, 'x'));
        bad.close();
        QVERIFY(!f->loadChartFile(bad.fileName()));
        QVERIFY(rig.h.dialogs.messages().last().contains("bad.ghf"));
        QCOMPARE(f->model().storeState(), g->model().storeState());
    }

    void intervalBoxes_data()
    {
        QTest::addColumn<int>("points");
        QTest::addColumn<int>("step");
        QTest::addColumn<QString>("minutes");
        QTest::addColumn<QString>("seconds");
        QTest::newRow("100 points at 60 s") << 100 << 60 << "01" << "00";
        QTest::newRow("one point") << 1 << 60 << "00" << "00";
        QTest::newRow("no point") << 0 << 0 << "00" << "00";
        QTest::newRow("75 minutes: no such item") << 3 << 4500 << "" << "00";
    }
    void intervalBoxes()
    {
        QFETCH(int, points);
        QFETCH(int, step);
        QFETCH(QString, minutes);
        QFETCH(QString, seconds);
        Rig rig(true);
        TfrmGraph *g = rig.realTime();
        QSignalSpy changed(g, &TfrmGraph::samplingIntervalChanged);
        ChartModel &m = g->model();
        m.setPointCount(points);
        for (int p = 0; p < points; ++p)
            for (int s = 0; s < 4; ++s) {
                m.setX(s, p, m.getMinX() + p * step / 86400.0);
                m.setY(s, p, 20);
            }
        g->showStatistics();
        QCOMPARE(g->minutesBox()->currentText(), minutes);
        QCOMPARE(g->secondsBox()->currentText(), seconds);
        QCOMPARE(g->dataNoField()->text(), QString::number(points));
        QCOMPARE(g->avgField(1)->text(), points ? QString("20.0") : QString("****"));
        QCOMPARE(changed.count(), 0); // shown, not chosen by the user
    }

    void annotationTools()
    {
        Rig rig(true, false);
        TfrmGraph *g = rig.realTime();
        rig.h.program->context().settings.annoColor = 0x00FF00;
        QWidget *plot = g->chart()->plot();
        const QRect r = g->chart()->plotRect();
        const QPoint at = r.center() - plot->pos();
        const int first = rig.h.program->annotations().counter;

        g->findChild<QToolButton *>("ToolButton9")->click();
        QCOMPARE(rig.h.program->annotations().tool, int(kToolText));
        rig.h.dialogs.answerDialog([](QDialog &) { return int(QDialog::Rejected); });
        click(plot, at);
        QCOMPARE(rig.h.program->annotations().counter, first); // cancelled: no number taken
        rig.h.dialogs.answerDialog([](QDialog &d) {
            static_cast<TfrmAnnoEdit &>(d).edit()->setText("Hello");
            return int(QDialog::Accepted);
        });
        click(plot, at);
        const Annotation text = g->model().annotation(first + 1);
        QCOMPARE(text.type, int(kAnnotationText));
        QCOMPARE(text.text, QString("Hello"));
        QCOMPARE(text.color, 0x00FF00);
        // The value under the text cursor's mark, one pixel right and seven down.
        const QPointF v = g->chart()->pixelToValue(0, at.x() + 1, at.y() + 7);
        QCOMPARE(text.x, v.x());
        QCOMPARE(text.y, v.y());

        g->findChild<QToolButton *>("ToolButton5")->click();
        const QPoint crossAt = at - QPoint(100, 60);
        click(plot, crossAt);
        const int crossSlot = first + 2;
        QCOMPARE(g->model().annotation(crossSlot).type, int(kAnnotationCross));
        QVERIFY(g->model().annotation(crossSlot).text.isEmpty());
        // Outside the plot nothing is made.
        click(plot, QPoint(2, 2));
        QCOMPARE(rig.h.program->annotations().counter, crossSlot);

        // A double click on the cross's mark deletes it; its number stays taken.
        g->findChild<QToolButton *>("ToolButton4")->click();
        QCOMPARE(rig.h.program->annotations().tool, int(kToolNone));
        doubleClick(plot, crossAt + QPoint(15, 15));
        QCOMPARE(g->model().annotation(crossSlot).type, int(kAnnotationText));
        QVERIFY(g->model().annotation(crossSlot).text.isEmpty());
        QCOMPARE(g->model().annotation(first + 1).text, QString("Hello"));
        QCOMPARE(rig.h.program->annotations().counter, crossSlot);

        // Splitting disables the two tools and puts the tool back to none.
        g->findChild<QToolButton *>("ToolButton5")->click();
        g->findChild<QCheckBox *>("chkSplit")->click();
        QVERIFY(!g->findChild<QWidget *>("ToolButton5")->isEnabled());
        QCOMPARE(rig.h.program->annotations().tool, int(kToolNone));
    }

    void readoutAndDataPoint()
    {
        Rig rig(true);
        TfrmGraph *g = rig.realTime();
        fillChart(g->model(), 100, g->model().getMinX());
        g->chart()->redraw();
        QWidget *plot = g->chart()->plot();
        const QRect r = g->chart()->plotRect();
        mouse(plot, QEvent::MouseMove, r.topLeft() - plot->pos() + QPoint(30, 30));
        const QPointF v = g->chart()->pixelToValue(0, r.left() + 30, r.top() + 30);
        QCOMPARE(g->readout()->text(), fixedText(v.y(), 1) + '@' + timeText(v.x()));
        const QString kept = g->readout()->text();
        mouse(plot, QEvent::MouseMove, QPoint(1, 1)); // outside: the text stays
        QCOMPARE(g->readout()->text(), kept);

        emit g->chart()->dataHotSpot(false, 1, 3);
        const Annotation a = g->model().annotation(kDataPointReadoutSlot);
        QCOMPARE(a.type, int(kAnnotationCross));
        QCOMPARE(a.color, 0);
        QCOMPARE(a.x, g->model().getX(1, 3));
        QCOMPARE(a.text, timeText(a.x) + QChar(13) + "13.0");
    }

    void zoomAndUndo()
    {
        Rig rig(true);
        TfrmGraph *g = rig.realTime();
        QWidget *plot = g->chart()->plot();
        const QPoint from = g->chart()->plotRect().topLeft() - plot->pos() + QPoint(20, 10);
        const double before = g->chart()->pixelToValue(0, from.x() + 100, from.y()).x();
        mouse(plot, QEvent::MouseButtonPress, from);
        mouse(plot, QEvent::MouseMove, from + QPoint(60, 40));
        mouse(plot, QEvent::MouseButtonRelease, from + QPoint(60, 40));
        QVERIFY(g->chart()->zoomed());
        QVERIFY(g->undoZoomButton()->isEnabled());
        QVERIFY(g->chart()->pixelToValue(0, from.x() + 100, from.y()).x() != before);
        QCOMPARE(rig.h.program->annotations().counter, 3); // a drag is no click
        g->undoZoomButton()->click();
        QVERIFY(!g->chart()->zoomed());
        QVERIFY(!g->undoZoomButton()->isEnabled());
        QApplication::processEvents(); // the scroll bars gone, the plot takes their room again
        QCOMPARE(g->chart()->pixelToValue(0, from.x() + 100, from.y()).x(), before);
    }

    void annotationColour()
    {
        Rig rig(true);
        TfrmGraph *g = rig.realTime();
        g->findChild<QPushButton *>("Button2")->click();
        rig.h.dialogs.answerColor(QColor(Qt::red));
        g->findChild<QToolButton *>("ToolButton15")->click();
        QCOMPARE(rig.h.program->context().settings.annoColor, 0x0000FF);
        for (int slot = 0; slot <= rig.h.program->annotations().counter; ++slot)
            QCOMPARE(g->model().annotation(slot).color, 0x0000FF);
    }

    void optionGraphAndTheTemplate_data()
    {
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("written");
        QTest::newRow("accepted, saved") << true << int(Dialogs::Yes) << true;
        QTest::newRow("accepted, not saved") << true << int(Dialogs::No) << false;
        QTest::newRow("cancelled") << false << int(Dialogs::Yes) << false;
    }
    void optionGraphAndTheTemplate()
    {
        QFETCH(bool, accepted);
        QFETCH(int, answer);
        QFETCH(bool, written);
        Rig rig(true);
        TfrmGraph *g = rig.realTime();
        ChartModel &m = g->model();
        const double minX = m.getMinX(), maxX = m.getMaxX();
        m.setWorkingAxis(1);
        m.setMinY(0);
        m.setMaxY(200);
        m.setWorkingAxis(0);
        m.setMainTitle("Mine");
        rig.h.dialogs.answerDialog([accepted](QDialog &) { return int(accepted ? QDialog::Accepted : QDialog::Rejected); });
        rig.h.dialogs.answer(Dialogs::Button(answer));
        g->findChild<QPushButton *>("Button1")->click();
        QCOMPARE(rig.h.dialogs.texts().contains("Voulez-vous sauvegarder les modifications ?"), accepted);
        ChartModel t;
        QVERIFY(loadChartFile(t, chartTemplatePath(rig.folder.path()), nullptr));
        QCOMPARE(t.mainTitle() == "Mine", written);
        // The X scale as before the dialog, every band on band 0's Y scale.
        QCOMPARE(m.scaleModeX(), int(kScaleManual));
        QCOMPARE(m.getMinX(), minX);
        QCOMPARE(m.getMaxX(), maxX);
        m.setWorkingAxis(1);
        QCOMPARE(m.getMaxY(), 50.0);
        QCOMPARE(m.workingAxis(), 1);
    }

    void closeQuestions_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<bool>("markAfter");
        QTest::newRow("yes, saved") << int(Dialogs::Yes) << true << true << false;
        QTest::newRow("yes, save cancelled") << int(Dialogs::Yes) << false << false << true;
        QTest::newRow("no") << int(Dialogs::No) << false << true << false;
        QTest::newRow("cancel") << int(Dialogs::Cancel) << false << false << true;
    }
    void closeQuestions()
    {
        QFETCH(int, answer);
        QFETCH(bool, saved);
        QFETCH(bool, closed);
        QFETCH(bool, markAfter);
        for (const GraphKind kind : {GraphKind::RealTime, GraphKind::DataLogger}) {
            CountingFiles files;
            files.works = saved;
            Rig rig(true, true, &files);
            const bool realTime = kind == GraphKind::RealTime;
            TfrmGraph *g = realTime ? rig.realTime() : rig.h.program->dataLogger().window();
            if (!g) {
                rig.h.program->dataLogger().openDataLoggerWindow();
                g = rig.h.program->dataLogger().window();
            }
            RealTimeRecording &recording = rig.h.program->realTime().recording();
            DataLogger &logger = rig.h.program->dataLogger().logger();
            const auto mark = [&] { return realTime ? recording.unsaved() : logger.unsavedDataSets(); };
            if (realTime)
                recording.setUnsaved(true);
            else
                logger.setUnsavedDataSets(true);
            rig.h.dialogs.answer(Dialogs::Button(answer));
            QPointer<TfrmGraph> guard(g);
            g->parentWidget()->close();
            QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            const QString question = realTime ? "Enregistrer le graphique Temps-Réel ?" : "Sauvegarder les données ?";
            QCOMPARE(rig.h.dialogs.texts().last(), question);
            QCOMPARE(guard.isNull(), closed);
            QCOMPARE(files.saves, answer == Dialogs::Yes ? 1 : 0);
            if (realTime || !closed)
                QCOMPARE(mark(), markAfter);
            else
                QVERIFY(!mark()); // the download goes with the data logger window
        }
    }

    // Closing another graph window leaves the download's mark: only the data logger
    // window's close may drop it.
    void closingAnotherGraphKeepsTheDownloadMark()
    {
        Rig rig(true);
        DataLogger &logger = rig.h.program->dataLogger().logger();
        logger.setUnsavedDataSets(true);
        TfrmGraph *single = createGraphWindow(rig.h.program->context(), GraphKind::Single, "/data/a.ghf");
        single->parentWidget()->close();
        rig.closeRealTime();
        QVERIFY(logger.unsavedDataSets());
    }
};

QTEST_MAIN(TestGraphWindow)
#include "test_graphwindow.moc"
