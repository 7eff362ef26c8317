#pragma once
// The files commands of the running program: Save and Open by the active window, the
// graph save behind every "save first?" question, the text saves with their range and
// progress, the single-recording open, and Print.
#include "TextSave.h"
#include "ui/WindowContext.h"

#include <functional>

#include <QObject>
#include <QPointer>

class QWidget;

namespace qx {

class DataLoggerController;
class TableModel;
class TfrmGraph;
class TfrmList;

class FileCommands final : public QObject, public RecordingFiles {
    Q_OBJECT
public:
    FileCommands(WindowContext &context, DataLoggerController &dataLogger, QObject *parent = nullptr);

    // The main window's Save, Open and Print commands, on the active child window.
    void save();
    void open();
    void print();

    // RecordingFiles: the graph save of a chart ("GHF", ".txt", ".csv"), and the save
    // command for a given window; false when nothing was saved.
    bool saveGraphAs(QWidget *window, ChartModel &chart) override;
    bool saveWindow(QWidget *window) override;

    // Asks for a file and writes the table window's rows.
    bool saveTableAs(TfrmList &list);
    // Asks for a file and opens it in a new graph or table window; the window, or null.
    QWidget *openSingleRecording();
    QWidget *openSingleRecording(const QString &fileName);

private:
    QString startFolder() const;
    // The range question, the progress window and the write; true when the file was saved.
    bool saveText(QWidget *parent, int n,
                  const std::function<TextSaveResult(const LineRange &, const Progress &)> &write);
    bool printGraph(TfrmGraph &graph);

    WindowContext &m_context;
    DataLoggerController &m_dataLogger;
};

} // namespace qx
