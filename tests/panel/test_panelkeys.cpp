// The key exchange: the codes of its steps and which one counts, the report it sends, the
// pause after a failure, and its calls on the simulated meter.
#include "meter/ScriptedDevice.h"
#include "meter/TraceCapture.h"
#include "panel/PanelKeys.h"
#include "sim/SimulatedMeter.h"

#include <QTest>

using namespace qx;
using namespace qx::test;
using Call = SimulatedMeter::Call;

class TestPanelKeys : public QObject {
    Q_OBJECT
private slots:
    // The key goes on after a failed open, time-out setting or write; the reply decides,
    // and when it says "OK" the last of those failures is the result.
    void codes_data()
    {
        QTest::addColumn<int>("open");
        QTest::addColumn<int>("timeouts");
        QTest::addColumn<int>("write");
        QTest::addColumn<int>("read"); // 0 a reply, 1 no reply, 2 the read raises an error
        QTest::addColumn<bool>("replyOk");
        QTest::addColumn<int>("code");
        QTest::newRow("all well") << 0 << 0 << 0 << 0 << true << 0;
        QTest::newRow("open fails") << -1 << 0 << 0 << 0 << true << 7002;
        QTest::newRow("time-outs fail") << 0 << -1 << 0 << 0 << true << 7003;
        QTest::newRow("write fails") << 0 << 0 << -1 << 0 << true << 7004;
        QTest::newRow("open and write fail") << -1 << 0 << -1 << 0 << true << 7004;
        QTest::newRow("no reply") << 0 << 0 << 0 << 1 << true << 7005;
        QTest::newRow("open fails, no reply") << -1 << 0 << 0 << 1 << true << 7005;
        QTest::newRow("time-outs fail, read raises") << 0 << -1 << 0 << 2 << true << 7007;
        QTest::newRow("reply not OK") << 0 << 0 << 0 << 0 << false << 7006;
        QTest::newRow("write fails, reply not OK") << 0 << 0 << -1 << 0 << false << 7006;
    }
    void codes()
    {
        QFETCH(int, open);
        QFETCH(int, timeouts);
        QFETCH(int, write);
        QFETCH(int, read);
        QFETCH(bool, replyOk);
        QFETCH(int, code);
        VirtualClock clock;
        ScriptedDevice device;
        MeterSession session(device, clock);
        PanelKeys keys(session);
        device.openResult = open;
        device.timeoutsResult = timeouts;
        device.commandResult = write;
        device.readResult = read == 1 ? -1 : 0;
        device.readThrows = read == 2;
        device.reply = {0x02, 'M', 'O', replyOk ? std::uint8_t('K') : std::uint8_t('X')};

        session.mainTimer().start();
        const qint64 before = clock.tickMs();
        QCOMPARE(keys.press('M'), code);
        // Every step runs, whatever failed before it; the device stays open.
        const QStringList calls = {"open 04d9:e000", "timeouts 100 100", "command 02 4D 00 00 00 00 03", "complete",
                                   "read 32"};
        QCOMPARE(device.calls, calls);
        // A failure pauses 300 ms before polling resumes.
        const qint64 waited = clock.tickMs() - before;
        QVERIFY2(code == 0 ? waited < 300 : waited > 300, qPrintable(QString::number(waited)));
        QVERIFY(session.mainTimer().isActive());
    }

    // A key press on the meter and one while it is unplugged: the panel's own buffer, the
    // polls held off during the key, 300 ms after the failed one.
    void goldenTrace()
    {
        VirtualClock clock;
        SimulatedMeter sim(clock);
        TraceCapture trace(sim, clock);
        MeterSession session(trace.device(), clock);
        PanelKeys keys(session);
        session.mainTimer().start();
        clock.advance(700); // identity, then one live status
        QVERIFY(session.connected());
        trace.take();

        clock.advance(100);
        QCOMPARE(keys.press('H'), 0);
        QVERIFY(sim.hold());
        clock.advance(200);
        sim.setUnplugged(true);
        QCOMPARE(keys.press('B'), 7005);
        sim.setUnplugged(false);
        clock.advance(300);
        const QStringList expected = {
            "[800 ms] openDevice 04D9:E000 -> 0",
            "[800 ms] setTimeouts 100 100 -> 0",
            "[800 ms] writeCommand 7: 02 48 00 00 00 00 03 -> 0",
            "[800 ms] completeWrite -> 0",
            "[800 ms] readReply 32 -> 0",
            "[1000 ms] openDevice 04D9:E000 -> 0",
            "[1000 ms] setTimeouts 100 100 -> 0",
            "[1000 ms] writeCommand 7: 02 41 00 00 00 02 03 -> 0",
            "[1000 ms] completeWrite -> 0",
            "[1000 ms] readReply 64 -> 0",
            "[1000 ms] closeDevice -> 0",
            "[1000 ms] openDevice 04D9:E000 -> -4",
            "[1000 ms] setTimeouts 100 100 -> -4",
            "[1000 ms] writeCommand 7: 02 42 00 00 00 00 03 -> -4",
            "[1000 ms] completeWrite -> -4",
            "[1000 ms] readReply 32 -> -4",
            "[1501 ms] openDevice 04D9:E000 -> 0",
            "[1501 ms] setTimeouts 100 100 -> 0",
            "[1501 ms] writeCommand 7: 02 41 00 00 00 03 03 -> 0",
            "[1501 ms] completeWrite -> 0",
            "[1501 ms] readReply 64 -> 0",
            "[1501 ms] closeDevice -> 0",
        };
        QCOMPARE(trace.take(), expected);
    }
};

QTEST_GUILESS_MAIN(TestPanelKeys)
#include "test_panelkeys.moc"
