// What the data logger window and the table window show, without windows: the data set
// grid's texts under a comma and a point for decimals, the chart's part of the store for
// one set, the table window's rows, and a table turned into graph points.
#include "LoggerTestUtil.h"
#include "logger/DataSetGrid.h"
#include "logger/TableToGraph.h"
#include "meter/Formats.h"

#include <QLocale>
#include <QSignalSpy>

using namespace qx;
using namespace qx::test;

namespace {

const QDateTime kStart(QDate(2009, 7, 15), QTime(13, 5, 59));

QLocale localeNamed(const QString &name) { return name == "fr" ? QLocale(QLocale::French, QLocale::France)
                                                               : QLocale(QLocale::English, QLocale::UnitedStates); }

// Collects what a table row gives the chart.
struct PointSink {
    std::map<std::pair<int, int>, double> x;
    std::map<std::pair<int, int>, float> y;
    void setX(int s, int p, double v) { x[{s, p}] = v; }
    void setY(int s, int p, float v) { y[{s, p}] = v; }
    float yAt(int s, int p) const { return y.count({s, p}) ? y.at({s, p}) : -1.0f; }
    double xAt(int s, int p) const { return x.count({s, p}) ? x.at({s, p}) : -1.0; }
    bool hasY(int s, int p) const { return y.count({s, p}) != 0; }
    bool hasX(int s, int p) const { return x.count({s, p}) != 0; }
};

} // namespace

class TestDataSetGrid : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void rowTexts_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("interval");
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("fahrenheit");
        QTest::addColumn<int>("offset"); // T1's raw offset; T4 is always 127
        QTest::addColumn<QStringList>("row");
        for (const QString loc : {"fr", "en"}) {
            const bool fr = loc == "fr";
            const QString date = fr ? "15/07/2009" : "7/15/09";
            const auto dec = [fr](QString s) { return fr ? s.replace('.', ',') : s; };
            QTest::addRow("%s 0xF6, °C, type K, 00:02", qPrintable(loc))
                << loc << 2 << 0 << false << 0xF6
                << QStringList{"1", date, "13:05:59", "00:02", "3", "C", "K", dec("-1.0"), dec("0.0"), dec("0.0"),
                               dec("12.7")};
            QTest::addRow("%s 0xF6, °F, type E, 01:30", qPrintable(loc))
                << loc << 90 << 2 << true << 0xF6
                << QStringList{"1", date, "13:05:59", "01:30", "3", "F", "E", dec("-0.6"), dec("0.0"), dec("0.0"),
                               dec("7.1")};
            QTest::addRow("%s type nibble 7, 75:00", qPrintable(loc))
                << loc << 4500 << 7 << false << 0x05
                << QStringList{"1", date, "13:05:59", "75:00", "3", "C", "K", dec("0.5"), dec("0.0"), dec("0.0"),
                               dec("12.7")};
        }
    }
    void rowTexts()
    {
        QFETCH(QString, locale);
        QFETCH(int, interval);
        QFETCH(int, type);
        QFETCH(bool, fahrenheit);
        QFETCH(int, offset);
        QLocale::setDefault(localeNamed(locale));
        QByteArray image = imageOf({makeSet(kStart, 2, {{1, 2, 3, 4}, {1, 2, 3, 4}, {1, 2, 3, 4}}, 0, fahrenheit,
                                            {std::int8_t(offset), 0, 0, 127})});
        put(image, image::kFirstSet + 9, {interval / 60, interval % 60, type | (fahrenheit ? 0x10 : 0)});
        DataSetStore store;
        QCOMPARE(store.parse(image, kStart), 0);
        const auto rows = dataSetGridRows(store);
        QCOMPARE(int(rows.size()), 1);
        QTEST(rows[0], "row");
    }

    // Three sets: three rows numbered from 1, and set 2's points start after the first
    // two sets' records.
    void threeSets()
    {
        QLocale::setDefault(localeNamed("fr"));
        const auto a = makeSet(kStart, 2, {{1, 1, 1, 1}, {2, 2, 2, 2}});
        const auto b = makeSet(kStart.addDays(1), 60, {{3, 3, 3, 3}, {4, 4, 4, 4}, {5, 5, 5, 5}});
        const auto c = makeSet(kStart.addDays(2), 3600 + 15 * 60, {{60, 61, 62, 63}, {70, 71, 72, 73}});
        DataSetStore store;
        QCOMPARE(store.parse(imageOf({a, b, c}), kStart), 0);
        const auto rows = dataSetGridRows(store);
        QCOMPARE(int(rows.size()), 3);
        QCOMPARE(rows[2].at(0), "3");
        QCOMPARE(rows[2].at(1), "17/07/2009");
        QCOMPARE(rows[2].at(3), "75:00");

        const DataSetView v = dataSetView(store, 2);
        QVERIFY(v.valid);
        QCOMPARE(v.range.first, 4 * (2 + 3));
        QCOMPARE(v.range.count, 4 * 2);
        QCOMPARE(store.sampleValues()[std::size_t(v.range.first)], 6.0f);
        QCOMPARE(v.points, 2);
        QCOMPARE(v.start, toDayCount(kStart.addDays(2)));
        QCOMPARE(fromDayCount(v.end), kStart.addDays(2).addSecs(2 * 4500));
        QCOMPARE(v.startText, "17/07/2009 13:05:59");
        QCOMPARE(v.intervalSeconds, 4500);
        QCOMPARE(v.dataNo, "2");
        QVERIFY(!dataSetView(store, 3).valid);
    }

    void tableModel()
    {
        TableModel t;
        QCOMPARE(t.columnCount(), 7);
        QCOMPARE(t.headerData(0, Qt::Horizontal).toString(), "No");
        QCOMPARE(t.headerData(6, Qt::Horizontal).toString(), "T4");
        t.appendRow({"1", "14/03/2026", "09:30:00", "20,5", "OL", "-3,0"}); // T4 missing
        QCOMPARE(t.rowCount(), 1);
        QCOMPARE(t.cell(0, 4), "OL");
        QCOMPARE(t.cell(0, 6), "");
        QCOMPARE(t.data(t.index(0, 3)).toString(), "20,5");
        t.setCell(0, 6, "1,5");
        t.setCell(0, 1, "");
        QCOMPARE(t.cell(0, 6), "1,5");
        QCOMPARE(t.cell(0, 1), "");
        QCOMPARE(t.cell(0, 2), "09:30:00");
        QCOMPARE(t.cell(5, 1), QString());
        QCOMPARE(t.cell(0, 7), QString());

        // A cell too long for a row is cut; the row stays whole.
        t.setCell(0, 3, QString(100000, 'x'));
        QCOMPARE(t.cell(0, 2), "09:30:00");
        QCOMPARE(t.cell(0, 0).size() + t.cell(0, 1).size() + t.cell(0, 2).size() + t.cell(0, 3).size() +
                     t.cell(0, 4).size() + t.cell(0, 5).size() + t.cell(0, 6).size(),
                 TableModel::kMaxRowLength);

        // Suspended, rows change without a word to the views; resuming resets them once.
        QSignalSpy inserted(&t, &QAbstractItemModel::rowsInserted);
        QSignalSpy reset(&t, &QAbstractItemModel::modelReset);
        t.suspendUpdates();
        for (int r = 0; r < 1000; ++r)
            t.appendRow({QString::number(r + 2)});
        t.setRows(500);
        t.resumeUpdates();
        QCOMPARE(inserted.count(), 0);
        QCOMPARE(reset.count(), 1);
        QCOMPARE(t.rowCount(), 500);
        QCOMPARE(t.cell(499, 0), "500");
        t.setRows(502);
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(t.cell(501, 0), "");
    }

    // A table into graph points, under both notations: the X range from the first and
    // last rows, "OL" as the null value, unreadable cells ending their row.
    void tableToGraph_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::newRow("fr") << "fr";
        QTest::newRow("en") << "en";
    }
    void tableToGraph()
    {
        QFETCH(QString, locale);
        QLocale::setDefault(localeNamed(locale));
        const double t0 = toDayCount(QDateTime(QDate(2026, 3, 14), QTime(9, 30, 0)));
        const double step = 2.0 / 86400;
        TableModel t;
        const auto row = [&](int r, const QStringList &values) {
            const double time = t0 + r * step;
            t.appendRow(QStringList{QString::number(r + 1), dateText(time), timeText(time)} + values);
        };
        row(0, {fixedText(20.5, 1), "OL", fixedText(-3.0, 1), "0"});
        row(1, {fixedText(21.5, 1), fixedText(1.0, 1), "abc", fixedText(4.0, 1)});
        row(2, {fixedText(22.5, 1), fixedText(2.0, 1), fixedText(3.0, 1), fixedText(5.0, 1)});
        t.setCell(2, 2, "25:61:00"); // this row's time cannot be read
        row(3, {fixedText(23.5, 1), fixedText(3.0, 1), fixedText(3.5, 1), fixedText(6.0, 1)});

        const TableGraphPlan plan = planTableGraph(t);
        QCOMPARE(int(plan.status), int(TableGraphPlan::Ready));
        QCOMPARE(plan.points, 4);
        QVERIFY(qAbs(plan.first - t0) < 1e-8);
        QVERIFY(qAbs(plan.last - (t0 + 3 * step)) < 1e-8);

        PointSink sink;
        for (int r = 0; r < t.rowCount(); ++r)
            convertTableRow(t, r, sink);
        QCOMPARE(sink.yAt(1, 0), kTableNullValue);
        QCOMPARE(sink.yAt(0, 0), 20.5f);
        QCOMPARE(sink.yAt(2, 0), -3.0f);
        QVERIFY(qAbs(sink.xAt(3, 1) - (t0 + step)) < 1e-8);
        QCOMPARE(sink.yAt(1, 1), 1.0f);
        QVERIFY(!sink.hasY(2, 1) && !sink.hasY(3, 1)); // "abc" ended row 1
        QVERIFY(!sink.hasX(0, 2) && !sink.hasY(0, 2)); // row 2's time
        QCOMPARE(sink.yAt(3, 3), 6.0f);
    }

    void tableGraphRefusals_data()
    {
        QTest::addColumn<QString>("firstDate");
        QTest::addColumn<QString>("lastTime");
        QTest::addColumn<int>("status");
        QTest::newRow("first date empty") << "" << "09:30:02" << int(TableGraphPlan::NoData);
        QTest::newRow("first date unreadable") << "14 mars" << "09:30:02" << int(TableGraphPlan::BadTime);
        QTest::newRow("last time unreadable") << "14/03/2026" << "9h30" << int(TableGraphPlan::BadTime);
    }
    void tableGraphRefusals()
    {
        QFETCH(QString, firstDate);
        QFETCH(QString, lastTime);
        QLocale::setDefault(localeNamed("fr"));
        TableModel t;
        t.appendRow({"1", firstDate, "09:30:00", "1", "2", "3", "4"});
        t.appendRow({"2", "14/03/2026", lastTime, "1", "2", "3", "4"});
        const TableGraphPlan plan = planTableGraph(t);
        QTEST(int(plan.status), "status");
        if (plan.status == TableGraphPlan::BadTime)
            QVERIFY(plan.error.contains("is not a valid date and time"));
        QCOMPARE(int(planTableGraph(TableModel()).status), int(TableGraphPlan::NoData));
    }

    // A two-digit year (the short date format of en_US) is read in today's century.
    void twoDigitYear()
    {
        QLocale::setDefault(localeNamed("en"));
        double d = 0;
        QVERIFY(parseDateTimeText(dateTimeText(toDayCount(QDateTime(QDate(2026, 3, 14), QTime(21, 5, 7)))), d));
        QCOMPARE(fromDayCount(d), QDateTime(QDate(2026, 3, 14), QTime(21, 5, 7)));
    }
};

QTEST_GUILESS_MAIN(TestDataSetGrid)
#include "test_datasetgrid.moc"
