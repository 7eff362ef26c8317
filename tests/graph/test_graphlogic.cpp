// What a graph window computes from its chart, without the window: statistics, the
// annotation numbers, the Y-axis fields and the chart file.
#include "graph/ChartFile.h"
#include "graph/ChartSetup.h"
#include "graph/GraphStatistics.h"
#include "graph/ScaleInput.h"
#include "graph/SeriesEnvelope.h"
#include "meter/DayCount.h"

#include <QLocale>
#include <cmath>
#include <functional>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using namespace qx;

namespace {

const double kStart = toDayCount(QDateTime(QDate(2026, 3, 14), QTime(10, 0, 0)));

// A chart of four series with one value list per series, points every `step` seconds.
ChartModel chartOf(const std::vector<std::array<float, 4>> &points, double step = 60)
{
    ChartModel m;
    m.setSeriesCount(4);
    m.setPointCount(int(points.size()));
    for (int p = 0; p < int(points.size()); ++p)
        for (int s = 0; s < 4; ++s) {
            m.setX(s, p, kStart + p * step / 86400.0);
            m.setY(s, p, points[std::size_t(p)][std::size_t(s)]);
        }
    return m;
}

// A chart holding something non-default in every part of its state.
ChartModel richChart()
{
    ChartModel m = chartOf({{1, 2, 3, 4}, {5, 6, 9999, 8}, {9, 10, 11, 12}});
    m.setMainTitle("Four");
    m.setSubTitle("channels");
    m.setXAxisLabel("Temps");
    m.setSeriesLabel(2, "Oven");
    m.setSeriesColor(2, 0x123456);
    m.setColors(0x010203, 0x040506, 0x070809, 0x0A0B0C);
    m.setGridStyle(2);
    m.setDateTimeMode(1);
    m.setLineGapThreshold(0.5);
    m.setScaleModeX(kScaleManual);
    m.setMinX(kStart);
    m.setMaxX(kStart + 0.01);
    setChartSplit(m, true);
    m.setAxisProportion(3, 0.4);
    m.setWorkingAxis(2);
    m.setScaleModeY(kScaleManual);
    m.setMinY(-12.5);
    m.setMaxY(88);
    m.setYAxisLabel("°C");
    m.setWorkingAxis(0);
    m.setAnnotationType(5, kAnnotationCross);
    m.setAnnotationX(5, kStart + 0.001);
    m.setAnnotationY(5, 21.5);
    m.setAnnotationText(5, "note\rtwo");
    m.setAnnotationColor(5, 0x00FF00);
    m.setVertLine(1, kStart + 0.002, "cut");
    m.setVertLineColor(1, 0x0000FF);
    m.options().zoomMode = 3;
    m.options().allowAxisPage = false;
    return m;
}

} // namespace

class TestGraphLogic : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom)); }

    void statistics()
    {
        std::vector<std::array<float, 4>> pts(100, {20.0f, 9999.0f, 0.0f, 1.0f});
        pts[10] = {35.5f, 9999.0f, -400.0f, 3000.0f};
        pts[50] = {35.5f, 9999.0f, 5.0f, 2.0f}; // an equal maximum later: the earlier one stays
        const ChartModel m = chartOf(pts);
        const GraphStatistics st = computeStatistics(m);
        QCOMPARE(st.intervalSeconds, 60);
        QCOMPARE(twoDigitItem(st.intervalSeconds / 60), QString("01"));
        QCOMPARE(twoDigitItem(st.intervalSeconds % 60), QString("00"));
        QCOMPARE(st.pointCount, 100);
        const ChannelStatistics &t1 = st.channel[0];
        QCOMPARE(t1.maximum, 35.5f);
        QCOMPARE(t1.maximumTime, m.getX(0, 10));
        QCOMPARE(extremeText(t1.maximum, t1.maximumTime), QString("35.5@14/03/2026 10:10:00"));
        // All null: "OL" for the extremes, "****" for the average.
        const ChannelStatistics &t2 = st.channel[1];
        QCOMPARE(extremeText(t2.maximum, t2.maximumTime), QString("OL"));
        QCOMPARE(extremeText(t2.minimum, t2.minimumTime), QString("OL"));
        QCOMPARE(averageText(t2, 1), QString("****"));
        // −400 is an extreme but not averaged; 3000 is shown but not averaged either.
        QCOMPARE(st.channel[2].minimum, -400.0f);
        QCOMPARE(extremeText(-400.0f, 0).left(6), QString("-400.0"));
        QCOMPARE(st.channel[2].count, 99);
        QCOMPARE(st.channel[3].maximum, 3000.0f);
        QVERIFY(extremeText(3000.0f, 0).startsWith("3000.0@"));
        QCOMPARE(st.channel[3].count, 99);
    }

    void statisticsOfFewerThanTwoPoints()
    {
        for (int n : {0, 1}) {
            const ChartModel m = chartOf(std::vector<std::array<float, 4>>(std::size_t(n), {1, 2, 3, 4}));
            const GraphStatistics st = computeStatistics(m);
            QCOMPARE(st.intervalSeconds, 0); // "00" and "00", no division by zero
            QCOMPARE(st.pointCount, n);
        }
    }

    void annotationNumbersNeverReuseAHeldSlot()
    {
        ChartModel chart;
        int counter = kFirstAnnotationCounter;
        QCOMPARE(takeAnnotationNumber(counter, chart), 4);
        chart.setAnnotationType(4, kAnnotationCross);
        QCOMPARE(takeAnnotationNumber(counter, chart), 5);
        chart.setAnnotationType(5, kAnnotationText);
        // The real-time clear puts the counter back to 3: this chart still holds 4 and 5.
        counter = kFirstAnnotationCounter;
        QCOMPARE(takeAnnotationNumber(counter, chart), 6);
        // Another chart with nothing of its own starts right above the counter.
        ChartModel other;
        counter = kFirstAnnotationCounter;
        QCOMPARE(takeAnnotationNumber(counter, other), 4);
    }

    void scaleFields()
    {
        QCOMPARE(scaleFieldValue(-10.5), -10);
        QCOMPARE(scaleFieldValue(49.9), 49);
        QCOMPARE(scaleFieldValue(std::nan("")), 0);
        QString invalid;
        auto ok = parseScaleFields({"-10", "0", "5", "-20"}, {"50", "100", " 7", "30"}, &invalid);
        QVERIFY(ok);
        QCOMPARE(ok->minimum[3], -20);
        QCOMPARE(ok->maximum[2], 7);
        // Both T1 MIN and T4 MAX invalid: T1 MIN comes last in reading order.
        QVERIFY(!parseScaleFields({"abc", "0", "0", "0"}, {"1", "1", "1", "x9"}, &invalid));
        QCOMPARE(invalid, QString("abc"));
        QVERIFY(!parseScaleFields({"0", "0", "0", "0"}, {"1", "1.5", "1", "1"}, &invalid));
        QCOMPARE(invalid, QString("1.5"));
    }

    void chartFile()
    {
        QTemporaryDir dir;
        ChartModel m = chartOf({{1, 2, 3, 4}, {5, 6, 7, 8}});
        m.setMainTitle("Four");
        const QString path = dir.filePath("chart.ghf");
        QString error;
        QVERIFY(storeChartFile(m, path, &error));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        f.close();
        const quint32 length = quint32(quint8(bytes[0])) | quint32(quint8(bytes[1])) << 8
                               | quint32(quint8(bytes[2])) << 16 | quint32(quint8(bytes[3])) << 24;
        QCOMPARE(qint64(length) + 4, bytes.size()); // 4-byte little-endian length, then the block

        ChartModel back;
        QVERIFY2(loadChartFile(back, path, &error), qPrintable(error));
        QCOMPARE(back.getY(3, 1), 8.0f);
        QCOMPARE(back.mainTitle(), QString("Four"));

        // Cut short, a length beyond the file, garbage: refused and the chart untouched.
        const QList<QByteArray> bad = {bytes.left(3), bytes.left(bytes.size() - 1),
                                       QByteArray("\xff\xff\xff\x7f", 4) + bytes.mid(4),
                                       QByteArray(4, '\x10') + QByteArray(16, 'x')};
        for (const QByteArray &b : bad) {
            QFile out(path);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(b);
            out.close();
            ChartModel keep = chartOf({{9, 9, 9, 9}});
            QVERIFY(!loadChartFile(keep, path, &error));
            QVERIFY(!error.isEmpty());
            QCOMPARE(keep.pointCount(), 1);
            QCOMPARE(keep.getY(0, 0), 9.0f);
        }
        // A pipe or a folder under the name is refused before any open: a template that is
        // a pipe would otherwise hang the start-up.
        const QString fifo = dir.filePath("pipe.ghf");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        for (const QString &notAFile : {fifo, dir.path()}) {
            ChartModel keep = chartOf({{9, 9, 9, 9}});
            QVERIFY(!loadChartFile(keep, notAFile, &error));
            QVERIFY(error.contains("n'est pas un fichier ordinaire"));
            QCOMPARE(keep.pointCount(), 1);
        }
        QVERIFY(!loadChartFile(back, dir.filePath("missing.ghf"), &error));
    }

    void stateRoundTripKeepsTheWholeChart()
    {
        const ChartModel m = richChart();
        const QByteArray block = m.storeState();
        ChartModel back;
        QString error;
        QVERIFY2(back.loadState(block, &error), qPrintable(error));
        QCOMPARE(back.storeState(), block);
        // Data, titles, colours, scales, bands and annotations, each read back.
        QCOMPARE(back.pointCount(), 3);
        QCOMPARE(back.getX(3, 2), m.getX(3, 2));
        QCOMPARE(back.getY(2, 1), 9999.0f);
        QCOMPARE(back.mainTitle(), QString("Four"));
        QCOMPARE(back.subTitle(), QString("channels"));
        QCOMPARE(back.seriesLabel(2), QString("Oven"));
        QCOMPARE(back.seriesColor(2), 0x123456);
        QCOMPARE(back.colors().desk, 0x070809);
        QCOMPARE(back.gridStyle(), 2);
        QCOMPARE(back.getMinX(), kStart);
        QCOMPARE(back.scaleModeX(), int(kScaleManual));
        QCOMPARE(back.bandCount(), 4);
        QCOMPARE(back.getAxisProportion(3), 0.4);
        back.setWorkingAxis(2);
        QCOMPARE(back.getMinY(), -12.5);
        QCOMPARE(back.getMaxY(), 88.0);
        QCOMPARE(back.yAxisLabel(), QString("°C"));
        const Annotation a = back.annotation(5);
        QCOMPARE(a.type, int(kAnnotationCross));
        QCOMPARE(a.y, 21.5);
        QCOMPARE(a.text, QString("note\rtwo"));
        QCOMPARE(a.color, 0x00FF00);
        QCOMPARE(back.vertLine(1).text, QString("cut"));
        QCOMPARE(back.options().zoomMode, 3);
        QVERIFY(!back.options().allowAxisPage);
    }

    void damagedStateIsRefusedWhole_data()
    {
        QTest::addColumn<QByteArray>("block");
        const QByteArray good = richChart().storeState();
        const int h = ChartModel::kStateHeaderSize;
        const QByteArray payload = good.mid(h);
        const auto patched = [&](int at, QByteArray bytes) {
            QByteArray p = payload;
            p.replace(at, bytes.size(), bytes);
            return ChartModel::sealState(p);
        };
        const auto le32 = [](quint32 v) {
            const char b[4] = {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24)};
            return QByteArray(b, 4);
        };
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("header cut") << good.left(h - 1);
        QTest::newRow("payload cut") << good.left(good.size() - 1);
        QTest::newRow("bytes after the end") << good + "x";
        QTest::newRow("other magic") << QByteArray("QXCT") + good.mid(4);
        QTest::newRow("newer version") << ChartModel::sealState(payload, ChartModel::kStateVersion + 1);
        QTest::newRow("version 0") << ChartModel::sealState(payload, 0);
        QTest::newRow("checksum") << good.left(good.size() - 1) + char(good.back() ^ 1);
        QTest::newRow("garbage") << QByteArray(4096, '\xA5');
        // Sealed afresh, so only the reader's own checks stand between them and the chart.
        QTest::newRow("payload cut, sealed") << ChartModel::sealState(payload.left(payload.size() / 2));
        QTest::newRow("payload cut in the last field") << ChartModel::sealState(payload.left(payload.size() - 1));
        QTest::newRow("payload with a tail") << ChartModel::sealState(payload + '\0');
        QTest::newRow("no series") << patched(0, le32(0));
        QTest::newRow("too many series") << patched(0, le32(kMaxSeries + 1));
        QTest::newRow("points beyond the block") << patched(4, le32(1000));
        QTest::newRow("negative points") << patched(4, le32(0xFFFFFFFF));
        QTest::newRow("switch not 0 or 1") << patched(24, QByteArray(1, '\x07'));
        // 4 series × 3 points: 26 bytes of data header, 144 of values, the label slot count,
        // then the first label's length.
        QTest::newRow("label slots") << patched(26 + 144, le32(kMaxSeries + 1));
        QTest::newRow("label longer than the block") << patched(26 + 144 + 4, le32(0x7FFFFFF0));
    }
    void damagedStateIsRefusedWhole()
    {
        QFETCH(QByteArray, block);
        ChartModel keep = chartOf({{9, 9, 9, 9}});
        keep.setMainTitle("kept");
        const QByteArray before = keep.storeState();
        QString error;
        QVERIFY(!keep.loadState(block, &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(keep.storeState(), before); // nothing half-applied
    }

    // The automatic scales' extents (kept per block of points) and each series' last value
    // (kept from change to change): after every kind of change they must equal a scan of
    // the whole chart, also when a change lowers a maximum or empties the last value.
    void derivedFiguresFollowEveryChange()
    {
        ChartModel m;
        m.setSeriesCount(2);
        m.setAxisSeries(-1, 0);
        const auto scan = [&m](double &lo, double &hi) {
            bool found = false;
            for (int s = 0; s < m.seriesCount(); ++s)
                for (int p = 0; p < m.pointCount(); ++p) {
                    const float y = m.getY(s, p);
                    if (y == m.nullY())
                        continue;
                    lo = found ? std::min(lo, double(y)) : y;
                    hi = found ? std::max(hi, double(y)) : y;
                    found = true;
                }
            return found;
        };
        const std::vector<std::function<void()>> changes = {
            [&] { m.setPointCount(3000); },
            [&] { m.setY(0, -1, 10.0f); },
            [&] { m.setY(1, 2500, 50.0f); },
            [&] { m.setY(1, 2500, 20.0f); }, // the maximum comes down again
            [&] { m.setY(0, 17, -5.0f); },
            [&] { m.setPointCount(2048); },
            [&] { m.setPointCount(4100); },
            [&] { m.setY(1, 4099, 70.0f); },
            [&] { m.setY(1, 4099, m.nullY()); },
            [&] { m.setY(1, 4099, 70.0f); },
            [&] { m.setNullY(10.0f); },
            [&] { m.setSeriesCount(3); },
            [&] { const std::vector<float> ys(4100 * 3, 3.0f); m.setYArray(ys.data(), ys.size()); },
            [&] { m.setY(2, 0, 4.0f); },
        };
        for (std::size_t i = 0; i < changes.size(); ++i) {
            changes[i]();
            double lo = 0, hi = 0, wantLo = 0, wantHi = 0;
            const bool found = m.dataRangeY(0, lo, hi);
            QCOMPARE(found, scan(wantLo, wantHi));
            if (found) {
                QCOMPARE(lo, wantLo);
                QCOMPARE(hi, wantHi);
            }
            for (int series = 0; series < m.seriesCount(); ++series) {
                int last = m.pointCount() - 1;
                while (last >= 0 && m.getY(series, last) == m.nullY())
                    --last;
                QCOMPARE(m.lastValuePoint(series), last);
            }
        }
    }

    // A series' envelope kept up to date change by change (appends one point at a time,
    // a change in the middle, a cut, X falling and rising again) draws what an envelope
    // built afresh from the same points draws, over the whole series and zoomed in.
    void envelopeFollowsEveryChange()
    {
        std::vector<double> x;
        std::vector<float> y;
        const auto points = [&] {
            SeriesPoints p;
            p.x = x.data();
            p.y = y.data();
            p.gap = 3.0; // no line across a step of more than three
            return p;
        };
        const auto value = [](int p) { return float(20 + 10 * std::sin(p / 40.0) + (p * 7919 % 11) / 5.0); };
        SeriesEnvelope kept;
        int count = 0;
        const auto set = [&](int p, double px, float py) {
            if (p >= int(x.size())) {
                x.resize(std::size_t(p) + 1, 0.0);
                y.resize(std::size_t(p) + 1, 9999.0f);
            }
            x[std::size_t(p)] = px;
            y[std::size_t(p)] = py;
        };
        const auto check = [&](bool pointOrder) {
            SeriesEnvelope fresh;
            fresh.update(points(), count, 0);
            QCOMPARE(kept.count(), fresh.count());
            QCOMPARE(kept.pointOrder(), pointOrder);
            QCOMPARE(fresh.pointOrder(), pointOrder);
            const AxisPixels rows{0, 50, 300, 300, true};
            for (const AxisPixels &columns : {AxisPixels{-5, 5000, 40, 700, false}, AxisPixels{1200, 1300, 40, 700, false}}) {
                CurvePicture a, b;
                kept.drawExact(points(), columns, rows, QRect(40, 0, 700, 301), a);
                fresh.drawExact(points(), columns, rows, QRect(40, 0, 700, 301), b);
                QVERIFY(a.spans == b.spans);
                QVERIFY(a.lines == b.lines);
                QVERIFY(!a.spans.empty() || !a.lines.empty());
                std::vector<QPointF> c, d;
                kept.drawPolyline(points(), columns, rows, 1.5, c);
                fresh.drawPolyline(points(), columns, rows, 1.5, d);
                QCOMPARE(c.size(), d.size());
                for (std::size_t i = 0; i < c.size(); ++i)
                    QVERIFY(c[i] == d[i] || (std::isnan(c[i].x()) && std::isnan(d[i].x())));
            }
        };

        // Appended one at a time, with nulls, runs of nulls and steps beyond the gap.
        for (int p = 0; p < 3000; ++p) {
            const bool null = p % 97 == 5 || (p > 1500 && p < 1530);
            set(p, p + (p > 2200 ? 10 : 0) + (p / 400) * 5.0, null ? 9999.0f : value(p));
            count = p + 1;
            kept.update(points(), count, p);
        }
        check(true);
        if (QTest::currentTestFailed())
            return;
        // A point in the middle changes, another becomes null.
        set(1250, 1250 + 15, 45.0f);
        set(1251, 1251 + 15, 9999.0f);
        kept.update(points(), count, 1250);
        check(true);
        if (QTest::currentTestFailed())
            return;
        // Cut to fewer points, then grown again.
        count = 1700;
        kept.update(points(), count, count);
        check(true);
        if (QTest::currentTestFailed())
            return;
        count = 3000;
        kept.update(points(), count, 1700);
        check(true);
        if (QTest::currentTestFailed())
            return;
        // X falls once: drawn in the order of X; rises again: in the points' order.
        const double was = x[1800];
        set(1800, 100, y[1800]);
        kept.update(points(), count, 1800);
        check(false);
        if (QTest::currentTestFailed())
            return;
        set(1800, was, y[1800]);
        kept.update(points(), count, 1800);
        check(true);
        if (QTest::currentTestFailed())
            return;
        // Emptied.
        count = 0;
        kept.update(points(), count, 0);
        QCOMPARE(kept.count(), 0);
        CurvePicture none;
        kept.drawExact(points(), AxisPixels{}, AxisPixels{0, 1, 100, 100, true}, QRect(0, 0, 100, 100), none);
        QVERIFY(none.spans.empty() && none.lines.empty());
    }

    void splitState()
    {
        ChartModel m;
        m.setSeriesCount(4);
        setChartSplit(m, true);
        QVERIFY(chartIsSplit(m));
        setChartSplit(m, false);
        QVERIFY(!chartIsSplit(m));
        QCOMPARE(m.getAxisProportion(0), 1.0);
    }
};

QTEST_GUILESS_MAIN(TestGraphLogic)
#include "test_graphlogic.moc"
