// Connection supervision in virtual time: identity, failure counting, the seconds counter
// that paces real-time samples, the flash timers and the one-exchange-at-a-time rule.
#include "meter/MeterSession.h"
#include "sim/SimulatedMeter.h"

#include <QSignalSpy>
#include <QTest>

using namespace qx;
using Call = SimulatedMeter::Call;

namespace {

struct Rig {
    // Starts at a whole second so the seconds field changes every 1000 ms of ticks.
    VirtualClock clock{QDateTime(QDate(2026, 3, 14), QTime(9, 30, 0, 0))};
    SimulatedMeter sim{clock};
    MeterSession session{sim, clock};

    void connect()
    {
        session.mainTimer().start();
        clock.advance(500);
        QVERIFY(session.connected());
    }
    int commands(char c) const
    {
        int n = 0;
        for (const auto &e : sim.log())
            n += e.call == Call::WriteCommand && e.bytes.size() > 1 && e.bytes[1] == std::uint8_t(c);
        return n;
    }
};

} // namespace

class TestSession : public QObject {
    Q_OBJECT
private slots:
    void connectsOnOurModelOnly()
    {
        Rig rig;
        QSignalSpy changed(&rig.session, &MeterSession::connectionChanged);
        rig.sim.setModelDigits("735");
        rig.session.mainTimer().start();
        rig.clock.advance(2000);
        QVERIFY(!rig.session.connected());
        QCOMPARE(rig.commands('K'), 4); // every 500 ms
        QCOMPARE(rig.session.mainTimer().interval(), 500);

        rig.sim.setModelDigits("736");
        rig.clock.advance(500);
        QVERIFY(rig.session.connected());
        QCOMPARE(changed.count(), 1);
        QCOMPARE(rig.session.mainTimer().interval(), 200);
        rig.sim.clearLog();
        rig.clock.advance(1000);
        QCOMPARE(rig.commands('A'), 5); // every 200 ms
        QCOMPARE(rig.commands('K'), 0);
    }

    void failureCounting()
    {
        Rig rig;
        rig.connect();
        QSignalSpy changed(&rig.session, &MeterSession::connectionChanged);
        rig.sim.failNext(Call::ReadReply, 2);
        rig.clock.advance(3 * 200); // fail, fail, success
        rig.sim.failNext(Call::ReadReply, 2);
        rig.clock.advance(2 * 200);
        QVERIFY(rig.session.connected());
        QCOMPARE(rig.session.failureCount(), 2);
        QCOMPARE(changed.count(), 0);

        rig.sim.setUnplugged(true);
        rig.clock.advance(200);
        QVERIFY(!rig.session.connected());
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toBool(), false);
        QCOMPARE(rig.session.failureCount(), 0);
        QCOMPARE(rig.session.mainTimer().interval(), 500);

        rig.sim.setUnplugged(false);
        rig.clock.advance(500);
        QVERIFY(rig.session.connected());
    }

    void frameWithWrongEndMarkIsDroppedButCountsAsRead()
    {
        Rig rig;
        rig.connect();
        QSignalSpy updated(&rig.session, &MeterSession::liveStateUpdated);
        rig.sim.failNext(Call::ReadReply, 2);
        rig.clock.advance(2 * 200);
        rig.sim.setReplyHook([](char c, std::vector<std::uint8_t> &r) { if (c == 'A') r[63] = 0x00; });
        rig.clock.advance(200);
        QCOMPARE(updated.count(), 0);
        QCOMPARE(rig.session.failureCount(), 0);
        rig.sim.setReplyHook({});
        rig.clock.advance(200);
        QCOMPARE(updated.count(), 1);
    }

    void samplesFollowTheSecondsCounter()
    {
        Rig rig;
        std::vector<double> sampleTimes;
        QObject::connect(&rig.session, &MeterSession::liveSample,
                         [&](const LiveSample &s) { sampleTimes.push_back(s.time); });
        rig.connect();
        // Counter already above the rate when the recording starts: a sample at once.
        rig.clock.advance(5000);
        QVERIFY(rig.session.secondsCounter() >= 5);
        rig.session.setSampling(true);
        rig.clock.advance(200);
        QCOMPARE(int(sampleTimes.size()), 1);
        QCOMPARE(rig.session.secondsCounter(), 0);
        // Then one sample each time the seconds field has changed twice more.
        rig.clock.advance(10000);
        QCOMPARE(int(sampleTimes.size()), 6);
        for (std::size_t i = 2; i < sampleTimes.size(); ++i)
            QVERIFY(std::abs((sampleTimes[i] - sampleTimes[i - 1]) * 86400.0 - 2.0) < 0.01);
    }

    void flashTimersFollowTheFrame()
    {
        Rig rig;
        rig.connect();
        rig.sim.setReplyHook([](char c, std::vector<std::uint8_t> &r) {
            if (c == 'A') {
                r[3] |= 0x40 | 0x10;
                r[4] |= 0x08;
            }
        });
        rig.clock.advance(200);
        QVERIFY(rig.session.maxMinTimer().isActive());
        QVERIFY(rig.session.recFullTimer().isActive());
        QSignalSpy flashes(&rig.session, &MeterSession::recFullFlashTick);
        rig.clock.advance(1000);
        QCOMPARE(flashes.count(), 2); // running undisturbed across the frames in between

        // Disconnection stops the record-full flashing but not MAX/MIN/AVG.
        rig.sim.setUnplugged(true);
        rig.clock.advance(3 * 200);
        QVERIFY(!rig.session.connected());
        QVERIFY(!rig.session.recFullTimer().isActive());
        QVERIFY(rig.session.maxMinTimer().isActive());
    }

    void oneUserExchangeAtATime()
    {
        Rig rig;
        rig.connect();
        ExchangeGate &gate = rig.session.gate();
        {
            UserExchange first(gate);
            QVERIFY(first.ok());
            QVERIFY(!rig.session.mainTimer().isActive());
            rig.sim.clearLog();
            rig.clock.pumpWait(1000); // no poll while the exchange runs
            QCOMPARE(rig.commands('A'), 0);
            {
                UserExchange second(gate); // e.g. a panel key during a download
                QVERIFY(!second.ok());
            }
            QVERIFY(!rig.session.mainTimer().isActive()); // the refused one restarts nothing
        }
        QVERIFY(rig.session.mainTimer().isActive());
        rig.clock.advance(200);
        QCOMPARE(rig.commands('A'), 1);
    }
};

QTEST_GUILESS_MAIN(TestSession)
#include "test_session.moc"
