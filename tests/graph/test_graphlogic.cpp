// What a graph window computes from its chart, without the window: statistics, the
// annotation numbers, the Y-axis fields and the chart file.
#include "graph/ChartFile.h"
#include "graph/ChartSetup.h"
#include "graph/GraphStatistics.h"
#include "graph/ScaleInput.h"
#include "meter/DayCount.h"

#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

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
        QVERIFY(!loadChartFile(back, dir.filePath("missing.ghf"), &error));
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
