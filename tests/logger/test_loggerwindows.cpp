// The data logger's windows in the running program: the progress and choice dialogs, the
// table window and the table-to-graph button's enabling, and the load command from the
// main window with its progress window, hourglass and messages.
#include "LoggerTestUtil.h"
#include "logger/DataLoggerController.h"
#include "logger/TfrmList.h"
#include "logger/TfrmOpenSave.h"
#include "logger/TfrmScope.h"
#include "logger/DataSetGrid.h"
#include "meter/DayCount.h"
#include "meter/Formats.h"
#include "support/GraphRig.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
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

// A connected program whose meter holds `sets`.
void connectWith(MainHarness &h, const std::vector<sim::DataSet> &sets)
{
    h.sim.setMemoryImage(SimulatedMeter::buildMemoryImage(sets));
    h.advance(kPollIntervalDisconnectedMs);
    QVERIFY(h.main->session().connected());
    h.dialogs.clear();
}

TfrmGraph *dataLoggerWindow(MainHarness &h) { return h.program->dataLogger().window(); }
bool unsavedDataSets(MainHarness &h) { return h.program->dataLogger().logger().unsavedDataSets(); }

QList<QStringList> gridTexts(const QTableWidget &grid)
{
    QList<QStringList> rows;
    for (int r = 0; r < grid.rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < grid.columnCount(); ++c)
            row << (grid.item(r, c) ? grid.item(r, c)->text() : QString());
        rows << row;
    }
    return rows;
}

void clickRow(QTableWidget &grid, int row)
{
    const QRect cell = grid.visualItemRect(grid.item(row, 0));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cell.center());
}

// What the chart holds: every X and Y of every series.
struct ChartData {
    int series = 0;
    int points = 0;
    std::vector<double> x;
    std::vector<float> y;
    bool operator==(const ChartData &) const = default;
};
ChartData chartData(ChartModel &m)
{
    ChartData d{m.seriesCount(), m.pointCount(), {}, {}};
    for (int p = 0; p < d.points; ++p)
        for (int s = 0; s < d.series; ++s) {
            d.x.push_back(m.getX(s, p));
            d.y.push_back(m.getY(s, p));
        }
    return d;
}

const QDateTime kSetStart(QDate(2025, 11, 3), QTime(14, 0, 0));

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

    // The collection dialogs' filters as Qt's file dialogs read them.
    void collectionFilters_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("qt");
        QTest::newRow("save") << collectionSaveFilter()
                              << "Data Set Collection file(*.ch4,only for QX736) (*.CH4)";
        QTest::newRow("open") << collectionOpenFilter() << "Data Sets Collection (*.CH4)";
        QTest::newRow("two, patterns by ';'") << "Texte|*.txt;*.csv|Graph (*.ghf)|*.ghf"
                                              << "Texte (*.txt *.csv);;Graph (*.ghf)";
        QTest::newRow("Qt's own") << "Fichier graphique (*.ghf)" << "Fichier graphique (*.ghf)";
    }
    void collectionFilters()
    {
        QFETCH(QString, filter);
        QTEST(qtFileFilter(filter), "qt");
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
        GraphRig rig(true);
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
        GraphRig rig(true);
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
        QVERIFY(unsavedDataSets(h));
        DataLoggerController *logger = &h.program->dataLogger();
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
        GraphRig rig(true);
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
        QVERIFY(!unsavedDataSets(h));
    }

    // After a load the window lists the sets with the first selected and draws set 0;
    // a click on row 3 draws set 2 from its place in the store.
    void dataLoggerWindowAfterLoad()
    {
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        GraphRig rig(true);
        MainHarness &h = rig.h;
        const auto a = makeSet(kSetStart, 2, {{200, 201, 202, 203}, {210, 211, 212, 213}});
        const auto b = makeSet(kSetStart.addSecs(3600), 90, {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}}, 1);
        const auto c = makeSet(kSetStart.addDays(1), 4500, {{-50, 0x7FFF, 30, 40}, {-60, 20, 30, 40}}, 2, true);
        connectWith(h, {a, b, c});
        h.action("LoadData1")->trigger();
        QVERIFY(h.dialogs.messages().isEmpty());

        TfrmGraph *g = dataLoggerWindow(h);
        QVERIFY(g);
        QCOMPARE(g->windowTitle(), "DataLogger");
        QVERIFY(g->dataSetPanel()->isVisible());
        QTableWidget *grid = g->findChild<QTableWidget *>("Grid2");
        DataLoggerController *logger = &h.program->dataLogger();
        const DataSetStore &store = logger->store();
        QList<QStringList> expected;
        for (const QStringList &row : dataSetGridRows(store))
            expected << row;
        QCOMPARE(gridTexts(*grid), expected);
        QCOMPARE(grid->rowCount(), 3); // below the headings
        QCOMPARE(grid->selectedRanges().size(), 1);
        QCOMPARE(grid->selectedRanges().first().topRow(), 0);

        ChartModel &chart = g->model();
        QCOMPARE(chart.seriesCount(), 4);
        QCOMPARE(chart.pointCount(), 2);
        QCOMPARE(chart.getY(3, 1), 21.3f);
        QCOMPARE(chart.getX(0, 1), toDayCount(kSetStart.addSecs(2)));
        QCOMPARE(g->field("txtStartTime")->text(), "03/11/2025 14:00:00");
        QCOMPARE(g->field("txtDataNo")->text(), "2");
        QCOMPARE(g->secondsBox()->currentText(), "02");
        QCOMPARE(g->minutesBox()->currentText(), "00");

        clickRow(*grid, 2);
        QCOMPARE(chart.pointCount(), 2);
        const int first = 4 * (2 + 3);
        for (int p = 0; p < 2; ++p)
            for (int s = 0; s < 4; ++s) {
                QCOMPARE(chart.getY(s, p), store.sampleValues()[std::size_t(first + 4 * p + s)]);
                QCOMPARE(chart.getX(s, p), store.sampleTimes()[std::size_t(first + 4 * p + s)]);
            }
        QCOMPARE(chart.getMinX(), toDayCount(kSetStart.addDays(1)));
        QCOMPARE(chart.getMaxX(), toDayCount(kSetStart.addDays(1).addSecs(2 * 4500)));
        QCOMPARE(g->minutesBox()->currentIndex(), -1); // 75 minutes: no such item
        QCOMPARE(g->secondsBox()->currentText(), "00");
        QCOMPARE(g->field("txtDataNo")->text(), "2");

        clickRow(*grid, 1);
        QCOMPARE(chart.pointCount(), 3);
        QCOMPARE(g->minutesBox()->currentText(), "01");
        QCOMPARE(g->secondsBox()->currentText(), "30");

        // A second load reuses the window.
        QMdiSubWindow *frame = qobject_cast<QMdiSubWindow *>(g->parentWidget());
        frame->showMinimized();
        h.action("LoadData1")->trigger();
        QCOMPARE(dataLoggerWindow(h), g);
        QVERIFY(!frame->isMinimized());
        QCOMPARE(chart.pointCount(), 2);
        int loggers = 0;
        for (QMdiSubWindow *w : h.main->mdiArea()->subWindowList())
            loggers += w->widget() && w->widget()->windowTitle() == "DataLogger";
        QCOMPARE(loggers, 1);
    }

    // A set of no records draws an empty chart from its start to its start.
    void emptySet()
    {
        GraphRig rig(true);
        MainHarness &h = rig.h;
        connectWith(h, {makeSet(kSetStart, 2, {})});
        h.action("LoadData1")->trigger();
        TfrmGraph *g = dataLoggerWindow(h);
        QVERIFY(g);
        QCOMPARE(g->model().pointCount(), 0);
        QCOMPARE(g->model().getMinX(), toDayCount(kSetStart));
        QCOMPARE(g->model().getMaxX(), toDayCount(kSetStart));
        QCOMPARE(g->field("txtDataNo")->text(), "0");
    }

    // Download, save the collection, open it again: the same grid and the same chart.
    void downloadSaveOpen()
    {
        GraphRig rig(true);
        MainHarness &h = rig.h;
        connectWith(h, sim::demoDataSets());
        h.find<QToolButton>("btnDataLogger")->click();
        TfrmGraph *g = dataLoggerWindow(h);
        QVERIFY(g);
        QTableWidget *grid = g->findChild<QTableWidget *>("Grid2");
        clickRow(*grid, 1);
        const QList<QStringList> gridBefore = gridTexts(*grid);
        const ChartData chartBefore = chartData(g->model());
        QCOMPARE(chartBefore.points, int(sim::demoDataSets()[1].records.size()));

        DataLoggerController *logger = &h.program->dataLogger();
        const QString file = rig.folder.filePath("collection.ch4");
        h.dialogs.answerFile(file);
        logger->saveCollection();
        QVERIFY(QFile::exists(file));
        QVERIFY(!unsavedDataSets(h));

        // Another program run: a fresh main window opens the file.
        GraphRig second(true);
        DataLoggerController *other = &second.h.program->dataLogger();
        second.h.dialogs.answerFile(file);
        other->openCollection();
        TfrmGraph *g2 = dataLoggerWindow(second.h);
        QVERIFY(g2);
        QTableWidget *grid2 = g2->findChild<QTableWidget *>("Grid2");
        QCOMPARE(gridTexts(*grid2), gridBefore);
        clickRow(*grid2, 1);
        QVERIFY(chartData(g2->model()) == chartBefore);
        QVERIFY(!unsavedDataSets(second.h));
        QVERIFY(second.h.dialogs.messages().isEmpty());
    }

    // The table-to-graph button: a new graph window captioned like the table, one point
    // per row, "OL" as the value never drawn.
    void tableToGraph()
    {
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        GraphRig rig(true);
        MainHarness &h = rig.h;
        TfrmList *list = createTableWindow(*h.main, "/data/mesures.txt");
        const double t0 = toDayCount(kSetStart);
        for (int r = 0; r < 600; ++r) {
            const double t = t0 + r * 2.0 / 86400;
            list->model().appendRow({QString::number(r + 1), dateText(t), timeText(t), "21,5",
                                     QString(r == 5 ? "OL" : "1,0"), "-2,5", QString::number(r)});
        }
        h.main->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(list->parentWidget()));
        const int before = h.main->mdiArea()->subWindowList().size();
        h.find<QToolButton>("btnOutputToGraph")->click();

        QCOMPARE(h.main->mdiArea()->subWindowList().size(), before + 1);
        auto *g = qobject_cast<TfrmGraph *>(h.main->mdiArea()->subWindowList().last()->widget());
        QVERIFY(g);
        QCOMPARE(g->windowTitle(), "/data/mesures.txt");
        QCOMPARE(g->model().seriesCount(), 4);
        QCOMPARE(g->model().pointCount(), 600);
        QCOMPARE(g->model().getY(1, 5), 9999.0f);
        QCOMPARE(g->model().getY(1, 6), 1.0f);
        QCOMPARE(g->model().getY(3, 599), 599.0f);
        QCOMPARE(g->model().getX(2, 599), t0 + 599 * 2.0 / 86400);
        QCOMPARE(g->model().getMinX(), t0);
        QVERIFY(scopes().isEmpty());
        QVERIFY(h.dialogs.messages().isEmpty());
    }

    void tableToGraphRefusals_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<bool>("newWindow");
        QTest::addColumn<QString>("message");
        QTest::newRow("no first date") << "" << false << "Pas de données graphiques !";
        QTest::newRow("unreadable first date")
            << "3 novembre" << true << "'3 novembre 14:00:00' is not a valid date and time";
    }
    void tableToGraphRefusals()
    {
        QFETCH(QString, date);
        QFETCH(bool, newWindow);
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        GraphRig rig(true);
        MainHarness &h = rig.h;
        TfrmList *list = createTableWindow(*h.main, "t.txt");
        list->model().appendRow({"1", date, "14:00:00", "1", "2", "3", "4"});
        h.main->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(list->parentWidget()));
        const int before = h.main->mdiArea()->subWindowList().size();
        h.find<QToolButton>("btnOutputToGraph")->click();
        QFETCH(QString, message);
        QCOMPARE(h.dialogs.messages(), QStringList{message});
        QCOMPARE(h.main->mdiArea()->subWindowList().size(), before + (newWindow ? 1 : 0));
        if (newWindow)
            QCOMPARE(h.main->mdiArea()->subWindowList().last()->widget()->windowTitle(), "t.txt");
        QVERIFY(scopes().isEmpty());
    }
};

QTEST_MAIN(TestLoggerWindows)
#include "test_loggerwindows.moc"
