#include "TablePrintLayout.h"

#include "logger/TableModel.h"

#include <algorithm>

namespace qx {

QString printedLine(const QStringList &cells)
{
    QString line;
    for (qsizetype c = 0; c < cells.size(); ++c)
        line += cells[c].leftJustified(c == 2 ? kPrintTimeColumnWidth : kPrintColumnWidth);
    return line;
}

QString printedTableLine(const TableModel &table, int gridRow)
{
    if (gridRow == 0)
        return printedLine(TableModel::headings());
    QStringList cells;
    for (int c = 0; c < TableModel::kColumns; ++c)
        cells << table.cell(gridRow - 1, c);
    return printedLine(cells);
}

PrintPage printPage(int pageHeight, int lineHeight)
{
    PrintPage page;
    page.lineHeight = std::max(lineHeight, 1);
    // A page lower than one line still takes one: every row is printed, none divides by 0.
    page.linesPerPage = std::max(pageHeight / page.lineHeight, 1);
    return page;
}

PrintPlace printPlace(int line, const PrintPage &page)
{
    PrintPlace place;
    place.page = line / page.linesPerPage + 1;
    place.y = (line % page.linesPerPage) * page.lineHeight + page.lineHeight;
    place.newPage = line > 0 && line % page.linesPerPage == 0;
    return place;
}

} // namespace qx
