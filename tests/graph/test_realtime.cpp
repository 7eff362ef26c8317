// Real-time recording on the simulated meter in virtual time: Run, the samples of the poll
// tick, Stop, the interval boxes, Clear and the save questions.
#include "graph/RealTimeController.h"
#include "graph/TfrmSetupRealTime.h"
#include "meter/DayCount.h"
#include "support/GraphRig.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

using namespace qx;
using namespace qx::test;

namespace {

struct Recorder : GraphRig {
    explicit Recorder(RecordingFiles *files = nullptr) : GraphRig(true, true, files)
    {
        h.advance(kPollIntervalDisconnectedMs); // connected
    }

    RealTimeController &rt() { return h.program->realTime(); }
    RealTimeRecording &recording() { return rt().recording(); }
    ChartModel &chart() { return realTime()->model(); }
    QString text(const char *field) { return realTime()->field(field)->text(); }
    bool enabled(const char *name) { return h.find<QWidget>(name)->isEnabled(); }

    void run(const QString &count = " 2000", int minutes = 0, int seconds = 2)
    {
        h.dialogs.answerDialog([=](QDialog &d) {
            auto &s = static_cast<TfrmSetupRealTime &>(d);
            s.countEdit()->setText(count);
            s.minutesBox()->setCurrentIndex(minutes);
            s.secondsBox()->setCurrentIndex(seconds);
            return int(QDialog::Accepted);
        });
        h.find<QToolButton>("btnRun")->click();
    }
    // Advances poll tick by poll tick until the condition holds (or the limit passes).
    template <class F> bool advanceUntil(F done, qint64 limitMs)
    {
        for (qint64 t = 0; t < limitMs && !done(); t += kPollIntervalConnectedMs)
            h.advance(kPollIntervalConnectedMs);
        return done();
    }
    double now() const { return toDayCount(h.clock.now()); }
    // A user picks an item in one of the window's interval boxes.
    void pickInterval(int minutes, int seconds)
    {
        realTime()->minutesBox()->setCurrentIndex(minutes);
        realTime()->secondsBox()->setCurrentIndex(seconds);
        emit realTime()->secondsBox()->activated(seconds);
    }
};

constexpr double kSecond = 1.0 / 86400.0;

} // namespace

class TestRealTime : public QObject {
    Q_OBJECT
private slots:
    void defaultRunRecordsThePlannedCountAndStops()
    {
        Recorder r;
        r.run();
        QVERIFY(r.recording().running());
        QVERIFY(!r.enabled("btnRun") && r.enabled("btnStop") && !r.enabled("tbntClr"));
        QVERIFY(r.advanceUntil([&] { return r.recording().recordedCount() == 1999; }, 4100 * 1000));
        // The last sample arrives inside a poll tick: the stop it causes must not wait for
        // that very tick to end.
        const qint64 before = r.h.clock.tickMs();
        QVERIFY(r.advanceUntil([&] { return !r.recording().running(); }, 5000));
        QVERIFY(r.h.clock.tickMs() - before < 2500);
        QCOMPARE(r.recording().recordedCount(), 2000);
        QCOMPARE(r.chart().pointCount(), 2000);
        QCOMPARE(r.text("txtDataNo"), QString("2000"));
        QVERIFY(r.enabled("btnRun") && !r.enabled("btnStop") && r.enabled("tbntClr"));
        QVERIFY(r.recording().unsaved());
        for (int ch = 1; ch <= 4; ++ch)
            QVERIFY(!r.text(qPrintable(QString("txtT%1Avg").arg(ch))).isEmpty());
    }

    void stopCutsTheChartToTheSamplesTaken()
    {
        Recorder r;
        r.run();
        const double start = r.now();
        QCOMPARE(r.chart().getMinX(), start);
        QCOMPARE(r.chart().getMaxX(), start + 100 * kSecond);
        QVERIFY(r.advanceUntil([&] { return r.recording().recordedCount() == 10; }, 30 * 1000));
        const double lastX = r.chart().getX(3, 9);
        const float lastY = r.chart().getY(3, 9);
        r.h.find<QToolButton>("btnStop")->click();
        QVERIFY(!r.recording().running());
        QCOMPARE(r.chart().pointCount(), 10);
        QCOMPARE(r.chart().getMaxX(), r.now());
        QCOMPARE(r.chart().getX(3, 9), lastX);
        QCOMPARE(r.chart().getY(3, 9), lastY);
        double sum = 0;
        for (int p = 0; p < 10; ++p)
            sum += r.chart().getY(0, p);
        QCOMPARE(r.text("txtT1Avg"), QLocale().toString(sum / 10, 'f', 3));
        QCOMPARE(r.text("txtDataNo"), QString("10"));
    }

    void theXAxisFollowsLateSamples()
    {
        Recorder r;
        r.run();
        const double start = r.now();
        QVERIFY(r.advanceUntil([&] { return r.chart().getMaxX() > start + 100.5 * kSecond; }, 120 * 1000));
        const int last = r.recording().recordedCount() - 1;
        QCOMPARE(r.chart().getMaxX(), r.chart().getX(0, last) + 10 * kSecond);
    }

    void flaggedChannelsAreGapsAndMarks()
    {
        Recorder r;
        r.h.sim.setOverRange(1, true);
        r.h.sim.setOpen(2, true);
        r.run();
        QVERIFY(r.advanceUntil([&] { return r.recording().recordedCount() == 1; }, 5000));
        QCOMPARE(r.chart().getY(1, 0), 9999.0f);
        QCOMPARE(r.chart().getY(2, 0), 9999.0f);
        QCOMPARE(r.text("txtT2Max"), QString("OL"));
        QCOMPARE(r.text("txtT3Max"), QString("----"));
        QVERIFY(r.text("txtT1Max").contains('@'));
        r.h.find<QToolButton>("btnStop")->click();
        QCOMPARE(r.text("txtT2Avg"), QString("****"));
    }

    void setupDialog()
    {
        TfrmSetupRealTime s(0, 2);
        QCOMPARE(s.countEdit()->text().trimmed(), QString("2000"));
        QCOMPARE(s.periodEdit()->text(), QString("1:6:40"));
        s.countEdit()->setText("1000");
        QCOMPARE(s.periodEdit()->text(), QString("0:33:20"));
        s.secondsBox()->setCurrentIndex(0); // both at "00": back to 00:02 at once
        QCOMPARE(s.minutesBox()->currentText(), QString("00"));
        QCOMPARE(s.secondsBox()->currentText(), QString("02"));
        s.minutesBox()->setCurrentIndex(1);
        s.secondsBox()->setCurrentIndex(30);
        QCOMPARE(s.periodEdit()->text(), QString("25:00:00"));

        // A count that is no number: the message, nothing started.
        Recorder r;
        r.run("");
        QCOMPARE(r.h.dialogs.messages().last(), QString(" n'est pas valide.\n"));
        QVERIFY(!r.recording().running());
    }

    void changingTheIntervalWhileIdleClearsWithoutAsking()
    {
        Recorder r;
        const int asked = int(r.h.dialogs.shown().size());
        r.pickInterval(0, 5);
        QCOMPARE(int(r.h.dialogs.shown().size()), asked);
        QCOMPARE(r.h.main->session().realTimeRate(), 5);
        QCOMPARE(r.recording().axisExtensionStep(), 500 * kSecond);
        r.pickInterval(0, 0); // no interval: 00:02
        QCOMPARE(r.realTime()->secondsBox()->currentText(), QString("02"));
        QCOMPARE(r.h.main->session().realTimeRate(), 2);
    }

    // Yes with a save that did not happen counts as Cancel: nothing recorded is lost.
    void saveQuestionsKeepUnsavedSamples_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("saveWorks");
        QTest::addColumn<bool>("cleared");
        for (const char *command : {"run", "interval", "clear"}) {
            QTest::addRow("%s yes saved", command) << QString(command) << int(Dialogs::Yes) << true << true;
            QTest::addRow("%s yes not saved", command) << QString(command) << int(Dialogs::Yes) << false << false;
            QTest::addRow("%s no", command) << QString(command) << int(Dialogs::No) << false << true;
        }
    }
    void saveQuestionsKeepUnsavedSamples()
    {
        QFETCH(QString, command);
        QFETCH(int, answer);
        QFETCH(bool, saveWorks);
        QFETCH(bool, cleared);
        CountingFiles files;
        files.works = saveWorks;
        Recorder r(&files);
        const int &saves = files.saves;
        r.run();
        QVERIFY(r.advanceUntil([&] { return r.recording().recordedCount() == 3; }, 10 * 1000));
        if (command != "interval") // Run and Clear are offered while idle only
            r.h.find<QToolButton>("btnStop")->click();
        r.h.dialogs.answer(Dialogs::Button(answer));
        if (command == "run") {
            r.h.dialogs.answerDialog([](QDialog &) { return int(QDialog::Accepted); });
            r.h.find<QToolButton>("btnRun")->click();
        } else if (command == "interval") {
            r.pickInterval(0, 3);
        } else {
            r.realTime()->findChild<QToolButton *>("tbntClr")->click();
        }
        QCOMPARE(saves, answer == Dialogs::Yes ? 1 : 0);
        QCOMPARE(r.recording().recordedCount() == 0, cleared);
        if (!cleared)
            QCOMPARE(r.chart().getY(0, 2) != 9999.0f, true);
    }

    void disconnectionPausesAndReconnectionResumes()
    {
        Recorder r;
        r.run();
        QVERIFY(r.advanceUntil([&] { return r.recording().recordedCount() == 2; }, 10 * 1000));
        r.h.sim.setUnplugged(true);
        r.h.advance(3 * 1000);
        QCOMPARE(r.h.main->statusText(1), QString("Pas de connexionn"));
        QVERIFY(r.recording().running());
        QVERIFY(!r.enabled("btnRun") && !r.enabled("btnStop"));
        const int held = r.recording().recordedCount();
        r.h.advance(5 * 1000);
        QCOMPARE(r.recording().recordedCount(), held);
        r.h.sim.setUnplugged(false);
        r.h.advance(1000);
        QCOMPARE(r.h.main->statusText(1), QString("Connexion On"));
        QVERIFY(!r.enabled("btnRun") && r.enabled("btnStop") && !r.enabled("tbntClr"));
        QVERIFY(r.advanceUntil([&] { return r.recording().recordedCount() > held; }, 5000));
    }

    void closingTheWindowEndsTheRecording()
    {
        Recorder r;
        r.run();
        QVERIFY(r.advanceUntil([&] { return r.recording().recordedCount() == 2; }, 10 * 1000));
        r.h.dialogs.answer(Dialogs::No);
        r.closeRealTime();
        QVERIFY(!r.realTime());
        QVERIFY(!r.recording().running());
        QCOMPARE(r.recording().recordedCount(), 0);
        QVERIFY(r.enabled("btnRun") && !r.enabled("btnStop"));
        r.h.advance(5000); // no window, no sample, no crash
    }
};

QTEST_MAIN(TestRealTime)
#include "test_realtime.moc"
