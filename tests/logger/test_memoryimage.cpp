// Memory images into data sets: header fields, BCD and its fall-backs, samples in °C,
// record times, the set count limits, and images that end before their sets do.
#include "LoggerTestUtil.h"

using namespace qx;
using namespace qx::test;

namespace {

const QDateTime kNow(QDate(2026, 3, 14), QTime(9, 30, 0));
constexpr int kFirst = 0xB00; // where the first data set begins

// The example set of the header layout and a °F set with a 90 s interval behind it.
QByteArray twoSets()
{
    const auto example = makeSet(QDateTime(QDate(2009, 7, 15), QTime(13, 5, 59)), 2,
                                 {{300, -100, -32768, 1}, {301, -101, 0, 1}, {302, -102, 0, 1}});
    const auto fahrenheit = makeSet(QDateTime(QDate(2010, 1, 2), QTime(3, 4, 5)), 90,
                                    {{1000, 320, -400, 0}, {1010, 320, -400, 0}, {1020, 320, -400, 0}}, 3, true);
    return imageOf({example, fahrenheit});
}

QByteArray patched(QByteArray image, int at, std::initializer_list<int> bytes)
{
    put(image, at, bytes);
    return image;
}

QByteArray withCount(QByteArray image, int count) { return patched(std::move(image), 8, {count >> 8, count & 0xFF}); }

QByteArray manyEmptySets(int n)
{
    std::vector<sim::DataSet> sets(std::size_t(n), makeSet(QDateTime(QDate(2012, 12, 12), QTime(12, 12, 12)), 1, {}));
    return imageOf(sets);
}

QDateTime at(const QDate &d, const QTime &t) { return QDateTime(d, t); }

} // namespace

class TestMemoryImage : public QObject {
    Q_OBJECT
private slots:
    void parse_data()
    {
        QTest::addColumn<QByteArray>("image");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("sets");
        QTest::addColumn<int>("total");    // entries in sampleValues
        QTest::addColumn<int>("set");      // the set looked at
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<int>("interval");
        QTest::addColumn<int>("records");
        QTest::addColumn<bool>("cut");
        QTest::addColumn<bool>("unit");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("sample");   // index within the set
        QTest::addColumn<float>("value");
        QTest::addColumn<QDateTime>("time");
        QTest::addColumn<int>("next");     // where the set after it starts, -1 unchecked

        const QByteArray two = twoSets();
        const QDateTime example = at(QDate(2009, 7, 15), QTime(13, 5, 59));
        const QDateTime second = at(QDate(2010, 1, 2), QTime(3, 4, 5));
        const float f100 = (100.0f - 32.0f) * 5.0f * (1.0f / 9.0f);
        const float f102 = (102.0f - 32.0f) * 5.0f * (1.0f / 9.0f);

        QTest::newRow("2009-07-15 header, 0x01 0x2C")
            << two << 0 << 2 << 24 << 0 << example << 2 << 3 << false << false << 0 << 0 << 30.0f << example << kFirst + 44;
        QTest::newRow("0xFF 0x9C") << two << 0 << 2 << 24 << 0 << example << 2 << 3 << false << false << 0 << 1
                                   << -10.0f << example << kFirst + 44;
        QTest::newRow("0x80 0x00") << two << 0 << 2 << 24 << 0 << example << 2 << 3 << false << false << 0 << 2
                                   << -3276.8f << example << kFirst + 44;
        QTest::newRow("third record, T4") << two << 0 << 2 << 24 << 0 << example << 2 << 3 << false << false << 0 << 11
                                          << 0.1f << example.addSecs(4) << kFirst + 44;
        QTest::newRow("°F 0x03E8") << two << 0 << 2 << 24 << 1 << second << 90 << 3 << false << true << 3 << 0 << f100
                                   << second << -1;
        QTest::newRow("90 s interval") << two << 0 << 2 << 24 << 1 << second << 90 << 3 << false << true << 3 << 8
                                       << f102 << second.addSecs(180) << -1;

        QTest::newRow("year 0x0A") << patched(two, kFirst + 3, {0x0A}) << 0 << 2 << 24 << 0
                                   << at(QDate(2026, 7, 15), QTime(13, 5, 59)) << 2 << 3 << false << false << 0 << 0
                                   << 30.0f << at(QDate(2026, 7, 15), QTime(13, 5, 59)) << kFirst + 44;
        QTest::newRow("31 April") << patched(two, kFirst + 4, {0x04, 0x31}) << 0 << 2 << 24 << 0 << kNow << 2 << 3
                                  << false << false << 0 << 4 << 30.1f << kNow.addSecs(2) << kFirst + 44;
        QTest::newRow("month 13") << patched(two, kFirst + 4, {0x13}) << 0 << 2 << 24 << 0 << kNow << 2 << 3 << false
                                  << false << 0 << 0 << 30.0f << kNow << kFirst + 44;
        QTest::newRow("hour not BCD") << patched(two, kFirst + 6, {0x1A}) << 0 << 2 << 24 << 0
                                      << at(QDate(2009, 7, 15), QTime(9, 5, 59)) << 2 << 3 << false << false << 0 << 0
                                      << 30.0f << at(QDate(2009, 7, 15), QTime(9, 5, 59)) << kFirst + 44;
        QTest::newRow("hour 24") << patched(two, kFirst + 6, {0x24}) << 0 << 2 << 24 << 0 << kNow << 2 << 3 << false
                                 << false << 0 << 0 << 30.0f << kNow << kFirst + 44;
        QTest::newRow("minute, second not BCD")
            << patched(two, kFirst + 7, {0x7F, 0xFA}) << 0 << 2 << 24 << 0 << at(QDate(2009, 7, 15), QTime(13, 30, 0))
            << 2 << 3 << false << false << 0 << 0 << 30.0f << at(QDate(2009, 7, 15), QTime(13, 30, 0)) << kFirst + 44;

        const QDateTime emptyStart = at(QDate(2011, 5, 6), QTime(7, 8, 9));
        const QByteArray emptyFirst = imageOf({makeSet(emptyStart, 2, {}),
                                               makeSet(example, 2, {{300, -100, -32768, 1}})});
        QTest::newRow("record count 0") << emptyFirst << 0 << 2 << 4 << 0 << emptyStart << 2 << 0 << false << false
                                        << 0 << -1 << 0.0f << QDateTime() << kFirst + 20;
        QTest::newRow("behind an empty set") << emptyFirst << 0 << 2 << 4 << 1 << example << 2 << 1 << false << false
                                             << 0 << 0 << 30.0f << example << -1;

        const QDateTime manyStart = at(QDate(2012, 12, 12), QTime(12, 12, 12));
        const QByteArray many = manyEmptySets(4000);
        QTest::newRow("4000 sets") << many << 0 << 4000 << 0 << 3998 << manyStart << 1 << 0 << false << false << 0
                                   << -1 << 0.0f << QDateTime() << kFirst + 20 * 3999;
        QTest::newRow("4001 sets") << withCount(many, 4001) << 2 << 0 << 0 << 0 << QDateTime() << 0 << 0 << false
                                   << false << 0 << -1 << 0.0f << QDateTime() << -1;
        QTest::newRow("0 sets") << withCount(two, 0) << 6 << 0 << 0 << 0 << QDateTime() << 0 << 0 << false << false
                                << 0 << -1 << 0.0f << QDateTime() << -1;
        QTest::newRow("shorter than the count") << two.left(9) << 6 << 0 << 0 << 0 << QDateTime() << 0 << 0 << false
                                                << false << 0 << -1 << 0.0f << QDateTime() << -1;

        // Images that end before their sets do keep what is complete.
        QTest::newRow("records past the end")
            << two.left(kFirst + 18 + 2 * 8 + 5) << 0 << 1 << 8 << 0 << example << 2 << 2 << true << false << 0 << 7
            << 0.1f << example.addSecs(2) << -1;
        QTest::newRow("header past the end") << two.left(kFirst + 44 + 10) << 0 << 1 << 12 << 0 << example << 2 << 3
                                             << false << false << 0 << 8 << 30.2f << example.addSecs(4) << -1;
        QTest::newRow("end mark past the end") << two.left(kFirst + 44 + 18 + 24) << 0 << 2 << 24 << 1 << second << 90
                                               << 3 << false << true << 3 << 0 << f100 << second << -1;
        QTest::newRow("first header past the end") << two.left(kFirst + 17) << 6 << 0 << 0 << 0 << QDateTime() << 0
                                                   << 0 << false << false << 0 << -1 << 0.0f << QDateTime() << -1;
        // The count says three: the third set is read from erased memory, up to the end.
        const int third = kFirst + 88;
        const int erasedRecords = (131072 - third - 18) / 8;
        QTest::newRow("count beyond the sets")
            << withCount(two, 3) << 0 << 3 << 24 + 4 * erasedRecords << 2 << kNow << 255 * 60 + 255 << erasedRecords
            << true << true << 15 << 0 << (-0.1f - 32.0f) * 5.0f * (1.0f / 9.0f) << kNow << -1;
    }

    void parse()
    {
        QFETCH(QByteArray, image);
        QFETCH(int, code);
        QFETCH(int, sets);
        QFETCH(int, total);
        QFETCH(int, set);

        // The sets of an earlier load, which a failed parse must leave alone.
        DataSetStore store;
        QCOMPARE(store.parse(imageOf(sim::demoDataSets()), kNow), 0);
        const std::vector<float> previousValues = store.sampleValues();
        const int previousSets = store.count();

        QCOMPARE(store.parse(image, kNow), code);
        if (code != 0) {
            QCOMPARE(store.count(), previousSets);
            QVERIFY(store.sampleValues() == previousValues);
            return;
        }
        QCOMPARE(store.count(), sets);
        QCOMPARE(int(store.sampleValues().size()), total);
        QCOMPARE(int(store.sampleTimes().size()), total);

        const DataSet *s = store.dataSet(set);
        QVERIFY(s);
        QTEST(fromDayCount(s->startTime), "start");
        QTEST(s->intervalSeconds, "interval");
        QTEST(s->recordCount, "records");
        QTEST(s->truncated(), "cut");
        QTEST(s->unitFlag, "unit");
        QTEST(s->thermocoupleType, "type");
        QCOMPARE(s->endPosition, s->headerPosition + 8 * s->recordCount + 19);
        QCOMPARE(store.sampleRange(set).count, 4 * s->recordCount);

        QFETCH(int, sample);
        if (sample >= 0) {
            const auto values = store.values(set);
            const auto times = store.times(set);
            QVERIFY(sample < int(values.size()));
            QTEST(values[std::size_t(sample)], "value");
            QTEST(fromDayCount(times[std::size_t(sample)]), "time");
        }
        QFETCH(int, next);
        if (next >= 0)
            QCOMPARE(store.dataSet(set + 1)->headerPosition, next);
    }

    // The flat layout the chart takes: set n's samples start at 4 × the records before it,
    // point-major, four channels sharing one time.
    void storeLayout()
    {
        VirtualClock clock(kNow);
        SimulatedMeter sim(clock);
        DataSetStore store;
        store.memoryImage() = toBytes(sim.memoryImage());
        QCOMPARE(store.parseMemoryImage(clock), 0);
        QCOMPARE(int(store.memoryImage().size()), 131072); // the caller empties it

        const auto demo = sim::demoDataSets();
        QCOMPARE(store.count(), int(demo.size()));
        int first = 0;
        for (int n = 0; n < store.count(); ++n) {
            const DataSet &set = *store.dataSet(n);
            const auto &expected = demo[std::size_t(n)];
            QCOMPARE(set.recordCount, int(expected.records.size()));
            QCOMPARE(set.unitFlag, expected.header.fahrenheit);
            QCOMPARE(fromDayCount(set.startTime), expected.header.start);
            QCOMPARE(store.sampleRange(n).first, first);
            const auto values = store.values(n);
            const auto times = store.times(n);
            QCOMPARE(values.data(), store.sampleValues().data() + first);
            for (int p = 0; p < set.recordCount; p += 37) {
                for (int ch = 0; ch < 4; ++ch) {
                    const auto i = std::size_t(4 * p + ch);
                    float want = float(expected.records[std::size_t(p)][std::size_t(ch)] * 0.1);
                    if (set.unitFlag)
                        want = (want - 32.0f) * 5.0f * (1.0f / 9.0f);
                    QCOMPARE(values[i], want);
                    QCOMPARE(fromDayCount(times[i]), expected.header.start.addSecs(qint64(p) * set.intervalSeconds));
                }
            }
            first += 4 * set.recordCount;
        }
        QCOMPARE(int(store.sampleValues().size()), first);
        QVERIFY(!store.dataSet(-1) && !store.dataSet(store.count()));
        QCOMPARE(store.sampleRange(store.count()).count, 0);
        QVERIFY(store.values(99).empty());
    }

    void setTexts_data()
    {
        QTest::addColumn<int>("interval");
        QTest::addColumn<int>("flags");
        QTest::addColumn<int>("offset");
        QTest::addColumn<QString>("intervalText");
        QTest::addColumn<QString>("letter");
        QTest::addColumn<double>("degrees");
        QTest::newRow("2 s, type K") << 2 << 0x00 << 0 << "00:02" << "K" << 0.0;
        QTest::newRow("90 s, -1.0") << 90 << 0x01 << -10 << "01:30" << "J" << -1.0;
        QTest::newRow("°F offset -0.6") << 4500 << 0x12 << -10 << "75:00" << "E" << -10 * 5 * (1.0 / 90);
        QTest::newRow("6000 s, type 3") << 6000 << 0x03 << 25 << "100:00" << "T" << 2.5;
        QTest::newRow("type nibble 7") << 59 << 0x07 << 1 << "00:59" << "K" << 0.1;
    }
    void setTexts()
    {
        QFETCH(int, interval);
        QFETCH(int, flags);
        QFETCH(int, offset);
        QByteArray image = imageOf({makeSet(kNow, 1, {{0, 0, 0, 0}})});
        put(image, kFirst + 9, {interval / 60, interval % 60, flags});
        put(image, kFirst + 15, {offset & 0xFF});
        DataSetStore store;
        QCOMPARE(store.parse(image, kNow), 0);
        const DataSet &set = *store.dataSet(0);
        QTEST(set.intervalText(), "intervalText");
        QTEST(set.thermocoupleLetter(), "letter");
        QFETCH(double, degrees);
        QVERIFY(qAbs(set.offsetDegrees(1) - degrees) < 1e-12);
        QCOMPARE(set.offsetDegrees(4), 0.0);
    }
};

QTEST_GUILESS_MAIN(TestMemoryImage)
#include "test_memoryimage.moc"
