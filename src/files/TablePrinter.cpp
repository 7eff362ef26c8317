#include "TablePrinter.h"

#include "TablePrintLayout.h"
#include "logger/TableModel.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>

namespace qx {

bool printTable(const TableModel &table, QPrinter &printer)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(8);
    painter.setFont(font);
    const QFontMetrics metrics = painter.fontMetrics();
    const PrintPage page = printPage(printer.height(), metrics.size(Qt::TextSingleLine, printMeasureText()).height());
    const int rows = table.rowCount() + 1; // with the heading row
    for (int i = 0; i < rows; ++i) {
        const PrintPlace place = printPlace(i, page);
        if (place.newPage && !printer.newPage())
            return false;
        // The place is the line's top; Qt draws text on its baseline.
        painter.drawText(place.x, place.y + metrics.ascent(), printedTableLine(table, i));
    }
    return painter.end();
}

} // namespace qx
