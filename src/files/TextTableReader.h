#pragma once
// Reading a tab or comma file into a table window's rows, a piece at a time, so the window
// can show the line counter and take "Annuler" while a large file comes in. Row r (from
// 1) gets r in column 0 and the line's first six fields in columns 1 to 6. A line without
// the separator ends the reading; so does a line too long to be a row, which is refused.
#include "Progress.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QPointer>
#include <QString>
#include <memory>

namespace qx {

class TableModel;

inline constexpr qsizetype kMaxTextLineBytes = 64 * 1024;
inline constexpr int kTextFields = 6;

class TextTableReader {
public:
    enum class Outcome {
        Reading,
        Complete,    // every line read
        NoSeparator, // a line without the separator ended the reading
        LineTooLong, // a line longer than a row can hold was refused and ended the reading
    };

    // Empties the table to its heading and one empty row.
    TextTableReader(TableModel &table, char separator);

    // The next bytes of the file. Whole lines go into the table; after the line that ended
    // the reading, bytes are only looked at to tell whether anything but line ends follows.
    void feed(QByteArrayView bytes);
    // The end of the file: a last line without its line end counts too.
    void finish();
    // False once more bytes can change nothing.
    bool wantsMore() const;

    Outcome outcome() const { return m_outcome; }
    int rows() const { return m_rows; }
    // The line (from 1) that ended the reading; 0 when none did.
    int stopLine() const { return m_stopLine; }
    // What to tell the user: empty after a complete reading, and after a line without the
    // separator when nothing but line ends follows it (the end of the file).
    QString message() const;

private:
    void line(QByteArrayView text);
    void stop(Outcome outcome);

    TableModel &m_table;
    char m_separator;
    QByteArray m_pending; // the start of a line whose end has not come yet
    Outcome m_outcome = Outcome::Reading;
    int m_lines = 0;
    int m_rows = 0;
    int m_stopLine = 0;
    bool m_moreAfterStop = false;
    bool m_finished = false;
};

// A ".txt" or ".csv" file read into a table in steps of about 20 ms.
class TextTableOpen {
public:
    explicit TextTableOpen(const QString &path);
    ~TextTableOpen();

    // False, with error(), for a name that is neither ".txt" nor ".csv", what is not a
    // regular file, or a file that cannot be opened; create the table window only after.
    bool open();
    // Starts filling `table`: emptied to its heading and one empty row, its views told
    // nothing until the end, when they are told once.
    void begin(TableModel &table);
    // Reads for about `budgetMs`; true while there is more to do.
    bool step(int budgetMs = 20);
    // Steps to the end, with `progress` (rows read so far) between steps; false from it
    // cancels. The rows read stay in the table.
    void run(const Progress &progress);
    void cancel();

    bool cancelled() const { return m_cancelled; }
    int rows() const;
    QString error() const { return m_error; }
    // What to tell the user once done: where the reading stopped, or a read error.
    QString message() const;

private:
    void end();

    QString m_path;
    QFile m_file;
    QPointer<TableModel> m_table;
    std::unique_ptr<TextTableReader> m_reader;
    QByteArray m_chunk;
    QString m_error;
    QString m_readError;
    bool m_cancelled = false;
    bool m_active = false; // between begin() and the end of the reading
};

} // namespace qx
