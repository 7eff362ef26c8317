// The logger download on the simulated meter in virtual time: the length rule, the repeat
// of a failed block, the resumption stage and its codes, and the load command around it
// (refusals, messages, the abandon command, the poll timer and the busy flag).
#include "LoggerTestUtil.h"
#include "meter/TraceCapture.h"

using namespace qx;
using namespace qx::test;

namespace {

// The message of a failed load: the code follows the "=" at once.
QString errorText(int code)
{
    return QStringLiteral("Il y a eu une erreur, veuillez réessayer! code d'erreur =") + QString::number(code);
}

// A memory with the demo recordings whose fill pointer says `fill`.
QByteArray memoryWithFill(int fill)
{
    QByteArray image = imageOf(sim::demoDataSets());
    setFillPointer(image, fill);
    return image;
}

// Watches the commands going out and fails chosen calls once `armed` holds.
struct Saboteur {
    char last = 0;          // the last command letter written
    int blocks = 0;         // 'p' replies that arrived
    int pSinceSelect = 0;   // 'p' commands since the last 'P'
    std::function<int(Call, char last)> rule;

    SimulatedMeter::FaultHook hook()
    {
        return [this](Call call, const std::uint8_t *bytes, int length) {
            if (call == Call::WriteCommand && bytes && length > 1) {
                last = char(bytes[1]);
                if (last == 'P')
                    pSinceSelect = 0;
                if (last == 'p')
                    ++pSinceSelect;
            }
            const int rc = rule ? rule(call, last) : 0;
            if (rc == 0 && call == Call::ReadReply && last == 'p' && bytes)
                ++blocks;
            return rc;
        };
    }
};

// The log entries of one call kind, with the command that went before each.
struct Step {
    Call call;
    char command; // the command letter written last (for a write: its own)
    int result;
    qint64 atMs;
};

std::vector<Step> steps(const SimulatedMeter &sim)
{
    std::vector<Step> out;
    char last = 0;
    for (const auto &e : sim.log()) {
        if (e.call == Call::WriteCommand && e.bytes.size() > 1)
            last = char(e.bytes[1]);
        out.push_back({e.call, last, e.result, e.atMs});
    }
    return out;
}

} // namespace

class TestDownload : public QObject {
    Q_OBJECT
private slots:
    void targetLength_data()
    {
        QTest::addColumn<int>("reported");
        QTest::addColumn<int>("target");
        QTest::newRow("1000") << 1000 << 1024;
        QTest::newRow("256") << 256 << 256;
        QTest::newRow("255") << 255 << 131072;
        QTest::newRow("fill pointer 0") << 1 << 131072;
        QTest::newRow("131072") << 131072 << 131072;
        QTest::newRow("131073") << 131073 << 131072;
        QTest::newRow("fill pointer FFFFFF") << 0x1000000 << 131072;
        QTest::newRow("11037") << 11037 << 11040;
    }
    void targetLength()
    {
        QFETCH(int, reported);
        QTEST(downloadTargetLength(reported), "target");
    }

    // Whole downloads: the opening selection brings block 0, one 'p' per further block,
    // then 'q'; the image is the meter's memory up to the target length.
    void wholeDownload_data()
    {
        QTest::addColumn<int>("fill");
        QTest::addColumn<int>("target");
        QTest::newRow("reported 1000") << 999 << 1024;
        QTest::newRow("reported 131072") << 131071 << 131072;
        QTest::newRow("fill pointer 0") << 0 << 131072;
    }
    void wholeDownload()
    {
        QFETCH(int, fill);
        QFETCH(int, target);
        LoggerRig rig;
        rig.setMemory(memoryWithFill(fill));
        MemoryImage image;
        QCOMPARE(downloadMemory(rig.session, image, &rig.observer), 0);
        QCOMPARE(int(image.size()), target);
        QCOMPARE(image, rig.memory().left(target));
        QCOMPARE(rig.observer.startedWith, QList<int>{target});
        QCOMPARE(rig.observer.received.size(), target / 32 - 1);
        QCOMPARE(rig.observer.received.first(), 64);
        QCOMPARE(rig.observer.received.last(), target);
        QCOMPARE(rig.observer.finishedCount, 1);
        QCOMPARE(rig.observer.cursor, (QList<bool>{true, false}));
        QCOMPARE(rig.commands(), "P" + QString(target / 32 - 1, 'p') + "q");
        const auto &opening = rig.sim.log()[2].bytes; // open, time-outs, then the selection
        QCOMPARE(int(opening[2]), 0x00);
        QCOMPARE(int(opening[3]), 0x01);
        QVERIFY(!rig.sim.readoutActive());
    }

    // One lost block: a pause of a second, one 'r', and the next 'p' brings it in place.
    void failedBlockRepairedInPlace()
    {
        LoggerRig rig;
        rig.setMemory(memoryWithFill(999));
        Saboteur s;
        bool done = false;
        s.rule = [&](Call call, char last) {
            if (call == Call::ReadReply && last == 'p' && s.blocks == 5 && !done) {
                done = true;
                return -1;
            }
            return 0;
        };
        rig.sim.setFaultHook(s.hook());
        MemoryImage image;
        QCOMPARE(downloadMemory(rig.session, image, &rig.observer), 0);
        QCOMPARE(image, rig.memory().left(1024));
        QCOMPARE(rig.count('r'), 1);
        QCOMPARE(rig.count('A'), 0); // no resumption
        QCOMPARE(rig.count('p'), 31 + 1);

        const auto log = steps(rig.sim);
        std::size_t failed = 0;
        while (log[failed].result == 0)
            ++failed;
        QVERIFY(log[failed].call == Call::ReadReply);
        std::size_t repeat = failed + 1;
        while (!(log[repeat].call == Call::WriteCommand && log[repeat].command == 'r'))
            ++repeat;
        QCOMPARE(repeat, failed + 1); // nothing but the pause in between
        QVERIFY(log[repeat].atMs - log[failed].atMs >= 1000);
        QVERIFY(log[repeat].atMs - log[failed].atMs < 1200);
    }

    // A link that stops for good: five resumption attempts, each a live status command and
    // two block selections 300 ms apart, then the code of the last attempt and 'Q'.
    void linkStopsForGood_data()
    {
        QTest::addColumn<int>("fault"); // 0 stall, 1 'p' writes fail, 2 block reads fail
        QTest::addColumn<int>("code");
        QTest::newRow("selection fails") << 0 << 1260;
        QTest::newRow("'p' write fails") << 1 << 1261;
        QTest::newRow("block read fails") << 2 << 1263;
    }
    void linkStopsForGood()
    {
        QFETCH(int, fault);
        QFETCH(int, code);
        LoggerRig rig;
        rig.setMemory(imageOf(sim::demoDataSets()));
        QVERIFY(rig.connect());
        Saboteur s;
        s.rule = [&](Call call, char last) {
            if (s.blocks < 10)
                return 0;
            if (fault == 0)
                rig.sim.setStalled(true);
            if (fault == 1 && call == Call::WriteCommand && last == 'p')
                return -1;
            if (fault == 2 && call == Call::ReadReply && (last == 'p' || last == 'r'))
                return -1;
            return 0;
        };
        rig.sim.setFaultHook(s.hook());
        rig.sim.clearLog();
        const std::uint8_t sequenceBefore = rig.session.link().sequence();

        rig.load();

        QCOMPARE(rig.messages, QStringList{errorText(code)});
        QCOMPARE(rig.count('A'), 5);
        QCOMPARE(rig.session.link().sequence(), std::uint8_t(sequenceBefore + 5));
        QVERIFY(rig.store.isEmpty());
        QVERIFY(rig.store.memoryImage().isEmpty());
        QVERIFY(!rig.logger.unsavedDataSets());
        QVERIFY(rig.session.mainTimer().isActive());
        QVERIFY(!rig.logger.downloadBusy());
        QVERIFY(!QFile::exists(rig.logger.workingCopyPath()));

        // Each attempt: 'A', then 'P' twice with the pause between the first one's reply
        // and the second one's opening.
        const auto log = steps(rig.sim);
        const QString sent = rig.commands();
        QVERIFY2(sent.endsWith('Q'), qPrintable(sent));
        QCOMPARE(sent.count("APP"), 5);
        int attempts = 0;
        for (std::size_t i = 0; i < log.size(); ++i) {
            if (!(log[i].call == Call::WriteCommand && log[i].command == 'A'))
                continue;
            ++attempts;
            std::size_t firstRead = i + 1;
            while (!(log[firstRead].call == Call::ReadReply && log[firstRead].command == 'P'))
                ++firstRead;
            std::size_t secondOpen = firstRead + 1;
            while (log[secondOpen].call != Call::Open)
                ++secondOpen;
            QVERIFY(log[secondOpen].atMs - log[firstRead].atMs >= 300);
        }
        QCOMPARE(attempts, 5);
        // The abandon command: completeWrite, then 'Q' with no open and no read after it.
        QVERIFY(log[log.size() - 2].call == Call::CompleteWrite);
        QVERIFY(log.back().call == Call::WriteCommand && log.back().command == 'Q');
    }

    // Every block that arrives resets the failure count: one block per attempt goes on
    // until the image is complete.
    void oneBlockPerAttempt()
    {
        LoggerRig rig;
        rig.setMemory(memoryWithFill(1023));
        Saboteur s;
        s.rule = [&](Call call, char last) {
            return call == Call::ReadReply && (last == 'p' || last == 'r') && s.pSinceSelect >= 2 ? -1 : 0;
        };
        rig.sim.setFaultHook(s.hook());
        MemoryImage image;
        QCOMPARE(downloadMemory(rig.session, image, &rig.observer), 0);
        QCOMPARE(image, rig.memory().left(1024));
        QCOMPARE(rig.count('A'), 30); // blocks 2 to 31, one per attempt
        QVERIFY(rig.commands().endsWith('q'));
        QCOMPARE(rig.observer.received.last(), 1024);
    }

    // A block whose 'p' always fails while its 'r' always answers is not repeated for ever.
    void repeatsAreBounded()
    {
        LoggerRig rig;
        rig.setMemory(memoryWithFill(1023));
        Saboteur s;
        s.rule = [&](Call call, char last) { return call == Call::ReadReply && last == 'p' && s.blocks >= 3 ? -1 : 0; };
        rig.sim.setFaultHook(s.hook());
        MemoryImage image;
        QCOMPARE(downloadMemory(rig.session, image, &rig.observer), 1263);
        QCOMPARE(rig.count('r'), 5);
        QCOMPARE(rig.count('A'), 5);
        QCOMPARE(int(image.size()), 4 * 32);
    }

    // The first pass on a memory of 8 blocks, one block read lost: each call with its
    // bytes and time, the repeat a second after the loss, and 'q' at the end.
    void goldenFirstPass()
    {
        VirtualClock clock;
        SimulatedMeter sim(clock);
        sim.setMemoryImage(toVector(memoryWithFill(255)));
        TraceCapture trace(sim, clock);
        MeterSession session(trace.device(), clock);
        QVERIFY(session.link().readLiveStatus()); // leaves its sequence number in byte 5
        trace.take();
        char last = 0;
        int blockWrites = 0;
        sim.setFaultHook([&](Call call, const std::uint8_t *bytes, int) {
            if (call == Call::WriteCommand) {
                last = char(bytes[1]);
                blockWrites += last == 'p';
            }
            return call == Call::ReadReply && last == 'p' && blockWrites == 3 ? -1 : 0;
        });
        MemoryImage image;
        QCOMPARE(downloadMemory(session, image), 0);
        QCOMPARE(image, toBytes(sim.memoryImage()).left(256));
        const QStringList expected = {
            "[0 ms] openDevice 04D9:E000 -> 0",
            "[0 ms] setTimeouts 100 100 -> 0",
            "[0 ms] writeCommand 7: 02 50 00 01 00 01 03 -> 0",
            "[0 ms] completeWrite -> 0",
            "[101 ms] readReply 36 -> 0",
            "[101 ms] writeCommand 7: 02 70 00 01 00 01 03 -> 0",
            "[101 ms] completeWrite -> 0",
            "[101 ms] readReply 36 -> 0",
            "[101 ms] writeCommand 7: 02 70 00 01 00 01 03 -> 0",
            "[101 ms] completeWrite -> 0",
            "[101 ms] readReply 36 -> 0",
            "[101 ms] writeCommand 7: 02 70 00 01 00 01 03 -> 0",
            "[101 ms] completeWrite -> 0",
            "[101 ms] readReply 36 -> -1",
            "[1102 ms] writeCommand 7: 02 72 00 01 00 01 03 -> 0",
            "[1102 ms] completeWrite -> 0",
            "[1102 ms] readReply 36 -> 0",
            "[1102 ms] writeCommand 7: 02 70 00 01 00 01 03 -> 0",
            "[1102 ms] completeWrite -> 0",
            "[1102 ms] readReply 36 -> 0",
            "[1102 ms] writeCommand 7: 02 70 00 01 00 01 03 -> 0",
            "[1102 ms] completeWrite -> 0",
            "[1102 ms] readReply 36 -> 0",
            "[1102 ms] writeCommand 7: 02 70 00 01 00 01 03 -> 0",
            "[1102 ms] completeWrite -> 0",
            "[1102 ms] readReply 36 -> 0",
            "[1102 ms] writeCommand 7: 02 70 00 01 00 01 03 -> 0",
            "[1102 ms] completeWrite -> 0",
            "[1102 ms] readReply 36 -> 0",
            "[1102 ms] writeCommand 7: 02 70 00 01 00 01 03 -> 0",
            "[1102 ms] completeWrite -> 0",
            "[1102 ms] readReply 36 -> 0",
            "[1102 ms] writeCommand 7: 02 71 00 01 00 01 03 -> 0",
        };
        QCOMPARE(trace.take(), expected);
    }

    // The first pass loses a block and its repeat; the first resumption attempt loses a
    // block too (1263), the second brings the rest.
    void goldenResumption()
    {
        VirtualClock clock;
        SimulatedMeter sim(clock);
        sim.setMemoryImage(toVector(memoryWithFill(255)));
        TraceCapture trace(sim, clock);
        MeterSession session(trace.device(), clock);
        char last = 0;
        int blockWrites = 0;
        sim.setFaultHook([&](Call call, const std::uint8_t *bytes, int) {
            if (call == Call::WriteCommand) {
                last = char(bytes[1]);
                blockWrites += last == 'p';
            }
            const bool lost = (last == 'p' && (blockWrites == 4 || blockWrites == 5)) || last == 'r';
            return call == Call::ReadReply && lost ? -1 : 0;
        });
        MemoryImage image;
        QCOMPARE(downloadMemory(session, image), 0);
        QCOMPARE(image, toBytes(sim.memoryImage()).left(256));
        const QStringList expected = {
            "[0 ms] openDevice 04D9:E000 -> 0",
            "[0 ms] setTimeouts 100 100 -> 0",
            "[0 ms] writeCommand 7: 02 50 00 01 00 00 03 -> 0",
            "[0 ms] completeWrite -> 0",
            "[101 ms] readReply 36 -> 0",
            "[101 ms] writeCommand 7: 02 70 00 01 00 00 03 -> 0",
            "[101 ms] completeWrite -> 0",
            "[101 ms] readReply 36 -> 0",
            "[101 ms] writeCommand 7: 02 70 00 01 00 00 03 -> 0",
            "[101 ms] completeWrite -> 0",
            "[101 ms] readReply 36 -> 0",
            "[101 ms] writeCommand 7: 02 70 00 01 00 00 03 -> 0",
            "[101 ms] completeWrite -> 0",
            "[101 ms] readReply 36 -> 0",
            "[101 ms] writeCommand 7: 02 70 00 01 00 00 03 -> 0",
            "[101 ms] completeWrite -> 0",
            "[101 ms] readReply 36 -> -1",
            "[1102 ms] writeCommand 7: 02 72 00 01 00 00 03 -> 0",
            "[1102 ms] completeWrite -> 0",
            "[1102 ms] readReply 36 -> -1",
            "[1102 ms] writeCommand 7: 02 41 00 01 00 01 03 -> 0",
            "[1102 ms] completeWrite -> 0",
            "[1102 ms] readReply 32 -> 0",
            "[1403 ms] openDevice 04D9:E000 -> 0",
            "[1504 ms] setTimeouts 100 100 -> 0",
            "[1605 ms] writeCommand 7: 02 50 00 04 00 01 03 -> 0",
            "[1605 ms] completeWrite -> 0",
            "[1706 ms] readReply 36 -> 0",
            "[2007 ms] openDevice 04D9:E000 -> 0",
            "[2108 ms] setTimeouts 100 100 -> 0",
            "[2209 ms] writeCommand 7: 02 50 00 04 00 01 03 -> 0",
            "[2209 ms] completeWrite -> 0",
            "[2310 ms] readReply 36 -> 0",
            "[2310 ms] writeCommand 7: 02 70 00 04 00 01 03 -> 0",
            "[2310 ms] completeWrite -> 0",
            "[2310 ms] readReply 36 -> -1",
            "[2310 ms] writeCommand 7: 02 41 00 04 00 02 03 -> 0",
            "[2310 ms] completeWrite -> 0",
            "[2310 ms] readReply 32 -> 0",
            "[2611 ms] openDevice 04D9:E000 -> 0",
            "[2712 ms] setTimeouts 100 100 -> 0",
            "[2813 ms] writeCommand 7: 02 50 00 04 00 02 03 -> 0",
            "[2813 ms] completeWrite -> 0",
            "[2914 ms] readReply 36 -> 0",
            "[3215 ms] openDevice 04D9:E000 -> 0",
            "[3316 ms] setTimeouts 100 100 -> 0",
            "[3417 ms] writeCommand 7: 02 50 00 04 00 02 03 -> 0",
            "[3417 ms] completeWrite -> 0",
            "[3518 ms] readReply 36 -> 0",
            "[3518 ms] writeCommand 7: 02 70 00 04 00 02 03 -> 0",
            "[3518 ms] completeWrite -> 0",
            "[3518 ms] readReply 36 -> 0",
            "[3518 ms] writeCommand 7: 02 70 00 04 00 02 03 -> 0",
            "[3518 ms] completeWrite -> 0",
            "[3518 ms] readReply 36 -> 0",
            "[3518 ms] writeCommand 7: 02 70 00 04 00 02 03 -> 0",
            "[3518 ms] completeWrite -> 0",
            "[3518 ms] readReply 36 -> 0",
            "[3518 ms] writeCommand 7: 02 70 00 04 00 02 03 -> 0",
            "[3518 ms] completeWrite -> 0",
            "[3518 ms] readReply 36 -> 0",
            "[3518 ms] writeCommand 7: 02 71 00 04 00 02 03 -> 0",
        };
        QCOMPARE(trace.take(), expected);
    }

    // The opening exchange fails without resumption, progress window or lasting hourglass.
    void openingFailures_data()
    {
        QTest::addColumn<int>("call"); // the call that fails, or -1 for wrong end marks
        QTest::addColumn<int>("code");
        QTest::newRow("open") << int(Call::Open) << 1002;
        QTest::newRow("time-outs") << int(Call::SetTimeouts) << 1003;
        QTest::newRow("selection write") << int(Call::WriteCommand) << 1004;
        QTest::newRow("selection reply") << int(Call::ReadReply) << 1005;
        QTest::newRow("end marks") << -1 << 1006;
    }
    void openingFailures()
    {
        QFETCH(int, call);
        QFETCH(int, code);
        LoggerRig rig;
        QVERIFY(rig.connect());
        rig.sim.clearLog();
        if (call >= 0)
            rig.sim.failNext(Call(call));
        else
            rig.sim.setReplyHook([](char c, std::vector<std::uint8_t> &r) {
                if (c == 'P')
                    r[34] = 0x00;
            });
        rig.load();
        QCOMPARE(rig.messages, QStringList{errorText(code)});
        QVERIFY(rig.observer.startedWith.isEmpty());
        QCOMPARE(rig.observer.finishedCount, 0);
        QCOMPARE(rig.observer.cursor, (QList<bool>{true, false}));
        QCOMPARE(rig.commands(), QString(code <= 1003 ? "Q" : "PQ")); // no open, no reply for 'Q'

        QCOMPARE(rig.windowCalls, QStringList{"open"});
        QVERIFY(rig.session.mainTimer().isActive());
    }

    // All blocks arrive but 'q' cannot be written: 125, and everything of the earlier load
    // stays as it was.
    void failedEndKeepsPreviousLoad()
    {
        LoggerRig rig;
        QVERIFY(rig.connect());
        rig.load();
        QVERIFY(rig.messages.isEmpty());
        QCOMPARE(rig.store.count(), 3);
        rig.logger.setUnsavedDataSets(false);
        QFile copy(rig.logger.workingCopyPath());
        QVERIFY(copy.open(QIODevice::ReadOnly));
        const QByteArray before = copy.readAll();
        copy.close();
        const std::vector<float> values = rig.store.sampleValues();

        rig.setMemory(imageOf({makeSet(QDateTime(QDate(2020, 1, 1), QTime(0, 0)), 5, {{1, 2, 3, 4}})}));
        Saboteur s;
        s.rule = [](Call call, char last) { return call == Call::WriteCommand && last == 'q' ? -1 : 0; };
        rig.sim.setFaultHook(s.hook());
        rig.windowCalls.clear();
        rig.load();

        QCOMPARE(rig.messages, QStringList{errorText(125)});
        QVERIFY(rig.commands().endsWith("qQ"));
        QCOMPARE(rig.store.count(), 3);
        QVERIFY(rig.store.sampleValues() == values);
        QVERIFY(rig.store.memoryImage().isEmpty());
        QCOMPARE(rig.windowCalls, QStringList{"open"});
        QVERIFY(!rig.logger.unsavedDataSets());
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), before);
    }

    void noDataSets()
    {
        LoggerRig rig;
        rig.setMemory(imageOf({}));
        QVERIFY(rig.connect());
        rig.load();
        QCOMPARE(rig.messages, QStringList{"Pas de données enregistrées dans l'appareil !"});
        QCOMPARE(rig.count('Q'), 0);
        QVERIFY(rig.store.isEmpty());
        QCOMPARE(rig.windowCalls, QStringList{"open"});
        QVERIFY(!rig.logger.unsavedDataSets());
    }

    // A successful load: the link held throughout with the poll timer off, a second click
    // meanwhile ignored, the windows told in order, the working copy written.
    void successfulLoad()
    {
        LoggerRig rig;
        QVERIFY(rig.connect());
        rig.sim.clearLog();
        rig.sim.failNext(Call::ReadReply, 2); // the poll's failures are reset by the load
        rig.clock.advance(2 * 200);
        QCOMPARE(rig.session.failureCount(), 2);

        int checks = 0;
        rig.observer.onProgress = [&](int) {
            if (checks++ == 3) {
                QVERIFY(!rig.session.mainTimer().isActive());
                QVERIFY(rig.session.gate().userExchangeActive());
                QVERIFY(rig.logger.downloadBusy());
                rig.load(); // a second click while the load runs
                rig.clock.advance(1000); // nothing polls meanwhile
            }
        };
        rig.sim.clearLog();
        rig.load();

        QVERIFY(rig.messages.isEmpty());
        QCOMPARE(rig.count('P'), 1);
        QCOMPARE(rig.count('K') + rig.count('A'), 0);
        QCOMPARE(rig.windowCalls, (QStringList{"open", "grid", "show 0"}));
        QCOMPARE(rig.session.failureCount(), 0);
        QVERIFY(rig.session.mainTimer().isActive());
        QVERIFY(!rig.session.gate().userExchangeActive());
        QVERIFY(!rig.logger.downloadBusy());
        QVERIFY(rig.logger.unsavedDataSets());
        QVERIFY(rig.store.memoryImage().isEmpty());

        DataSetStore direct;
        QCOMPARE(direct.parse(rig.memory(), rig.clock.now()), 0);
        QCOMPARE(rig.store.count(), 3);
        QVERIFY(rig.store.sampleValues() == direct.sampleValues());
        QVERIFY(rig.store.sampleTimes() == direct.sampleTimes());

        QFile copy(rig.logger.workingCopyPath());
        QVERIFY(copy.open(QIODevice::ReadOnly));
        const QByteArray saved = copy.readAll();
        const int end = rig.store.dataSets().back().endPosition + 1;
        QVERIFY(saved.size() >= end);
        QCOMPARE(saved, rig.memory().left(saved.size()));
    }

    void refusals_data()
    {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<bool>("recording");
        QTest::addColumn<QString>("text");
        QTest::newRow("not connected") << false << false << QString("Il n'y a pas de connexion avec l'appareil !");
        QTest::newRow("recording") << true << true
                                   << QString("Enregistrement en cours. Arrêtez l'enregistrement avant de charger les données.");
    }
    void refusals()
    {
        QFETCH(bool, connected);
        QFETCH(bool, recording);
        QFETCH(QString, text);
        LoggerRig rig;
        if (connected)
            QVERIFY(rig.connect());
        if (recording) {
            const std::uint8_t rec[7] = {0x02, 'E', 0, 0, 0, 0, 0x03};
            rig.sim.openDevice(kMeterVendorId, kMeterProductId);
            rig.sim.writeCommand(7, rec);
            rig.clock.advance(200);
            QVERIFY(rig.session.liveState().loggerRecording);
        }
        const bool timerBefore = rig.session.mainTimer().isActive();
        rig.sim.clearLog();
        rig.load();
        QCOMPARE(rig.messages, QStringList{text});
        QVERIFY(rig.sim.log().empty());
        QVERIFY(rig.windowCalls.isEmpty());
        QCOMPARE(rig.session.mainTimer().isActive(), timerBefore);
        QVERIFY(!rig.logger.downloadBusy());
    }

    // Another exchange holds the link (a key's wait is dispatching the click): the load
    // does not interleave with it.
    void linkTakenByAnotherExchange()
    {
        LoggerRig rig;
        QVERIFY(rig.connect());
        UserExchange other(rig.session.gate());
        QVERIFY(other.ok());
        rig.sim.clearLog();
        rig.load();
        QVERIFY(rig.sim.log().empty());
        QVERIFY(rig.messages.isEmpty());
        QVERIFY(!rig.logger.downloadBusy());
    }

    // The working folder can be neither found nor created: its path is the message, the
    // sets are in the grid but not drawn, and the load is not marked unsaved.
    void workingFolderUnavailable()
    {
        LoggerRig rig;
        const QString data = rig.folder.path() + "/missing/";
        rig.logger.setDataFolder(data);
        QVERIFY(rig.connect());
        rig.load();
        QCOMPARE(rig.messages, QStringList{QDir::toNativeSeparators(data + "temp")});
        QCOMPARE(rig.windowCalls, (QStringList{"open", "grid"}));
        QCOMPARE(rig.store.count(), 3);
        QVERIFY(!rig.logger.unsavedDataSets());
        QCOMPARE(rig.count('Q'), 0);
        QVERIFY(rig.session.mainTimer().isActive());
        QVERIFY(!rig.logger.downloadBusy());
        QVERIFY(rig.store.memoryImage().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDownload)
#include "test_download.moc"
