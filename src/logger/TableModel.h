#pragma once
// The rows of a table window: number, date, time and the four channels as text. Each row
// keeps its cells in one string, so a million rows stay small and the view asks for only
// the rows it shows.
#include <QAbstractTableModel>
#include <QStringList>
#include <array>
#include <vector>

namespace qx {

class TableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kColumns = 7;
    // The longest row text kept; a cell that would pass it is cut.
    static constexpr int kMaxRowLength = 0xFFFF;

    explicit TableModel(QObject *parent = nullptr);

    // "No", "Date", "Time", "T1", "T2", "T3", "T4".
    static QStringList headings();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Data rows count from 0 (the grid's row 1); an unknown cell reads empty.
    QString cell(int row, int column) const;
    void setCell(int row, int column, const QString &text);
    // Columns 0 to 6 from `cells`; missing ones empty, extra ones dropped.
    void setRow(int row, const QStringList &cells);
    void appendRow(const QStringList &cells);
    // Adds empty rows or drops rows at the end.
    void setRows(int rows);
    void clear();

    // While suspended, rows change without telling the views; resuming shows them all at
    // once. Filling a large table this way costs no view updates per row.
    void suspendUpdates();
    void resumeUpdates();
    bool updatesSuspended() const { return m_suspended > 0; }

private:
    struct Row {
        QString text;
        std::array<quint16, kColumns> ends{}; // end of each cell in text
    };
    static Row pack(const QStringList &cells);
    static QStringView cellOf(const Row &row, int column);

    std::vector<Row> m_rows;
    int m_suspended = 0;
};

} // namespace qx
