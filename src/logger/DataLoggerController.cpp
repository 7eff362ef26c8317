#include "DataLoggerController.h"

#include "DataSetGrid.h"
#include "TfrmList.h"
#include "TableToGraph.h"
#include "TfrmScope.h"
#include "app/Dialogs.h"
#include "app/TfrmMain.h"
#include "graph/TfrmGraph.h"
#include "meter/DayCount.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QLabel>
#include <QTableWidget>
#include <QToolButton>
#include <memory>

namespace qx {

namespace {

// The data logger window's chart before any set is drawn: one series over the next 500 s.
constexpr int kEmptySeries = 1;
constexpr double kEmptyMaxY = 130;
constexpr double kEmptyMinY = 30;
constexpr double kEmptySpanDays = 500.0 / 86400.0;
constexpr int kEmptyPoints = 500;
// A data set, and a table turned into a graph.
constexpr int kSetSeries = 4;
constexpr double kSetMaxY = 100;
constexpr double kSetMinY = -20;
// Leaves room under the data logger window for the main window's status bar.
constexpr int kDataLoggerHeightMargin = 60;
// The table-to-graph loop lets the user interface run this often.
constexpr int kRowsPerEventPass = 256;

QMdiSubWindow *frameOf(QWidget *w) { return w ? qobject_cast<QMdiSubWindow *>(w->parentWidget()) : nullptr; }

// Table points go straight into the new chart.
struct ChartSink {
    ChartModel &chart;
    void setX(int s, int p, double x) { chart.setX(s, p, x); }
    void setY(int s, int p, float y) { chart.setY(s, p, y); }
};

} // namespace

void writeDataSetGrid(QTableWidget &grid, const std::vector<QStringList> &rows)
{
    // One row at least, as a fresh grid has, with nothing in it.
    grid.setRowCount(std::max<int>(int(rows.size()), 1));
    const int columns = grid.columnCount();
    for (int r = 0; r < grid.rowCount(); ++r) {
        for (int c = 0; c < columns; ++c) {
            const QString text = r < int(rows.size()) && c < rows[std::size_t(r)].size() ? rows[std::size_t(r)].at(c)
                                                                                         : QString();
            if (QTableWidgetItem *item = grid.item(r, c))
                item->setText(text);
            else
                grid.setItem(r, c, new QTableWidgetItem(text));
        }
    }
    grid.setCurrentCell(0, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

DataLoggerController::DataLoggerController(TfrmMain &main, MeterSession &session)
    : QObject(&main), m_main(main), m_logger(session, m_store)
{
    setObjectName("DataLoggerController");
    m_logger.bindUnsavedDataSets(main.unsavedDataSets);
    m_logger.setDownloadObserver(this);
    DataLoggerHooks hooks;
    hooks.showMessage = [this](const QString &text) { m_main.dialogs().message(&m_main, text); };
    hooks.openDataLoggerWindow = [this] { openDataLoggerWindow(); };
    hooks.fillDataSetGrid = [this] { fillDataSetGrid(); };
    hooks.showDataSet = [this](int n) { showDataSet(n); };
    m_logger.setHooks(std::move(hooks));
}

DataLoggerController::~DataLoggerController()
{
    setBusyCursor(false);
    delete m_progress;
}

DataLoggerController *DataLoggerController::of(TfrmMain &main)
{
    return main.findChild<DataLoggerController *>("DataLoggerController", Qt::FindDirectChildrenOnly);
}

void DataLoggerController::updateFolders()
{
    // The data folder is settled when the main window is first shown.
    m_logger.setDataFolder(m_main.dataFolder());
    m_logger.setProgramFolder(m_main.programFolder());
}

void DataLoggerController::loadData()
{
    updateFolders();
    m_logger.loadData();
}

void DataLoggerController::saveCollection()
{
    updateFolders();
    const QString folder = collectionBaseFolder(m_main.dataFolder(), m_main.programFolder());
    const QString file =
        m_main.dialogs().saveFileName(&m_main, folder, collectionSaveFilter(), collectionDefaultSuffix());
    if (file.isEmpty())
        return;
    m_logger.saveCollection(file);
}

void DataLoggerController::openCollection()
{
    updateFolders();
    openDataLoggerWindow();
    const QString folder = collectionBaseFolder(m_main.dataFolder(), m_main.programFolder());
    const QString file = m_main.dialogs().openFileName(&m_main, folder, collectionOpenFilter());
    if (file.isEmpty())
        return;
    m_logger.openCollection(file);
}

QTableWidget *DataLoggerController::dataSetGrid() const
{
    QWidget *w = m_main.dataLoggerWindow;
    return w ? w->findChild<QTableWidget *>("Grid2") : nullptr;
}

void DataLoggerController::fillDataSetGrid()
{
    if (QTableWidget *grid = dataSetGrid())
        writeDataSetGrid(*grid, dataSetGridRows(m_store));
}

TfrmScope *DataLoggerController::progressWindow() const { return m_progress; }

void DataLoggerController::openDataLoggerWindow()
{
    if (QWidget *existing = m_main.dataLoggerWindow) {
        if (QMdiSubWindow *sub = frameOf(existing))
            sub->showNormal();
        else
            existing->showNormal();
        return;
    }
    TfrmGraph *g = createGraphWindow(m_main, kDataLoggerCaption);
    m_main.dataLoggerWindow = g;
    g->dataSetPanel()->setVisible(true);
    connect(g, &TfrmGraph::dataSetClicked, this, &DataLoggerController::showDataSet);
    if (QMdiSubWindow *sub = frameOf(g)) {
        const QSize client = m_main.mdiArea()->size();
        sub->showNormal();
        sub->setGeometry(0, 0, client.width(), std::max(client.height() - kDataLoggerHeightMargin, 100));
    }
    const double now = toDayCount(m_main.session().clock().now());
    if (!g->initChart(kEmptySeries, kEmptyMaxY, kEmptyMinY, now + kEmptySpanDays, now, kEmptyPoints))
        return;
    g->followSplitState();
    g->model().setAnnotationHotSpots(true);
}

void DataLoggerController::showDataSet(int n)
{
    auto *g = qobject_cast<TfrmGraph *>(m_main.dataLoggerWindow.data());
    const DataSetView v = dataSetView(m_store, n);
    if (!g || !v.valid)
        return;
    if (!g->initChart(kSetSeries, kSetMaxY, kSetMinY, v.end, v.start, v.points))
        return;
    g->followSplitState();
    // Point-major in the store as in the chart: one contiguous run per set.
    ChartModel &chart = g->model();
    chart.setXArray(m_store.sampleTimes().data() + v.range.first, std::size_t(v.range.count));
    chart.setYArray(m_store.sampleValues().data() + v.range.first, std::size_t(v.range.count));
    g->showStatistics();
    g->startTimeField()->setText(v.startText);
    // An interval of more than 60 minutes has no item: the minutes box shows nothing.
    g->showInterval(v.intervalSeconds);
    g->dataNoField()->setText(v.dataNo);
    g->chart()->undoZoom();
    g->chart()->redraw();
}

void DataLoggerController::outputToGraph()
{
    QMdiSubWindow *active = m_main.mdiArea()->activeSubWindow();
    QPointer<TfrmList> list = active ? qobject_cast<TfrmList *>(active->widget()) : nullptr;
    if (!list)
        return;
    const TableGraphPlan plan = planTableGraph(list->model());
    if (plan.status == TableGraphPlan::NoData) {
        m_main.dialogs().message(&m_main, tableText::noGraphData());
        return;
    }
    QPointer<TfrmGraph> g = createGraphWindow(m_main, list->windowTitle());
    if (plan.status == TableGraphPlan::BadTime) {
        m_main.dialogs().message(&m_main, plan.error);
        return;
    }
    const int n = plan.points;
    if (!g->initChart(kSetSeries, kSetMaxY, kSetMinY, plan.last, plan.first, n))
        return;
    g->followSplitState();

    std::unique_ptr<TfrmScope> progress(showGraphProgress(&m_main, n));
    for (int r = 0; r < n; ++r) {
        progress->progress()->setValue(r + 1);
        if (r % kRowsPerEventPass == 0 || r == n - 1) {
            m_main.session().clock().processEvents();
            // The user may close either window meanwhile.
            if (!list || !g)
                return;
        }
        ChartSink sink{g->model()};
        convertTableRow(list->model(), r, sink);
    }
    progress.reset();
    if (QMdiSubWindow *sub = frameOf(g))
        sub->showNormal();
    g->showStatistics();
    g->chart()->reinitialize();
    g->chart()->redraw();
}

// --- download progress ------------------------------------------------------------

void DataLoggerController::setBusyCursor(bool busy)
{
    if (busy == m_busyCursor)
        return;
    m_busyCursor = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void DataLoggerController::started(int targetLength)
{
    delete m_progress;
    m_progress = showDownloadProgress(&m_main, targetLength);
}

void DataLoggerController::progress(int received)
{
    if (!m_progress)
        return;
    m_progress->lblBytesReceived()->setText(QString::number(received));
    m_progress->progress()->setValue(received);
}

void DataLoggerController::finished()
{
    if (m_progress) {
        m_progress->close();
        delete m_progress;
    }
}

// --- installation -----------------------------------------------------------------

void installDataLogger(TfrmMain &main)
{
    auto *logger = new DataLoggerController(main, main.session());
    const auto onClick = [&main](const char *name, auto slot, QObject *receiver) {
        if (auto *b = main.findChild<QToolButton *>(name))
            QObject::connect(b, &QToolButton::clicked, receiver, slot);
        else if (auto *a = main.findChild<QAction *>(name))
            QObject::connect(a, &QAction::triggered, receiver, slot);
    };
    onClick("LoadData1", [logger] { logger->loadData(); }, logger);
    onClick("btnDataLogger", [logger] { logger->loadData(); }, logger);
    onClick("btnOutputToGraph", [logger] { logger->outputToGraph(); }, logger);
}

} // namespace qx
