#include "DataLoggerController.h"

#include "DataSetGrid.h"
#include "TfrmList.h"
#include "TfrmScope.h"
#include "app/Dialogs.h"
#include "app/TfrmMain.h"

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QLabel>
#include <QTableWidget>
#include <QToolButton>

namespace qx {

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
    grid.clearSelection();
    grid.setCurrentCell(0, 0);
    grid.setRangeSelected(QTableWidgetSelectionRange(0, 0, 0, std::min(4, columns - 1)), true);
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

void DataLoggerController::openDataLoggerWindow() {}

void DataLoggerController::showDataSet(int) {}

void DataLoggerController::outputToGraph() {}

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
