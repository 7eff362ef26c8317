// Graph windows in the running program: preparing the chart from the template, the
// statistics annotations, the Y-axis dialog and the close questions.
#include "graph/ChartFile.h"
#include "graph/ChartSetup.h"
#include "graph/GraphDialogs.h"
#include "graph/TfrmGraph.h"
#include "support/MainHarness.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace qx;
using namespace qx::test;

namespace {

struct Rig {
    QTemporaryDir folder;
    MainHarness h;
    Rig(bool withTemplate = false, bool split = true)
    {
        h.main->setProgramFolder(folder.path());
        if (withTemplate) {
            ChartModel t;
            t.setSeriesCount(4);
            applyChartDefaults(t, 4, 50, -10);
            setChartSplit(t, split);
            QDir().mkpath(folder.filePath("template"));
            QString error;
            storeChartFile(t, chartTemplatePath(folder.path()), &error);
        }
        h.main->show();
        QApplication::processEvents();
    }
    TfrmGraph *realTime() const { return qobject_cast<TfrmGraph *>(h.main->realTimeGraph()); }
    void closeRealTime()
    {
        realTime()->parentWidget()->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

} // namespace

class TestGraphWindow : public QObject {
    Q_OBJECT
private slots:
    void missingTemplateIsReportedEachTime()
    {
        Rig rig;
        QVERIFY(rig.realTime());
        const QString expected = missingTemplateMessage(chartTemplatePath(rig.folder.path()));
        QCOMPARE(rig.h.dialogs.messages(), QStringList{expected});
        QVERIFY(rig.realTime()->findChild<QCheckBox *>("chkSplit")->isChecked());
        rig.closeRealTime();
        QVERIFY(!rig.h.main->realTimeGraph());
        QVERIFY(!rig.h.action("RealTimeGraph1")->isChecked());
        rig.h.action("RealTimeGraph1")->trigger();
        QVERIFY(rig.realTime());
        QCOMPARE(rig.h.dialogs.messages(), QStringList({expected, expected}));
    }

    void templateDecidesTheSplit()
    {
        Rig rig(true, false);
        QVERIFY(rig.h.dialogs.messages().isEmpty());
        TfrmGraph *g = rig.realTime();
        QVERIFY(!g->findChild<QCheckBox *>("chkSplit")->isChecked());
        QVERIFY(g->findChild<QWidget *>("ToolButton5")->isEnabled());
        QVERIFY(g->findChild<QWidget *>("ToolButton9")->isEnabled());
        QVERIFY(g->findChild<QWidget *>("tbntClr")->isVisible());
        QVERIFY(g->findChild<QWidget *>("pnlSamplingRate")->isEnabled());
        QCOMPARE(g->secondsBox()->currentText(), QString("02"));
        // The chart spans 110 s from now and holds 100 empty points.
        QCOMPARE(g->model().pointCount(), 100);
        QCOMPARE(g->model().getY(2, 50), kDefaultNullY);
        QVERIFY(std::abs((g->model().getMaxX() - g->model().getMinX()) * 86400 - 110) < 0.01);
    }

    void statisticsAnnotationsTakeConsecutiveSlots()
    {
        Rig rig(true);
        TfrmGraph *g = rig.realTime();
        QPushButton *b = g->findChild<QPushButton *>("Button2");
        b->click();
        b->click();
        QCOMPARE(rig.h.main->annotationCounter, 11);
        for (int slot = 4; slot <= 11; ++slot) {
            const Annotation a = g->model().annotation(slot);
            QVERIFY2(a.text.startsWith(QString("T%1 MAX:").arg((slot - 4) % 4 + 1)), qPrintable(a.text));
            QVERIFY(a.text.contains("MIN:") && a.text.contains("MOY:"));
        }
    }

    void yAxisDialog()
    {
        Rig rig(true);
        TfrmGraph *g = rig.realTime();
        g->model().setWorkingAxis(1);
        g->model().setMinY(-10.5);
        g->model().setMaxY(49.9);
        // OK without editing: every limit cut toward zero.
        rig.h.dialogs.answerDialog([](QDialog &) { return int(QDialog::Accepted); });
        g->findChild<QPushButton *>("btnChangeScale")->click();
        g->model().setWorkingAxis(1);
        QCOMPARE(g->model().getMinY(), -10.0);
        QCOMPARE(g->model().getMaxY(), 49.0);
        // Two invalid fields: the message names T1 MIN, the last one read.
        rig.h.dialogs.answerDialog([](QDialog &d) {
            auto &s = static_cast<TfrmSetupScale &>(d);
            s.minEdit(0)->setText("moins");
            s.maxEdit(3)->setText("plus");
            s.saveBox()->setChecked(true);
            return int(QDialog::Accepted);
        });
        const QDateTime before = QFileInfo(chartTemplatePath(rig.folder.path())).lastModified();
        g->findChild<QPushButton *>("btnChangeScale")->click();
        QCOMPARE(rig.h.dialogs.messages().last(), QString("moins Est invalide."));
        g->model().setWorkingAxis(1);
        QCOMPARE(g->model().getMinY(), -10.0);
        QCOMPARE(QFileInfo(chartTemplatePath(rig.folder.path())).lastModified(), before);
    }

    void closeQuestions_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<bool>("markAfter");
        QTest::newRow("yes, saved") << int(Dialogs::Yes) << true << true << false;
        QTest::newRow("yes, save cancelled") << int(Dialogs::Yes) << false << false << true;
        QTest::newRow("no") << int(Dialogs::No) << false << true << false;
        QTest::newRow("cancel") << int(Dialogs::Cancel) << false << false << true;
    }
    void closeQuestions()
    {
        QFETCH(int, answer);
        QFETCH(bool, saved);
        QFETCH(bool, closed);
        QFETCH(bool, markAfter);
        for (const QString &caption : {kRealTimeCaption, kDataLoggerCaption}) {
            Rig rig(true);
            TfrmGraph *g = caption == kRealTimeCaption ? rig.realTime() : createGraphWindow(*rig.h.main, caption);
            bool &mark = caption == kRealTimeCaption ? rig.h.main->unsavedRealTime : rig.h.main->unsavedDataSets;
            mark = true;
            int saves = 0;
            rig.h.main->saveGraphAs = [&](QWidget *) { ++saves; return saved; };
            rig.h.main->saveCommand = [&] { ++saves; return saved; };
            rig.h.dialogs.answer(Dialogs::Button(answer));
            QPointer<TfrmGraph> guard(g);
            g->parentWidget()->close();
            QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            const QString question = caption == kRealTimeCaption ? "Enregistrer le graphique Temps-Réel ?"
                                                                 : "Sauvegarder les données ?";
            QCOMPARE(rig.h.dialogs.texts().last(), question);
            QCOMPARE(guard.isNull(), closed);
            QCOMPARE(saves, answer == Dialogs::Yes ? 1 : 0);
            if (caption == kRealTimeCaption || !closed)
                QCOMPARE(mark, markAfter);
            else
                QVERIFY(!mark); // closing any graph window clears the download mark
        }
    }
};

QTEST_MAIN(TestGraphWindow)
#include "test_graphwindow.moc"
