// What the panel decides without drawing: digit redraws and indicator visibility.
#include "panel/PanelModel.h"

#include <QTest>

using namespace qx;

namespace {
LiveState stateWith(std::initializer_list<Indicator> lit)
{
    LiveState s;
    for (Indicator i : lit)
        s.indicator[std::size_t(i)] = true;
    return s;
}
} // namespace

class TestPanelModel : public QObject {
    Q_OBJECT
private slots:
    void digitsRedrawOnlyWhenTheyChange()
    {
        PanelModel m;
        LiveState s;
        s.largeDigit.fill(8);
        auto changed = m.takeDigitChanges(s);
        QCOMPARE(int(std::count(changed.begin(), changed.end(), true)), 16); // first update: all
        changed = m.takeDigitChanges(s);
        QCOMPARE(int(std::count(changed.begin(), changed.end(), true)), 0);
        s.largeDigit[5] = 16; // blank
        changed = m.takeDigitChanges(s);
        QVERIFY(changed[5]);
        QCOMPARE(int(std::count(changed.begin(), changed.end(), true)), 1);
        m.resetDigitCache(); // shown again: everything is redrawn
        changed = m.takeDigitChanges(s);
        QCOMPARE(int(std::count(changed.begin(), changed.end(), true)), 16);
    }

    void battery()
    {
        struct Case { std::initializer_list<Indicator> lit; int shown; }; // -1: all left alone
        const Indicator levels[] = {Indicator::Battery3, Indicator::Battery2, Indicator::Battery1,
                                    Indicator::Battery0};
        const Case cases[] = {
            {{Indicator::Battery2, Indicator::Battery0}, 1},
            {{Indicator::Battery3}, 0},
            {{Indicator::Battery0}, 3},
            {{Indicator::Battery3, Indicator::Battery2, Indicator::Battery1, Indicator::Battery0}, 0},
            {{}, -1},
        };
        for (const Case &c : cases) {
            const LiveState s = stateWith(c.lit);
            for (int i = 0; i < 4; ++i) {
                const auto v = PanelModel::visibility(levels[i], s);
                if (c.shown < 0)
                    QVERIFY(!v.has_value());
                else
                    QCOMPARE(v, std::optional<bool>(i == c.shown));
            }
        }
    }

    void flashOwnersLeaveTheirElementsAlone()
    {
        LiveState s = stateWith({Indicator::Rec, Indicator::Max});
        QCOMPARE(PanelModel::visibility(Indicator::Rec, s), std::optional<bool>(true));
        QCOMPARE(PanelModel::visibility(Indicator::Full, s), std::optional<bool>(false));
        s.recordFull = true;
        QVERIFY(!PanelModel::visibility(Indicator::Rec, s).has_value());
        QVERIFY(!PanelModel::visibility(Indicator::Full, s).has_value());
        QCOMPARE(PanelModel::visibility(Indicator::Max, s), std::optional<bool>(true));
        s.maxMinAvgFlashMode = true;
        for (Indicator i : {Indicator::Max, Indicator::Min, Indicator::Avg})
            QVERIFY(!PanelModel::visibility(i, s).has_value());
        QCOMPARE(PanelModel::visibility(Indicator::Hold, s), std::optional<bool>(false));
    }
};

QTEST_APPLESS_MAIN(TestPanelModel)
#include "test_panelmodel.moc"
