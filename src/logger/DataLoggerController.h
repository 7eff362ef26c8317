#pragma once
// The data logger in the running program: the load command of the menu and tool bar with
// its progress window, hourglass and messages; the data logger window with its data set
// grid and chart; the collection branches of the save and open commands; and the
// table-to-graph button.
#include "DataLogger.h"
#include "graph/TfrmGraph.h"

#include <QObject>
#include <QPointer>
#include <vector>

class QTableWidget;

namespace qx {

class TfrmList;
class TfrmScope;
struct WindowContext;

// Writes the grid's rows below its headings and selects the first row. The chart is left
// as it is.
void writeDataSetGrid(QTableWidget &grid, const std::vector<QStringList> &rows);

class DataLoggerController : public QObject, private DownloadObserver, private GraphWindowOwner {
    Q_OBJECT
public:
    DataLoggerController(WindowContext &context, DataSetStore &store, QObject *parent = nullptr);
    ~DataLoggerController() override;

    DataLogger &logger() { return m_logger; }
    DataSetStore &store() { return m_store; }
    // The data logger window; null while it is closed.
    TfrmGraph *window() const { return m_window; }

    // The data logger command (menu item and tool button).
    void loadData();
    // The collection branch of the save command: asks for the file, then copies the
    // working copy there.
    // False when nothing was saved (cancelled, or failed: the user is told why).
    bool saveCollection();
    // The collection branch of the open command: opens the data logger window, asks for
    // the file, reads and shows it.
    void openCollection();
    // The table-to-graph button: the active table window becomes a new graph window.
    void outputToGraph();

    // The data logger window's side.
    void openDataLoggerWindow();
    void fillDataSetGrid();
    void showDataSet(int n);

    // The progress window while a download runs; null otherwise.
    TfrmScope *progressWindow() const;

private:
    void setBusyCursor(bool busy) override;
    void started(int targetLength) override;
    void progress(int received) override;
    void finished() override;
    bool graphCloseQuery(TfrmGraph &window) override;
    void updateFolders();
    void message(const QString &text);

    WindowContext &m_context;
    DataSetStore &m_store;
    DataLogger m_logger;
    QPointer<TfrmGraph> m_window;
    QPointer<TfrmScope> m_progress;
    bool m_busyCursor = false;
};

} // namespace qx
