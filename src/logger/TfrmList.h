#pragma once
// The table window: one recording as rows of number, date, time and the four channels.
// The grid is a view over a TableModel, so it stays quick with a million rows.
#include "TableModel.h"
#include "ui/WindowHost.h"

#include <QWidget>

class QTableView;

namespace qx {


class TfrmList : public QWidget, public ChildWindow {
    Q_OBJECT
public:
    explicit TfrmList(QWidget *parent = nullptr);

    WindowKind windowKind() const override { return WindowKind::Table; }

    TableModel &model() { return *m_model; }
    const TableModel &model() const { return *m_model; }
    QTableView *grid() const { return m_grid; }

private:
    TableModel *m_model = nullptr;
    QTableView *m_grid = nullptr;
};

// A new table window in the main window's MDI area, captioned `caption`, freed when it
// closes.
TfrmList *createTableWindow(WindowHost &host, const QString &caption);

} // namespace qx
