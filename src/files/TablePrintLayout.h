#pragma once
// A table window on paper: one grid row per line in a fixed-pitch font, each column
// padded to its width, and lines placed page by page one line height apart.
#include <QString>
#include <QStringList>

namespace qx {

class TableModel;

inline constexpr int kPrintColumnWidth = 10;
inline constexpr int kPrintTimeColumnWidth = 17; // column 2
inline constexpr int kPrintLeft = 1;
// The text whose height on the printer is the line height; it is never printed.
inline QString printMeasureText() { return QStringLiteral("String Grid Printout"); }

// The cells one after the other, each padded on the right to its column's width; a longer
// text is kept whole and pushes the rest to the right. No separators.
QString printedLine(const QStringList &cells);
// Grid row `gridRow` of a table window: 0 is the heading row, n is data row n − 1.
QString printedTableLine(const TableModel &table, int gridRow);

struct PrintPage {
    int lineHeight = 1;
    int linesPerPage = 1; // page height ÷ line height, at least 1
};
PrintPage printPage(int pageHeight, int lineHeight);

struct PrintPlace {
    int page = 1;          // from 1
    int x = kPrintLeft;
    int y = 0;             // top of the line, one line height below the top edge at least
    bool newPage = false;  // a page starts before this line
};
// Where grid row `line` (from 0) goes.
PrintPlace printPlace(int line, const PrintPage &page);

} // namespace qx
