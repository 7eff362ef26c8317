// The front panel on the simulated meter: it shows what the meter shows, and its keys
// operate the meter.
#include "panel/TfrmPanel.h"
#include "support/MainHarness.h"

#include <QLabel>
#include <QMdiSubWindow>
#include <QTest>

using namespace qx;
using namespace qx::test;
using Call = SimulatedMeter::Call;

namespace {

TfrmPanel *panelOf(MainHarness &h) { return qobject_cast<TfrmPanel *>(h.main->panel()); }

bool shown(TfrmPanel *p, const char *name) { return p->element(name)->isVisibleTo(p); }

void click(TfrmPanel *p, const char *key)
{
    QWidget *w = p->element(key);
    QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
}

std::vector<std::vector<std::uint8_t>> keyReports(const SimulatedMeter &sim)
{
    std::vector<std::vector<std::uint8_t>> out;
    for (const auto &e : sim.log())
        if (e.call == Call::WriteCommand && e.bytes.size() == 7 && e.bytes[1] != 'A' && e.bytes[1] != 'K')
            out.push_back(e.bytes);
    return out;
}

} // namespace

class TestPanel : public QObject {
    Q_OBJECT
private slots:
    void placedAndCaptioned()
    {
        MainHarness h;
        h.main->show();
        TfrmPanel *p = panelOf(h);
        QVERIFY(p);
        auto *sub = qobject_cast<QMdiSubWindow *>(p->parentWidget());
        QCOMPARE(sub->pos(), QPoint(0, 0));
        QCOMPARE(sub->windowTitle(), QString("PANEL"));
        QCOMPARE(p->findChild<QWidget *>("PanelClient")->size(), QSize(314, 713));
        QVERIFY(shown(p, "lblNoConnection"));
        QCOMPARE(static_cast<QLabel *>(p->element("lblNoConnection"))->text(), QString("Pas de connexion"));
        QCOMPARE(p->element("btnClose")->toolTip(), QString("Fermer le panneau de contrôle"));
        QCOMPARE(p->element("btnMMA")->cursor().shape(), Qt::PointingHandCursor);
        // Before the first frame: digits and the TYPE caption shown, flags hidden.
        QVERIFY(shown(p, "T3D2") && shown(p, "imgType") && shown(p, "T1_P"));
        QVERIFY(!shown(p, "imgHOLD") && !shown(p, "imgBat3") && !shown(p, "imgblutooth"));
        // Every picture came from the resources.
        QCOMPARE(int(h.program->context().glyphs.large.size()), 25);
        QCOMPARE(int(h.program->context().glyphs.small.size()), 25);
        QCOMPARE(static_cast<QLabel *>(p->element("imgPanel"))->pixmap().size(), QSize(314, 727));
        for (const char *name : {"imgT1C", "imgBat0", "lblMAX", "imgRecall", "T4_P"}) {
            auto *img = static_cast<QLabel *>(p->element(name));
            QVERIFY2(!img->pixmap().isNull() && img->pixmap().size() == img->size(), name);
        }
    }

    void mirrorsTheMetersDisplay()
    {
        MainHarness h;
        h.sim.setAutoReadings(false);
        h.sim.setReading(0, 23.4);
        h.sim.setOverRange(1, true);
        h.sim.setOpen(3, true);
        h.showAndConnect();
        TfrmPanel *p = panelOf(h);
        QVERIFY(!shown(p, "lblNoConnection"));
        h.advance(kPollIntervalConnectedMs);
        QCOMPARE(p->lastRedrawCount(), 16); // the first frame draws every digit
        h.advance(kPollIntervalConnectedMs);
        QCOMPARE(p->lastRedrawCount(), 0);  // unchanged display: nothing redrawn

        const std::array<int, 4> t1 = {p->model().cachedDigit(0), p->model().cachedDigit(1),
                                       p->model().cachedDigit(2), p->model().cachedDigit(3)};
        QCOMPARE(t1, (std::array<int, 4>{kBlankGlyph, 2, 3, 4}));
        QCOMPARE(int(p->model().cachedDigit(5)), 0);              // T2 "OL"
        QCOMPARE(int(p->model().cachedDigit(6)), kLetterLGlyph);
        for (int i = 12; i < 16; ++i)
            QCOMPARE(int(p->model().cachedDigit(i)), kMinusGlyph); // T4 "----"
        QVERIFY(shown(p, "imgT1C") && !shown(p, "imgT1F"));

        click(p, "btnCF");
        h.advance(kPollIntervalConnectedMs);
        QVERIFY(h.sim.fahrenheit());
        QVERIFY(shown(p, "imgT1F") && !shown(p, "imgT1C"));

        click(p, "btnHOLD");
        h.advance(kPollIntervalConnectedMs);
        QVERIFY(shown(p, "imgHOLD"));
        h.sim.setReading(0, 88.8);
        h.advance(3 * kPollIntervalConnectedMs);
        QCOMPARE(p->lastRedrawCount(), 0); // held: the digits stay

        click(p, "btnRec");
        h.advance(kPollIntervalConnectedMs);
        QVERIFY(h.sim.loggerRecording());
        QVERIFY(shown(p, "imgREC"));
    }

    void keyReportsOnTheMeter()
    {
        MainHarness h;
        h.showAndConnect();
        TfrmPanel *p = panelOf(h);
        h.sim.clearLog();
        for (const char *key : {"btnHOLD", "btnCF", "btnRec", "btnRecall", "btnBackLight", "btnMem"})
            click(p, key);
        // A double click as the window system delivers it: a click, then the double click.
        QWidget *mma = p->element("btnMMA");
        QTest::mouseClick(mma, Qt::LeftButton, {}, mma->rect().center());
        QTest::mouseDClick(mma, Qt::LeftButton, {}, mma->rect().center());
        const auto reports = keyReports(h.sim);
        QString letters;
        for (const auto &r : reports) {
            letters += QChar(r[1]);
            const std::vector<std::uint8_t> expected = {0x02, r[1], 0x00, 0x00, 0x00, 0x00, 0x03};
            QCOMPARE(r, expected);
        }
        QCOMPARE(letters, QString("HCERBmMN"));
        QVERIFY(h.dialogs.shown().empty());
    }

    void keyWhileUnpluggedPausesPollingSilently()
    {
        MainHarness h;
        h.showAndConnect();
        TfrmPanel *p = panelOf(h);
        h.sim.setUnplugged(true);
        h.sim.clearLog();
        Timer &mainTimer = h.main->session().mainTimer();
        bool stoppedDuring = false;
        h.sim.setFaultHook([&](Call c, const std::uint8_t *, int) {
            if (c == Call::Open)
                stoppedDuring = stoppedDuring || !mainTimer.isActive();
            return 0;
        });
        const qint64 before = h.clock.tickMs();
        QCOMPARE(p->keys().press('H'), int(kKeyNoReply));
        QVERIFY(stoppedDuring);
        QVERIFY(h.clock.tickMs() - before > kKeyFailurePauseMs);
        QVERIFY(mainTimer.isActive());
        // No poll ran during the pause.
        for (const auto &e : h.sim.log())
            QVERIFY(!(e.call == Call::WriteCommand && e.bytes[1] == 'A'));
        QVERIFY(h.dialogs.shown().empty());
    }

    void recordFullFlashesRecAndFullTogether()
    {
        MainHarness h;
        h.showAndConnect();
        TfrmPanel *p = panelOf(h);
        h.sim.setReplyHook([](char c, std::vector<std::uint8_t> &r) {
            if (c == 'A') {
                r[3] |= 0x10;   // record full
                r[56] &= 0xFE;  // REC bit off: must not matter
                r[55] |= 0x01;  // FULL bit on: must not matter
            }
        });
        h.advance(kPollIntervalConnectedMs);
        QVERIFY(h.main->session().recFullTimer().isActive());
        const bool before = shown(p, "imgREC");
        QVERIFY(!before);
        h.advance(500); // first flash tick: on
        QVERIFY(shown(p, "imgREC") && shown(p, "imgFULL"));
        h.advance(500);
        QVERIFY(!shown(p, "imgREC") && !shown(p, "imgFULL"));
    }

    void closingForgetsAndMenuRecreates()
    {
        MainHarness h;
        h.main->show();
        TfrmPanel *p = panelOf(h);
        click(p, "btnClose");
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!h.main->panel());
        QVERIFY(!h.action("ControlPanel1")->isChecked());
        h.advance(1000); // ticks and flashes skip the missing panel
        h.action("ControlPanel1")->trigger();
        QVERIFY(h.main->panel());
        QVERIFY(h.action("ControlPanel1")->isChecked());
    }
};

QTEST_MAIN(TestPanel)
#include "test_panel.moc"
