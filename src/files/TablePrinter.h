#pragma once
// Printing a table window: its heading and rows as plain lines in the system's
// fixed-pitch font at 8 points, page after page.
class QPrinter;

namespace qx {

class TableModel;

// Prints on a printer already set up (by the print dialog, or to a PDF file). False when
// the printer would not start or take a page; the platform reports its own errors.
bool printTable(const TableModel &table, QPrinter &printer);

} // namespace qx
