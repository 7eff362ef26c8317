// The collection file and the working copy: the copy's length rule and its floor at the
// end of the last data set, files of any length and content on opening, the save that
// copies the working copy, and a download saved and opened again.
#include "LoggerTestUtil.h"

#include <QBuffer>
#include <QSaveFile>

using namespace qx;
using namespace qx::test;

namespace {

const QDateTime kStart(QDate(2021, 6, 1), QTime(8, 0, 0));
constexpr int kFirst = image::kFirstSet;

QByteArray withCopyRule(QByteArray image, int value)
{
    put(image, image::kCopyLength, {value >> 16 & 0xFF, value >> 8 & 0xFF, value & 0xFF});
    return image;
}

// A set of `records` records at the start of the data area.
QByteArray oneSet(int records)
{
    return imageOf({makeSet(kStart, 2, std::vector<sim::Record>(std::size_t(records), sim::Record{250, 251, 252, 253}))});
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.commit();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A stream that never ends and does not know its size, as a pipe or a device would be.
class EndlessDevice final : public QIODevice {
public:
    qint64 delivered = 0;
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        std::fill(data, data + maxSize, char(0x01));
        delivered += maxSize;
        return maxSize;
    }
    qint64 writeData(const char *, qint64) override { return -1; }
};

// Everything about the store that the grid and the chart show.
void compareStores(const DataSetStore &a, const DataSetStore &b)
{
    QCOMPARE(a.count(), b.count());
    for (int n = 0; n < a.count(); ++n) {
        const DataSet &x = *a.dataSet(n);
        const DataSet &y = *b.dataSet(n);
        QCOMPARE(x.startTime, y.startTime);
        QCOMPARE(x.intervalSeconds, y.intervalSeconds);
        QCOMPARE(x.recordCount, y.recordCount);
        QCOMPARE(x.unitFlag, y.unitFlag);
        QCOMPARE(x.thermocoupleType, y.thermocoupleType);
        QVERIFY(x.channelOffsets == y.channelOffsets);
    }
    QVERIFY(a.sampleValues() == b.sampleValues());
    QVERIFY(a.sampleTimes() == b.sampleTimes());
}

} // namespace

class TestCollection : public QObject {
    Q_OBJECT
private slots:
    // L = value at offset 11 − 255 + 512, never past the image, never short of the end of
    // the last set.
    void workingCopyLength_data()
    {
        QTest::addColumn<QByteArray>("image");
        QTest::addColumn<int>("length");
        const QByteArray ten = oneSet(10); // its last set ends at kFirst + 100
        QTest::newRow("rule beyond the last set") << withCopyRule(ten, 0x001000) << 0x1000 - 255 + 512;
        QTest::newRow("rule short of the last set") << withCopyRule(ten, 0x000A00) << kFirst + 100;
        QTest::newRow("rule 0") << withCopyRule(ten, 0) << kFirst + 100;
        QTest::newRow("rule past the image") << withCopyRule(ten, 0xFFFFFF) << image::kMemorySize;
        QTest::newRow("short image, rule past it") << withCopyRule(ten, 0x002000).left(kFirst + 200) << kFirst + 200;
        // The set's records run past the end: the whole image, every record that is there.
        QTest::newRow("last set cut") << withCopyRule(ten, 0).left(kFirst + 50) << kFirst + 50;
    }
    void workingCopyLength()
    {
        QFETCH(QByteArray, image);
        ParsedDataSets parsed;
        QCOMPARE(parseMemoryImage(image, kStart, parsed), 0);
        QTEST(qx::workingCopyLength(image, parsed.sets), "length");
    }

    // Whatever a file holds, it is opened or refused without a message; only an opened
    // one changes the store, the grid and the working copy.
    void openFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("read");
        QTest::addColumn<int>("parse");
        QTest::addColumn<int>("sets");
        QTest::addColumn<int>("records"); // of set 0
        using S = OpenResult;
        using R = CollectionRead;
        const QByteArray demo = imageOf(sim::demoDataSets());
        QTest::newRow("demo memory") << demo << int(S::Opened) << int(R::Ok) << 0 << 3 << -1;
        QTest::newRow("2836 bytes, one set of 0 records")
            << oneSet(0).left(2836) << int(S::Opened) << int(R::Ok) << 0 << 1 << 0;
        QTest::newRow("bytes 8, 9 are 0") << imageOf({}) << int(S::NotParsed) << int(R::Ok) << 6 << 0 << -1;
        QTest::newRow("4001 sets") << patchCount(demo, 4001) << int(S::NotParsed) << int(R::Ok) << 2 << 0 << -1;
        QTest::newRow("empty") << QByteArray() << int(S::NotRead) << int(R::Empty) << 0 << 0 << -1;
        QTest::newRow("one byte") << QByteArray(1, '\x01') << int(S::NotParsed) << int(R::Ok) << 6 << 0 << -1;
        QTest::newRow("ends inside the count") << demo.left(9) << int(S::NotParsed) << int(R::Ok) << 6 << 0 << -1;
        QTest::newRow("count, no set header") << demo.left(kFirst + 10) << int(S::NotParsed) << int(R::Ok) << 6 << 0
                                              << -1;
        QTest::newRow("cut inside set 0") << oneSet(10).left(kFirst + 18 + 8 * 4 + 3) << int(S::Opened) << int(R::Ok)
                                          << 0 << 1 << 4;
        QTest::newRow("all bytes FF") << QByteArray(image::kMemorySize, '\xFF') << int(S::NotParsed) << int(R::Ok)
                                      << 2 << 0 << -1;
        QTest::newRow("128 KiB + 1") << demo + QByteArray(1, '\0') << int(S::NotRead) << int(R::TooLarge) << 0 << 0
                                     << -1;
        QTest::newRow("16 MiB") << QByteArray(16 << 20, '\x01') << int(S::NotRead) << int(R::TooLarge) << 0 << 0 << -1;
    }
    void openFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, status);
        LoggerRig rig;
        // An earlier load that a refused file must leave alone.
        QVERIFY(rig.connect());
        rig.load();
        QCOMPARE(rig.store.count(), 3);
        const QByteArray copyBefore = readFile(rig.logger.workingCopyPath());
        const std::vector<float> valuesBefore = rig.store.sampleValues();
        rig.windowCalls.clear();

        const QString path = rig.folder.filePath("file.ch4");
        QVERIFY(writeFile(path, bytes));
        const OpenResult result = rig.open(path);
        QCOMPARE(int(result.status), status);
        QTEST(int(result.read), "read");
        QTEST(result.parseCode, "parse");
        QVERIFY(rig.messages.isEmpty());
        QVERIFY(rig.logger.unsavedDataSets()); // as the download left it
        QVERIFY(rig.store.memoryImage().isEmpty());

        if (status != OpenResult::Opened) {
            QVERIFY(rig.windowCalls.isEmpty());
            QCOMPARE(rig.store.count(), 3);
            QVERIFY(rig.store.sampleValues() == valuesBefore);
            QCOMPARE(readFile(rig.logger.workingCopyPath()), copyBefore);
            return;
        }
        QCOMPARE(rig.windowCalls, (QStringList{"grid", "show 0"}));
        QTEST(rig.store.count(), "sets");
        QFETCH(int, records);
        if (records >= 0)
            QCOMPARE(rig.store.dataSet(0)->recordCount, records);
        // The working copy now mirrors the opened file.
        const QByteArray copy = readFile(rig.logger.workingCopyPath());
        QVERIFY(!copy.isEmpty());
        QCOMPARE(copy, bytes.left(copy.size()));
        QVERIFY(copy.size() >= rig.store.dataSets().back().endPosition + 1 || copy.size() == bytes.size());
    }

    void openRefusesOtherThanFiles()
    {
        LoggerRig rig;
        QCOMPARE(int(rig.open(rig.folder.path()).read), int(CollectionRead::CannotOpen));
        QCOMPARE(int(rig.open(rig.folder.filePath("none.ch4")).read), int(CollectionRead::CannotOpen));
        QVERIFY(rig.windowCalls.isEmpty());
        QVERIFY(rig.store.isEmpty());
    }

    // A stream without a known size is read one byte past the limit and no further.
    void endlessStreamRefused()
    {
        EndlessDevice device;
        QVERIFY(device.open(QIODevice::ReadOnly));
        MemoryImage image("stale");
        QCOMPARE(int(readCollection(device, image)), int(CollectionRead::TooLarge));
        QVERIFY(image.isEmpty());
        QVERIFY(device.delivered <= 2 * (kMaxCollectionSize + 1));

        QBuffer exact;
        QByteArray full(int(kMaxCollectionSize), '\x02');
        exact.setBuffer(&full);
        QCOMPARE(int(readCollection(exact, image)), int(CollectionRead::Ok));
        QCOMPARE(image.size(), kMaxCollectionSize);
    }

    // Saving copies the working copy byte for byte, replacing an existing file; without a
    // working copy, or where nothing can be written, nothing changes and the sets stay
    // marked unsaved, so closing still asks.
    void save()
    {
        LoggerRig rig;
        const QString target = rig.folder.filePath("saved.ch4");
        QVERIFY(writeFile(target, "older content"));

        rig.logger.setUnsavedDataSets(true);
        QVERIFY(!rig.logger.saveCollection(target)); // no load yet: no working copy
        QVERIFY(rig.logger.unsavedDataSets());
        QCOMPARE(readFile(target), QByteArray("older content"));

        QVERIFY(rig.connect());
        rig.load();
        QVERIFY(rig.logger.unsavedDataSets());
        QVERIFY(rig.logger.saveCollection(target));
        QVERIFY(!rig.logger.unsavedDataSets());
        QCOMPARE(readFile(target), readFile(rig.logger.workingCopyPath()));

        rig.logger.setUnsavedDataSets(true);
        QVERIFY(!rig.logger.saveCollection(rig.folder.filePath("missing/saved.ch4")));
        QVERIFY(rig.logger.unsavedDataSets());
        QVERIFY(rig.messages.isEmpty());
    }

    // Download, save, open the saved file: the same sets, samples and times.
    void downloadSaveOpen()
    {
        LoggerRig rig;
        QVERIFY(rig.connect());
        rig.load();
        QVERIFY(rig.messages.isEmpty());
        DataSetStore downloaded;
        QCOMPARE(downloaded.parse(rig.memory(), rig.clock.now()), 0);
        const QString file = rig.folder.filePath("roundtrip.ch4");
        QVERIFY(rig.logger.saveCollection(file));

        LoggerRig other; // another run, another working folder, nothing downloaded
        const OpenResult opened = other.open(file);
        QCOMPARE(int(opened.status), int(OpenResult::Opened));
        QCOMPARE(other.windowCalls, (QStringList{"grid", "show 0"}));
        compareStores(other.store, downloaded);
        QCOMPARE(readFile(other.logger.workingCopyPath()), readFile(file));
    }

    void openWithoutWorkingFolder()
    {
        LoggerRig rig;
        const QString data = rig.folder.path() + "/missing/";
        rig.logger.setDataFolder(data);
        const QString file = rig.folder.filePath("c.ch4");
        QVERIFY(writeFile(file, imageOf(sim::demoDataSets())));
        const OpenResult r = rig.open(file);
        QCOMPARE(int(r.status), int(OpenResult::FolderUnavailable));
        QCOMPARE(rig.messages, QStringList{QDir::toNativeSeparators(data + "temp")});
        QCOMPARE(rig.windowCalls, QStringList{"grid"});
        QCOMPARE(rig.store.count(), 3);
    }

private:
    static QByteArray patchCount(QByteArray image, int count)
    {
        put(image, image::kSetCount, {count >> 8, count & 0xFF});
        return image;
    }
};

QTEST_GUILESS_MAIN(TestCollection)
#include "test_collection.moc"
