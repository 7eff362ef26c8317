// The main window's exchanges on the simulated meter: framing, stale bytes, the sequence
// number, block selection codes and the closing rule.
#include "meter/MeterSession.h"
#include "meter/TraceCapture.h"
#include "sim/SimulatedMeter.h"

#include <QTest>

using namespace qx;
using Call = SimulatedMeter::Call;

namespace {

std::vector<std::vector<std::uint8_t>> commandsSent(const SimulatedMeter &sim)
{
    std::vector<std::vector<std::uint8_t>> out;
    for (const auto &e : sim.log())
        if (e.call == Call::WriteCommand)
            out.push_back(e.bytes);
    return out;
}

int count(const SimulatedMeter &sim, Call call)
{
    int n = 0;
    for (const auto &e : sim.log())
        n += e.call == call;
    return n;
}

} // namespace

class TestLink : public QObject {
    Q_OBJECT
private slots:
    void sequenceWrapsAndStaysInStaleByte()
    {
        VirtualClock clock;
        SimulatedMeter sim(clock);
        MeterSession session(sim, clock);
        MeterLink &link = session.link();
        for (int i = 0; i < 257; ++i)
            QVERIFY(link.readLiveStatus());
        auto sent = commandsSent(sim);
        QCOMPARE(int(sent.size()), 257);
        QCOMPARE(int(sent[0][5]), 1);
        QCOMPARE(int(sent[254][5]), 255);
        QCOMPARE(int(sent[255][5]), 0);
        QCOMPARE(int(sent[256][5]), 1);

        sim.clearLog();
        QVERIFY(link.queryIdentity());
        QCOMPARE(link.selectBlock(3), 0);
        sent = commandsSent(sim);
        const std::vector<std::uint8_t> k = {0x02, 'K', 0x00, 0x00, 0x00, 0x01, 0x03};
        const std::vector<std::uint8_t> p = {0x02, 'P', 0x00, 0x03, 0x00, 0x01, 0x03};
        QCOMPARE(sent[0], k);
        QCOMPARE(sent[1], p);
        // The next identity query still carries the block number of the selection.
        QVERIFY(link.queryIdentity());
        const std::vector<std::uint8_t> k2 = {0x02, 'K', 0x00, 0x03, 0x00, 0x01, 0x03};
        QCOMPARE(commandsSent(sim).back(), k2);
    }

    void liveStatusClearsReplyAndClosesEvenAfterFailedOpen()
    {
        VirtualClock clock;
        SimulatedMeter sim(clock);
        MeterSession session(sim, clock);
        MeterLink &link = session.link();
        link.reply().fill(0xEE);
        sim.failNext(Call::ReadReply);
        QVERIFY(!link.readLiveStatus());
        QCOMPARE(int(link.reply()[10]), 0); // cleared before the read

        for (bool identity : {true, false}) {
            sim.clearLog();
            sim.failNext(Call::Open);
            QVERIFY(!(identity ? link.queryIdentity() : link.readLiveStatus()));
            QCOMPARE(count(sim, Call::Close), 1);
            QCOMPARE(count(sim, Call::WriteCommand), 0);
        }
    }

    void selectBlockCodes_data()
    {
        QTest::addColumn<int>("fault"); // 0 none, 1 open, 2 time-outs, 3 write, 4 read, 5 marks, 6 echo
        QTest::addColumn<int>("code");
        QTest::newRow("ok") << 0 << 0;
        QTest::newRow("open") << 1 << 1002;
        QTest::newRow("time-outs") << 2 << 1003;
        QTest::newRow("write") << 3 << 1004;
        QTest::newRow("no reply") << 4 << 1005;
        QTest::newRow("end marks") << 5 << 1006;
        QTest::newRow("echo") << 6 << 1007;
    }
    void selectBlockCodes()
    {
        QFETCH(int, fault);
        QFETCH(int, code);
        VirtualClock clock;
        SimulatedMeter sim(clock);
        MeterSession session(sim, clock);
        switch (fault) {
        case 1: sim.failNext(Call::Open); break;
        case 2: sim.failNext(Call::SetTimeouts); break;
        case 3: sim.failNext(Call::WriteCommand); break;
        case 4: sim.failNext(Call::ReadReply); break;
        case 5: sim.setReplyHook([](char c, std::vector<std::uint8_t> &r) { if (c == 'P') r[35] = 0x06; }); break;
        case 6: sim.setReplyHook([](char c, std::vector<std::uint8_t> &r) { if (c == 'P') r[32] = 0x00; }); break;
        }
        session.mainTimer().start();
        QCOMPARE(session.link().selectBlock(256), code);
        QVERIFY(!session.mainTimer().isActive()); // the caller starts it again
        QCOMPARE(count(sim, Call::Close), 0);     // the device stays open
        if (fault == 0 || fault >= 4) {
            const std::vector<std::uint8_t> p = {0x02, 'P', 0x01, 0x00, 0x00, 0x00, 0x03};
            QCOMPARE(commandsSent(sim).back(), p);
        }
    }

    // What goes to the meter, when, and what comes of it: identity with another model and
    // with ours, two polls (one read lost), then block selections with a wrong echo and
    // with a failed open.
    void goldenTrace()
    {
        VirtualClock clock;
        SimulatedMeter sim(clock);
        test::TraceCapture trace(sim, clock);
        MeterSession session(trace.device(), clock);
        sim.setModelDigits("735");
        session.mainTimer().start();
        clock.advance(500);
        sim.setModelDigits("736");
        clock.advance(500);
        QVERIFY(session.connected());
        clock.advance(200);
        sim.failNext(Call::ReadReply);
        clock.advance(200);
        QCOMPARE(session.failureCount(), 1);
        sim.setReplyHook([](char c, std::vector<std::uint8_t> &r) {
            if (c == 'P')
                r[33] = 0x01;
        });
        QCOMPARE(session.link().selectBlock(256), 1007);
        sim.failNext(Call::Open);
        QCOMPARE(session.link().selectBlock(2), 1002);
        const QStringList expected = {
            "[500 ms] openDevice 04D9:E000 -> 0",
            "[500 ms] setTimeouts 100 100 -> 0",
            "[500 ms] writeCommand 7: 02 4B 00 00 00 00 03 -> 0",
            "[500 ms] completeWrite -> 0",
            "[500 ms] readReply 32 -> 0",
            "[500 ms] closeDevice -> 0",
            "[1000 ms] openDevice 04D9:E000 -> 0",
            "[1000 ms] setTimeouts 100 100 -> 0",
            "[1000 ms] writeCommand 7: 02 4B 00 00 00 00 03 -> 0",
            "[1000 ms] completeWrite -> 0",
            "[1000 ms] readReply 32 -> 0",
            "[1000 ms] closeDevice -> 0",
            "[1200 ms] openDevice 04D9:E000 -> 0",
            "[1200 ms] setTimeouts 100 100 -> 0",
            "[1200 ms] writeCommand 7: 02 41 00 00 00 01 03 -> 0",
            "[1200 ms] completeWrite -> 0",
            "[1200 ms] readReply 64 -> 0",
            "[1200 ms] closeDevice -> 0",
            "[1400 ms] openDevice 04D9:E000 -> 0",
            "[1400 ms] setTimeouts 100 100 -> 0",
            "[1400 ms] writeCommand 7: 02 41 00 00 00 02 03 -> 0",
            "[1400 ms] completeWrite -> 0",
            "[1400 ms] readReply 64 -> -1",
            "[1400 ms] closeDevice -> 0",
            "[1400 ms] openDevice 04D9:E000 -> 0",
            "[1501 ms] setTimeouts 100 100 -> 0",
            "[1602 ms] writeCommand 7: 02 50 01 00 00 02 03 -> 0",
            "[1602 ms] completeWrite -> 0",
            "[1703 ms] readReply 36 -> 0",
            "[1703 ms] openDevice 04D9:E000 -> -1",
        };
        QCOMPARE(trace.take(), expected);
    }

    void retryPausesGrow()
    {
        VirtualClock clock;
        SimulatedMeter sim(clock);
        MeterSession session(sim, clock);
        sim.failNext(Call::ReadReply, 3);
        const qint64 start = clock.tickMs();
        QVERIFY(session.link().readLiveStatusRetry());
        QCOMPARE(count(sim, Call::WriteCommand), 4);
        // Waits of more than 100, 110, 120 and 130 ms before the four attempts.
        QVERIFY(clock.tickMs() - start >= 101 + 111 + 121 + 131);

        sim.clearLog();
        sim.setUnplugged(true);
        QVERIFY(!session.link().readLiveStatusRetry());
        QCOMPARE(count(sim, Call::Open), 10);
    }
};

QTEST_GUILESS_MAIN(TestLink)
#include "test_link.moc"
