#include "TableModel.h"

#include <algorithm>

namespace qx {

TableModel::TableModel(QObject *parent) : QAbstractTableModel(parent) {}

QStringList TableModel::headings()
{
    return {QStringLiteral("No"), QStringLiteral("Date"), QStringLiteral("Time"), QStringLiteral("T1"),
            QStringLiteral("T2"), QStringLiteral("T3"), QStringLiteral("T4")};
}

int TableModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(m_rows.size()); }

int TableModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : kColumns; }

QVariant TableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return cell(index.row(), index.column());
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < kColumns ? headings().at(section) : QVariant();
    return section + 1;
}

TableModel::Row TableModel::pack(const QStringList &cells)
{
    Row r;
    int length = 0;
    for (int c = 0; c < kColumns; ++c) {
        if (c < cells.size()) {
            const QString &text = cells.at(c);
            const int room = kMaxRowLength - length;
            const qsizetype take = std::min<qsizetype>(text.size(), room);
            r.text.append(QStringView(text).left(take));
            length += int(take);
        }
        r.ends[std::size_t(c)] = quint16(length);
    }
    r.text.squeeze();
    return r;
}

QStringView TableModel::cellOf(const Row &row, int column)
{
    const int begin = column == 0 ? 0 : row.ends[std::size_t(column - 1)];
    return QStringView(row.text).mid(begin, row.ends[std::size_t(column)] - begin);
}

QString TableModel::cell(int row, int column) const
{
    if (row < 0 || row >= int(m_rows.size()) || column < 0 || column >= kColumns)
        return {};
    return cellOf(m_rows[std::size_t(row)], column).toString();
}

void TableModel::setCell(int row, int column, const QString &text)
{
    if (row < 0 || row >= int(m_rows.size()) || column < 0 || column >= kColumns)
        return;
    QStringList cells;
    for (int c = 0; c < kColumns; ++c)
        cells << (c == column ? text : cellOf(m_rows[std::size_t(row)], c).toString());
    m_rows[std::size_t(row)] = pack(cells);
    if (!updatesSuspended())
        emit dataChanged(index(row, column), index(row, column));
}

void TableModel::setRow(int row, const QStringList &cells)
{
    if (row < 0 || row >= int(m_rows.size()))
        return;
    m_rows[std::size_t(row)] = pack(cells);
    if (!updatesSuspended())
        emit dataChanged(index(row, 0), index(row, kColumns - 1));
}

void TableModel::appendRow(const QStringList &cells)
{
    const int row = int(m_rows.size());
    if (!updatesSuspended())
        beginInsertRows({}, row, row);
    m_rows.push_back(pack(cells));
    if (!updatesSuspended())
        endInsertRows();
}

void TableModel::setRows(int rows)
{
    rows = std::max(rows, 0);
    const int now = int(m_rows.size());
    if (rows == now)
        return;
    const bool tell = !updatesSuspended();
    if (rows > now) {
        if (tell)
            beginInsertRows({}, now, rows - 1);
        m_rows.resize(std::size_t(rows));
        if (tell)
            endInsertRows();
    } else {
        if (tell)
            beginRemoveRows({}, rows, now - 1);
        m_rows.resize(std::size_t(rows));
        if (tell)
            endRemoveRows();
    }
}

void TableModel::clear() { setRows(0); }

void TableModel::suspendUpdates()
{
    if (m_suspended++ == 0)
        beginResetModel();
}

void TableModel::resumeUpdates()
{
    if (m_suspended > 0 && --m_suspended == 0)
        endResetModel();
}

} // namespace qx
