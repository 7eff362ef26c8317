#include "DataLoggerController.h"

#include "DataSetGrid.h"
#include "TfrmList.h"
#include "TableToGraph.h"
#include "TfrmScope.h"
#include "meter/DayCount.h"
#include "meter/MeterSession.h"
#include "ui/Dialogs.h"
#include "ui/WindowContext.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QLabel>
#include <QTableWidget>
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

// The close question of the data logger window.
const QString kSaveQuestion = QStringLiteral("Sauvegarder les données ?");

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

DataLoggerController::DataLoggerController(WindowContext &context, DataSetStore &store, QObject *parent)
    : QObject(parent), m_context(context), m_store(store), m_logger(context.session, store)
{
    setObjectName("DataLoggerController");
    m_logger.setDownloadObserver(this);
}

DataLoggerController::~DataLoggerController()
{
    setBusyCursor(false);
    delete m_progress;
}

void DataLoggerController::message(const QString &text) { m_context.dialogs.message(m_context.host.frameWindow(), text); }

void DataLoggerController::updateFolders()
{
    // The data folder is settled when the main window is first shown.
    m_logger.setDataFolder(m_context.folders.data);
    m_logger.setProgramFolder(m_context.folders.programFolder());
}

void DataLoggerController::loadData()
{
    updateFolders();
    const LoadStart start = m_logger.beginLoad();
    if (!start.started) {
        if (!start.message.isEmpty())
            message(start.message);
        return;
    }
    openDataLoggerWindow();
    const LoadResult result = m_logger.finishLoad();
    if (result.parsed)
        fillDataSetGrid();
    if (result.showFirstSet)
        showDataSet(0);
    if (!result.message.isEmpty())
        message(result.message);
    m_logger.endLoad();
}

bool DataLoggerController::saveCollection()
{
    updateFolders();
    const QString folder = collectionBaseFolder(m_context.folders.data, m_context.folders.programFolder());
    const QString file = m_context.dialogs.saveFileName(m_context.host.frameWindow(), folder, collectionSaveFilter(),
                                                        collectionDefaultSuffix());
    if (file.isEmpty())
        return false;
    QString error;
    if (m_logger.saveCollection(file, &error))
        return true;
    message(loggerText::collectionNotSaved(QDir::toNativeSeparators(file), error));
    return false;
}

void DataLoggerController::openCollection()
{
    updateFolders();
    openDataLoggerWindow();
    const QString folder = collectionBaseFolder(m_context.folders.data, m_context.folders.programFolder());
    const QString file = m_context.dialogs.openFileName(m_context.host.frameWindow(), folder, collectionOpenFilter());
    if (file.isEmpty())
        return;
    const OpenResult result = m_logger.openCollection(file);
    if (result.parsed())
        fillDataSetGrid();
    if (result.status == OpenResult::FolderUnavailable)
        message(result.folder);
    else if (result.status == OpenResult::Opened)
        showDataSet(0);
}

void DataLoggerController::fillDataSetGrid()
{
    if (m_window)
        writeDataSetGrid(*m_window->dataSetGrid(), dataSetGridRows(m_store));
}

TfrmScope *DataLoggerController::progressWindow() const { return m_progress; }

bool DataLoggerController::graphCloseQuery(TfrmGraph &g)
{
    if (!m_logger.unsavedDataSets())
        return true;
    switch (m_context.dialogs.question(&g, kSaveQuestion, Dialogs::Yes | Dialogs::No | Dialogs::Cancel)) {
    case Dialogs::Yes:
        // A save that did not happen keeps the window and its mark.
        if (!m_context.files.saveWindow(&g))
            return false;
        m_logger.setUnsavedDataSets(false);
        return true;
    case Dialogs::No:
        return true;
    default:
        return false;
    }
}

void DataLoggerController::openDataLoggerWindow()
{
    if (m_window) {
        restoreChild(m_window);
        return;
    }
    TfrmGraph *g = createGraphWindow(m_context, GraphKind::DataLogger, kDataLoggerCaption);
    m_window = g;
    g->setOwner(this);
    g->dataSetPanel()->setVisible(true);
    connect(g, &TfrmGraph::dataSetClicked, this, &DataLoggerController::showDataSet);
    // The downloaded sets go with the window that shows them.
    connect(g, &TfrmGraph::closed, this, [this] { m_logger.setUnsavedDataSets(false); });
    if (QMdiSubWindow *sub = childFrame(g)) {
        const QSize client = m_context.host.clientSize();
        sub->showNormal();
        sub->setGeometry(0, 0, client.width(), std::max(client.height() - kDataLoggerHeightMargin, 100));
    }
    const double now = toDayCount(m_context.session.clock().now());
    if (!g->initChart(kEmptySeries, kEmptyMaxY, kEmptyMinY, now + kEmptySpanDays, now, kEmptyPoints))
        return;
    g->followSplitState();
    g->model().setAnnotationHotSpots(true);
}

void DataLoggerController::showDataSet(int n)
{
    TfrmGraph *g = m_window;
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
    QPointer<TfrmList> list = qobject_cast<TfrmList *>(m_context.host.activeChild());
    if (!list)
        return;
    const TableGraphPlan plan = planTableGraph(list->model());
    if (plan.status == TableGraphPlan::NoData) {
        message(tableText::noGraphData());
        return;
    }
    QPointer<TfrmGraph> g = createGraphWindow(m_context, GraphKind::Single, list->windowTitle());
    if (plan.status == TableGraphPlan::BadTime) {
        message(plan.error);
        return;
    }
    const int n = plan.points;
    if (!g->initChart(kSetSeries, kSetMaxY, kSetMinY, plan.last, plan.first, n))
        return;
    g->followSplitState();

    std::unique_ptr<TfrmScope> progress(showGraphProgress(m_context.host.frameWindow(), n));
    for (int r = 0; r < n; ++r) {
        progress->progress()->setValue(r + 1);
        if (r % kRowsPerEventPass == 0 || r == n - 1) {
            m_context.session.clock().processEvents();
            // The user may close either window meanwhile.
            if (!list || !g)
                return;
        }
        ChartSink sink{g->model()};
        convertTableRow(list->model(), r, sink);
    }
    progress.reset();
    restoreChild(g);
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
    m_progress = showDownloadProgress(m_context.host.frameWindow(), targetLength);
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

} // namespace qx
