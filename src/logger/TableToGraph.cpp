#include "TableToGraph.h"

#include "meter/Formats.h"

namespace qx {

bool readTableTime(const TableModel &table, int row, double &dayCount, QString *error)
{
    const QString text = table.cell(row, kTableDateColumn) + QLatin1Char(' ') + table.cell(row, kTableTimeColumn);
    if (parseDateTimeText(text, dayCount))
        return true;
    if (error)
        *error = tableText::notADateTime(text);
    return false;
}

bool readTableValue(const QString &cell, float &value)
{
    if (cell == QLatin1String("OL")) {
        value = kTableNullValue;
        return true;
    }
    double v = 0;
    if (!parseLocaleDouble(cell, v))
        return false;
    value = float(v);
    return true;
}

TableGraphPlan planTableGraph(const TableModel &table)
{
    TableGraphPlan plan;
    if (table.rowCount() == 0 || table.cell(0, kTableDateColumn).isEmpty()) {
        plan.status = TableGraphPlan::NoData;
        return plan;
    }
    plan.points = table.rowCount();
    if (!readTableTime(table, 0, plan.first, &plan.error) ||
        !readTableTime(table, plan.points - 1, plan.last, &plan.error))
        plan.status = TableGraphPlan::BadTime;
    return plan;
}

} // namespace qx
