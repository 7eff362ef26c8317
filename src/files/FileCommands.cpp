#include "FileCommands.h"

#include "FileTexts.h"
#include "FileTypes.h"
#include "GraphFileOpen.h"
#include "SaveRange.h"
#include "TablePrinter.h"
#include "TextTableReader.h"
#include "graph/ChartFile.h"
#include "graph/TfrmGraph.h"
#include "logger/DataLoggerController.h"
#include "logger/TfrmList.h"
#include "logger/TfrmOpenSave.h"
#include "logger/TfrmScope.h"
#include "meter/MeterSession.h"
#include "ui/Dialogs.h"
#include "ui/WindowHost.h"

#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <memory>

namespace qx {

namespace {

// An opened graph window: as high as the client area less this.
constexpr int kOpenedGraphHeightMargin = 40;

} // namespace

FileCommands::FileCommands(WindowContext &context, DataLoggerController &dataLogger, QObject *parent)
    : QObject(parent), m_context(context), m_dataLogger(dataLogger)
{
    setObjectName("FileCommands");
}

QString FileCommands::startFolder() const
{
    return m_context.folders.data.isEmpty() ? m_context.folders.programFolder() : m_context.folders.data;
}

void FileCommands::save() { saveWindow(m_context.host.activeChild()); }

bool FileCommands::saveWindow(QWidget *window)
{
    switch (windowKindOf(window)) {
    case WindowKind::Table:
        return saveTableAs(*static_cast<TfrmList *>(window));
    case WindowKind::DataLoggerGraph:
        switch (askOpenSave(m_context.dialogs, TfrmOpenSave::Use::Save, window)) {
        case TfrmOpenSave::Sets:
            return m_dataLogger.saveCollection();
        case TfrmOpenSave::SingleSet:
            return static_cast<TfrmGraph *>(window)->saveChart();
        default:
            return false;
        }
    case WindowKind::RealTimeGraph:
    case WindowKind::Graph:
        return static_cast<TfrmGraph *>(window)->saveChart();
    default:
        return false;
    }
}

bool FileCommands::saveGraphAs(QWidget *window, ChartModel &chart)
{
    const QString name = m_context.dialogs.saveFileName(window, startFolder(), graphFileTypes(), graphDefaultSuffix());
    if (name.isEmpty())
        return false;
    switch (graphSaveKind(name)) {
    case GraphSaveKind::GraphFile: {
        QString error;
        if (storeChartFile(chart, name, &error))
            return true;
        m_context.dialogs.message(window, error);
        return false;
    }
    case GraphSaveKind::TabText:
    case GraphSaveKind::CommaText: {
        // A ".csv" name gives commas also while the comma is the decimal separator.
        const QChar separator = graphSaveKind(name) == GraphSaveKind::TabText ? QChar('\t') : QChar(',');
        return saveText(window, chart.pointCount(), [&](const LineRange &range, const Progress &progress) {
            return writeGraphText(chart, name, separator, range, progress);
        });
    }
    default:
        return false; // another extension: nothing written, nothing said
    }
}

bool FileCommands::saveTableAs(TfrmList &list)
{
    const QString name = m_context.dialogs.saveFileName(&list, startFolder(), tableFileTypes(), tableDefaultSuffix());
    if (name.isEmpty())
        return false;
    const TableModel &table = list.model();
    const int last = table.rowCount(); // the grid's rows below its heading
    const QChar separator = tableSaveSeparator(name);
    return saveText(&list, last, [&](const LineRange &range, const Progress &progress) {
        return writeTableText(table, name, separator, range, progress);
    });
}

bool FileCommands::saveText(QWidget *parent, int n,
                            const std::function<TextSaveResult(const LineRange &, const Progress &)> &write)
{
    LineRange range;
    {
        TfrmScope ask(m_context.host.frameWindow());
        ask.setWindowTitle(filesText::rangeCaption());
        ask.edtSelFrom()->setText(QStringLiteral("1"));
        ask.edtSelTo()->setText(QString::number(n));
        for (QWidget *w : {static_cast<QWidget *>(ask.groupBox()), static_cast<QWidget *>(ask.bitBtn1()),
                           static_cast<QWidget *>(ask.bitBtn2())})
            w->show();
        if (m_context.dialogs.execDialog(ask) != QDialog::Accepted)
            return false;
        const RangeChoice choice =
            resolveRange(ask.radAll()->isChecked(), ask.edtSelFrom()->text(), ask.edtSelTo()->text(), n);
        if (!choice.valid) {
            m_context.dialogs.message(parent, filesText::notAnInteger());
            return false;
        }
        range = choice.range;
    }
    std::unique_ptr<TfrmScope> progress(new TfrmScope(m_context.host.frameWindow()));
    progress->setWindowTitle(filesText::saveProgressCaption());
    progress->sText1()->setText(filesText::saveProgressText());
    progress->progress()->setRange(0, range.count());
    progress->progress()->setValue(0);
    for (QWidget *w : {static_cast<QWidget *>(progress->progress()), static_cast<QWidget *>(progress->sText1()),
                       static_cast<QWidget *>(progress->bitBtn2())})
        w->show();
    progress->showProgress();
    QPointer<TfrmScope> scope = progress.get();
    Progress report;
    report.report = [&](int done, int) {
        scope->progress()->setValue(done + 1);
        m_context.session.clock().processEvents();
        return scope && !scope->cancelled();
    };
    const TextSaveResult result = write(range, report);
    progress.reset();
    if (result.status == TextSaveResult::Failed)
        m_context.dialogs.message(parent, result.error);
    return result.status == TextSaveResult::Saved;
}

void FileCommands::open()
{
    switch (askOpenSave(m_context.dialogs, TfrmOpenSave::Use::Open, m_context.host.frameWindow())) {
    case TfrmOpenSave::Sets:
        m_dataLogger.openCollection();
        break;
    case TfrmOpenSave::SingleSet:
        openSingleRecording();
        break;
    default:
        break;
    }
}

QWidget *FileCommands::openSingleRecording()
{
    const QString name = m_context.dialogs.openFileName(m_context.host.frameWindow(), startFolder(), graphFileTypes());
    if (name.isEmpty())
        return nullptr;
    return openSingleRecording(name);
}

QWidget *FileCommands::openSingleRecording(const QString &name)
{
    QWidget *frame = m_context.host.frameWindow();
    switch (openKind(name)) {
    case OpenKind::GraphFile: {
        // Read and checked before any window exists: a file that cannot be used makes none.
        ChartModel chart;
        QString error;
        if (!openGraphFile(name, chart, &error)) {
            m_context.dialogs.message(frame, error);
            return nullptr;
        }
        TfrmGraph *g = createGraphWindow(m_context, GraphKind::Single, name);
        g->model().loadState(chart.storeState());
        if (QMdiSubWindow *sub = childFrame(g)) {
            const QSize client = m_context.host.clientSize();
            sub->setGeometry(0, 0, frame->width(), std::max(client.height() - kOpenedGraphHeightMargin, 100));
        }
        g->showStatistics();
        g->followSplitState();
        g->model().setDataLabels(0);
        g->model().setAnnotationHotSpots(true);
        g->chart()->undoZoom();
        g->chart()->reinitialize();
        g->chart()->redraw();
        return g;
    }
    case OpenKind::TextTable: {
        TextTableOpen reading(name);
        if (!reading.open())
            return nullptr; // a text file that cannot be opened: nothing happens
        QPointer<TfrmList> list = createTableWindow(m_context.host, name);
        reading.begin(list->model());
        std::unique_ptr<TfrmScope> progress(new TfrmScope(frame));
        progress->setWindowTitle(filesText::openProgressCaption());
        progress->sText1()->setText(QStringLiteral("0"));
        progress->sText1()->show();
        progress->bitBtn2()->show();
        progress->showProgress();
        QPointer<TfrmScope> scope = progress.get();
        Progress report;
        report.report = [&](int rows, int) {
            if (!scope || !list)
                return false;
            scope->sText1()->setText(QString::number(rows));
            m_context.session.clock().processEvents();
            return scope && list && !scope->cancelled();
        };
        reading.run(report);
        progress.reset();
        if (!list)
            return nullptr;
        list->grid()->viewport()->update();
        const QString message = reading.message();
        if (!message.isEmpty())
            m_context.dialogs.message(frame, message);
        return list;
    }
    default:
        return nullptr;
    }
}

void FileCommands::print()
{
    QWidget *window = m_context.host.activeChild();
    switch (windowKindOf(window)) {
    case WindowKind::Table: {
        QPrinter &printer = m_context.printer.printer();
        if (!m_context.dialogs.print(window, printer))
            return;
        printTable(static_cast<TfrmList *>(window)->model(), printer);
        break;
    }
    case WindowKind::RealTimeGraph:
    case WindowKind::DataLoggerGraph:
    case WindowKind::Graph:
        printGraph(*static_cast<TfrmGraph *>(window));
        break;
    default:
        break;
    }
}

bool FileCommands::printGraph(TfrmGraph &graph)
{
    // The chart's settings without the pages that change its data, then its print dialog
    // whatever the settings dialog's answer.
    ChartOptions &o = graph.model().options();
    o.allowFontPage = o.allowPage1 = o.allowPage2 = o.allowSubsetsPage = false;
    graph.chart()->customize();
    o.allowFontPage = o.allowPage1 = o.allowPage2 = o.allowSubsetsPage = true;
    graph.chart()->printDialog(m_context.dialogs, m_context.printer.printer());
    return true;
}

} // namespace qx
