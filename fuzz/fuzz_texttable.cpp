// A tab or comma file read into a table window's rows. The first byte picks the separator
// and how the rest arrives (whole, or in pieces of 1 to 127 bytes, as the file is read in
// steps); the pieces must give the same rows as the whole. Every row is numbered in
// order, holds at most six fields and fits the table; a stop is reported with its line.
#include "files/TextTableReader.h"
#include "logger/TableModel.h"

#include <cstdint>
#include <cstdlib>

using namespace qx;

namespace {

struct Read {
    std::vector<QStringList> rows;
    TextTableReader::Outcome outcome;
    QString message;
};

Read readAll(QByteArrayView text, char separator, qsizetype piece)
{
    TableModel table;
    TextTableReader reader(table, separator);
    for (qsizetype at = 0; at < text.size() && reader.wantsMore(); at += piece)
        reader.feed(text.sliced(at, std::min(piece, text.size() - at)));
    reader.finish();
    if (reader.wantsMore() || table.rowCount() < 1 || table.rowCount() != std::max(reader.rows(), 1))
        std::abort();
    if ((reader.outcome() == TextTableReader::Outcome::Complete) != (reader.stopLine() == 0))
        std::abort();
    if (reader.outcome() == TextTableReader::Outcome::LineTooLong && reader.message().isEmpty())
        std::abort();
    Read read{{}, reader.outcome(), reader.message()};
    for (int r = 0; r < table.rowCount(); ++r) {
        QStringList cells;
        qsizetype length = 0;
        for (int c = 0; c < TableModel::kColumns; ++c) {
            cells << table.cell(r, c);
            length += cells.last().size();
        }
        if (reader.rows() > 0 && cells[0] != QString::number(r + 1))
            std::abort(); // rows numbered from 1 in file order
        if (length > TableModel::kMaxRowLength)
            std::abort();
        read.rows.push_back(cells);
    }
    return read;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const char separator = (data[0] & 0x80) ? ',' : '\t';
    const qsizetype piece = std::max(1, data[0] & 0x7F);
    const QByteArrayView text(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const Read whole = readAll(text, separator, std::max<qsizetype>(text.size(), 1));
    const Read pieces = readAll(text, separator, piece);
    if (whole.rows != pieces.rows || whole.outcome != pieces.outcome || whole.message != pieces.message)
        std::abort();
    return 0;
}
