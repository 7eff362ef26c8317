// The data logger's windows in the running program: the progress and choice dialogs, the
// table window and the table-to-graph button's enabling, and the load command from the
// main window with its progress window, hourglass and messages.
#include "LoggerTestUtil.h"
#include "logger/DataLoggerController.h"
#include "logger/TfrmList.h"
#include "logger/TfrmOpenSave.h"
#include "logger/TfrmScope.h"
#include "support/GraphRig.h"

#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMdiArea>
#include <QPointer>
#include <QProgressBar>
#include <QRadioButton>
#include <QPushButton>
#include <QSettings>
#include <QTableView>
#include <QTableWidget>
#include <QToolButton>

using namespace qx;
using namespace qx::test;

namespace {

QList<TfrmScope *> scopes()
{
    QList<TfrmScope *> out;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *s = qobject_cast<TfrmScope *>(w))
            out << s;
    return out;
}

} // namespace

class TestLoggerWindows : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase()
    {
        qputenv("HOME", m_home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (m_home.path() + "/.config").toUtf8());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_home.path() + "/settings");
    }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void scopeStartsHidden()
    {
        TfrmScope scope;
        QVERIFY(scope.visibleControls().isEmpty());
        QVERIFY(scope.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(!(scope.windowFlags() & Qt::WindowMinimizeButtonHint));
        QCOMPARE(scope.bitBtn2()->text(), "Annuler");
        QVERIFY(scope.radAll()->isChecked());
    }

    void scopeForms()
    {
        std::unique_ptr<TfrmScope> download(showDownloadProgress(nullptr, 1024));
        QCOMPARE(download->windowTitle(), "Récupération des données en cours");
        QCOMPARE(download->visibleControls(),
                 (QStringList{"SText1", "lblBytesReceived", "SText2", "lblTotalBytes", "Progress1"}));
        QCOMPARE(download->sText1()->text(), "octet reçus");
        QCOMPARE(download->sText2()->text(), "Octets totaux ");
        QCOMPARE(download->lblTotalBytes()->text(), "1024");
        QCOMPARE(download->lblBytesReceived()->text(), "0");
        QCOMPARE(download->progress()->maximum(), 1024);
        QCOMPARE(download->progress()->value(), 0);
        QVERIFY(download->isVisible());
        QVERIFY(!download->isModal());

        std::unique_ptr<TfrmScope> graph(showGraphProgress(nullptr, 7));
        QCOMPARE(graph->windowTitle(), "Graphique en cours");
        QCOMPARE(graph->visibleControls(), (QStringList{"SText1", "Progress1"}));
        QCOMPARE(graph->sText1()->text(), "Graphique.....");
        QCOMPARE(graph->progress()->maximum(), 7);

        // In a progress, Annuler only marks the dialog; the loop decides.
        graph->bitBtn2()->show();
        graph->bitBtn2()->click();
        QVERIFY(graph->cancelled());
        QCOMPARE(graph->result(), int(QDialog::Rejected));
        QVERIFY(graph->isVisible());
    }

    void openSaveTexts_data()
    {
        QTest::addColumn<int>("use");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("sets");
        QTest::addColumn<QString>("single");
        const int save = int(TfrmOpenSave::Use::Save);
        const int open = int(TfrmOpenSave::Use::Open);
        for (const char *loc : {"fr_FR", "en_US"})
            QTest::addRow("save, %s", loc) << save << loc << "Sauvegarder fichier"
                                           << "Enregistrer l'ensemble des acquisitions en fichier collection(*.ch4)"
                                           << "Enregistrer l'acquisition selectionnée en un fichier";
        QTest::newRow("open, comma") << open << "fr_FR" << "Ouvrir fichier" << "Ouvrir un fichier collection (*CH4)"
                                     << "Ouvrir un seul fichier (*TXT,*GHF)";
        QTest::newRow("open, point") << open << "en_US" << "Ouvrir fichier" << "Ouvrir un fichier collection (*CH4)"
                                     << "Ouvrir un seul fichier(*.TXT,*.CSV,*.GHF)";
    }
    void openSaveTexts()
    {
        QFETCH(int, use);
        QFETCH(QString, locale);
        QLocale::setDefault(QLocale(locale));
        TfrmOpenSave d{TfrmOpenSave::Use(use)};
        QTEST(d.windowTitle(), "caption");
        QTEST(d.btnOpenSets()->text(), "sets");
        QTEST(d.btnOpenSingleSet()->text(), "single");
        QCOMPARE(d.cancelButton()->text(), "Annuler");
        QCOMPARE(d.cancelButton()->objectName(), "Button1");
        QVERIFY(d.windowFlags() & Qt::WindowStaysOnTopHint);
    }

    // Each button ends the question with its own result; closing the box is Cancel.
    void openSaveResults_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("result");
        QTest::newRow("sets") << "btnOpenSets" << int(TfrmOpenSave::Sets);
        QTest::newRow("single") << "btnOpenSingleSet" << int(TfrmOpenSave::SingleSet);
        QTest::newRow("cancel") << "Button1" << int(TfrmOpenSave::Cancel);
        QTest::newRow("closed") << "" << int(TfrmOpenSave::Cancel);
    }
    void openSaveResults()
    {
        QFETCH(QString, button);
        ScriptedDialogs dialogs;
        dialogs.answerDialog([&](QDialog &d) {
            if (button.isEmpty()) {
                d.reject();
                return d.result();
            }
            d.findChild<QPushButton *>(button)->click();
            return d.result();
        });
        QTEST(askOpenSave(dialogs, TfrmOpenSave::Use::Open, nullptr), "result");
    }

    // The table window's grid, and the main window's table-to-graph button following
    // which kind of window is active.
    void tableWindow()
    {
        GraphRig rig;
        TfrmList *list = createTableWindow(*rig.h.main, "/data/values.txt");
        QTableView *grid = list->findChild<QTableView *>("Grid1");
        QVERIFY(grid);
        QCOMPARE(list->windowTitle(), "/data/values.txt");
        QStringList headings;
        for (int c = 0; c < 7; ++c)
            headings << grid->model()->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(headings, (QStringList{"No", "Date", "Time", "T1", "T2", "T3", "T4"}));
        QCOMPARE(grid->verticalHeader()->defaultSectionSize(), 18);
        QVERIFY(grid->showGrid());

        auto *toGraph = rig.h.find<QToolButton>("btnOutputToGraph");
        QMdiArea *mdi = rig.h.main->mdiArea();
        QMdiSubWindow *tableSub = qobject_cast<QMdiSubWindow *>(list->parentWidget());
        mdi->setActiveSubWindow(tableSub);
        QVERIFY(toGraph->isEnabled());
        mdi->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(rig.realTime()->parentWidget()));
        QVERIFY(!toGraph->isEnabled());
        mdi->setActiveSubWindow(tableSub);
        QVERIFY(toGraph->isEnabled());

        // The window frees itself when closed.
        QPointer<TfrmList> gone(list);
        tableSub->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!gone);
    }

    // "Enregsitreur": the progress window from the length to the end, the hourglass over
    // the opening exchange only, the poll timer off meanwhile, and the working copy.
    void loadFromTheToolBar()
    {
        GraphRig rig;
        MainHarness &h = rig.h;
        const int target = downloadTargetLength(fillPointerOf(toBytes(h.sim.memoryImage())) + 1);
        h.advance(kPollIntervalDisconnectedMs);
        QVERIFY(h.main->session().connected());
        h.dialogs.clear();

        bool busyAtOpening = false;
        QString totalShown;
        int progressSeen = 0;
        bool timerOff = true;
        h.sim.setFaultHook([&](SimulatedMeter::Call call, const std::uint8_t *bytes, int) {
            if (call == SimulatedMeter::Call::WriteCommand && bytes && bytes[1] == 'P')
                busyAtOpening = QApplication::overrideCursor() &&
                                QApplication::overrideCursor()->shape() == Qt::WaitCursor;
            if (call == SimulatedMeter::Call::WriteCommand && bytes && bytes[1] == 'p') {
                const auto all = scopes();
                if (all.size() == 1 && all[0]->isVisible()) {
                    ++progressSeen;
                    totalShown = all[0]->lblTotalBytes()->text();
                }
                timerOff = timerOff && !h.main->session().mainTimer().isActive();
            }
            return 0;
        });
        h.find<QToolButton>("btnDataLogger")->click();

        QVERIFY(busyAtOpening);
        QCOMPARE(progressSeen, target / 32 - 1);
        QCOMPARE(totalShown, QString::number(target));
        QVERIFY(timerOff);
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(scopes().isEmpty());
        QVERIFY(h.main->session().mainTimer().isActive());
        QVERIFY(h.dialogs.messages().isEmpty());
        QVERIFY(h.main->unsavedDataSets);
        DataLoggerController *logger = DataLoggerController::of(*h.main);
        QVERIFY(logger);
        QCOMPARE(logger->store().count(), 3);
        QVERIFY(QFile::exists(logger->logger().workingCopyPath()));
    }

    // Refusals and failures reach the user as the load's messages; a failed opening
    // never shows the progress window and leaves no hourglass.
    void loadMessages_data()
    {
        QTest::addColumn<int>("fault"); // 0 not connected, 1 wrong opening marks, 2 no data set
        QTest::addColumn<QString>("text");
        QTest::newRow("not connected") << 0 << loggerText::notConnected();
        QTest::newRow("bad opening marks") << 1 << loggerText::errorCode(1006);
        QTest::newRow("no data set") << 2 << loggerText::noDataSets();
    }
    void loadMessages()
    {
        QFETCH(int, fault);
        QFETCH(QString, text);
        GraphRig rig;
        MainHarness &h = rig.h;
        if (fault != 0) {
            h.advance(kPollIntervalDisconnectedMs);
            QVERIFY(h.main->session().connected());
        }
        if (fault == 1)
            h.sim.setReplyHook([](char c, std::vector<std::uint8_t> &r) {
                if (c == 'P')
                    r[35] = 0x00;
            });
        if (fault == 2)
            h.sim.setMemoryImage(toVector(imageOf({})));
        bool progressShown = false;
        h.sim.setFaultHook([&](SimulatedMeter::Call, const std::uint8_t *, int) {
            progressShown = progressShown || !scopes().isEmpty();
            return 0;
        });
        h.dialogs.clear();
        h.action("LoadData1")->trigger();
        QCOMPARE(h.dialogs.messages(), QStringList{text});
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(scopes().isEmpty());
        QCOMPARE(progressShown, fault == 2);
        QVERIFY(!h.main->unsavedDataSets);
    }
};

QTEST_MAIN(TestLoggerWindows)
#include "test_loggerwindows.moc"
