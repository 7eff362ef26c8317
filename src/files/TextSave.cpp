#include "TextSave.h"

#include "FileTexts.h"
#include "TextLines.h"
#include "graph/ChartModel.h"
#include "logger/TableModel.h"

#include <QDir>
#include <QSaveFile>
#include <algorithm>

namespace qx {

namespace {

constexpr qsizetype kFlushBytes = 256 * 1024;

// Lines gathered in UTF-8 and written in large pieces; nothing reaches the named file
// before commit().
class TextFileWriter {
public:
    explicit TextFileWriter(const QString &path) : m_path(path), m_file(path) {}

    bool open(TextSaveResult &result)
    {
        if (m_file.open(QIODevice::WriteOnly))
            return true;
        result.status = TextSaveResult::Failed;
        result.error = filesText::cannotCreate(m_path, m_file.errorString());
        return false;
    }

    bool writeLine(const QString &line, TextSaveResult &result)
    {
        m_buffer += line.toUtf8();
        m_buffer += "\r\n";
        ++result.lines;
        return m_buffer.size() < kFlushBytes || flush(result);
    }

    bool commit(TextSaveResult &result)
    {
        if (!flush(result))
            return false;
        if (m_file.commit())
            return true;
        return failed(result);
    }

    void cancel(TextSaveResult &result)
    {
        m_file.cancelWriting(); // the temporary file goes with the writer
        result.status = TextSaveResult::Cancelled;
        result.lines = 0;
    }

private:
    bool flush(TextSaveResult &result)
    {
        if (m_file.write(m_buffer) != m_buffer.size())
            return failed(result);
        m_buffer.clear();
        return true;
    }

    bool failed(TextSaveResult &result)
    {
        result.status = TextSaveResult::Failed;
        result.error = filesText::cannotWrite(m_path, m_file.errorString());
        result.lines = 0;
        m_file.cancelWriting();
        return false;
    }

    QString m_path;
    QSaveFile m_file;
    QByteArray m_buffer;
};

// The loop both saves share: progress before each line, `line(n)` giving line n's text or
// stopping the file there when it has none.
template <class LineOf>
TextSaveResult writeLines(const QString &path, const LineRange &range, const Progress &progress, LineOf line)
{
    TextSaveResult result;
    TextFileWriter writer(path);
    if (!writer.open(result))
        return result;
    ProgressPacer pacer(progress);
    const int total = range.count();
    for (int n = range.from; n <= range.to; ++n) {
        if (!pacer.proceed(n - range.from, total)) {
            writer.cancel(result);
            return result;
        }
        QString text;
        if (!line(n, text))
            break;
        if (!writer.writeLine(text, result))
            return result;
    }
    writer.commit(result);
    return result;
}

} // namespace

TextSaveResult writeGraphText(const ChartModel &chart, const QString &path, QChar separator, const LineRange &range,
                              const Progress &progress)
{
    const LineRange within{std::max(range.from, 1), std::min(range.to, chart.pointCount())};
    GraphTextLines lines(chart, separator);
    return writeLines(path, within, progress, [&](int n, QString &text) {
        // A point whose X is 0 holds no sample yet, nor do those after it.
        if (chart.getX(0, n - 1) == 0)
            return false;
        text = lines.line(n - 1);
        return true;
    });
}

TextSaveResult writeTableText(const TableModel &table, const QString &path, QChar separator, const LineRange &range,
                              const Progress &progress)
{
    const LineRange within{std::max(range.from, 1), std::min(range.to, table.rowCount())};
    return writeLines(path, within, progress, [&](int n, QString &text) {
        text = tableTextLine(table, n - 1, separator);
        return true;
    });
}

} // namespace qx
