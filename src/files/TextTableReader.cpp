#include "TextTableReader.h"

#include "FileTypes.h"
#include "FileTexts.h"
#include "TextLines.h"
#include "logger/TableModel.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

namespace qx {

namespace {

constexpr qint64 kReadChunk = 256 * 1024;
constexpr QByteArrayView kUtf8Mark("\xEF\xBB\xBF");

bool onlyLineEnds(QByteArrayView bytes)
{
    for (const char c : bytes)
        if (c != '\r' && c != '\n')
            return false;
    return true;
}

} // namespace

// --- TextTableReader ---------------------------------------------------------------------

TextTableReader::TextTableReader(TableModel &table, char separator) : m_table(table), m_separator(separator)
{
    m_table.clear();
    m_table.setRows(1);
}

bool TextTableReader::wantsMore() const
{
    if (m_finished)
        return false;
    if (m_outcome == Outcome::Reading)
        return true;
    return m_outcome == Outcome::NoSeparator && !m_moreAfterStop;
}

void TextTableReader::feed(QByteArrayView bytes)
{
    while (!bytes.isEmpty() && wantsMore()) {
        if (m_outcome != Outcome::Reading) {
            m_moreAfterStop = !onlyLineEnds(bytes);
            return;
        }
        const qsizetype end = bytes.indexOf('\n');
        if (end < 0) {
            // A line end may still come; a line already too long need not be kept.
            if (m_pending.size() + bytes.size() > kMaxTextLineBytes + 1) {
                ++m_lines;
                stop(Outcome::LineTooLong);
                return;
            }
            m_pending.append(bytes);
            return;
        }
        if (m_pending.isEmpty()) {
            line(bytes.first(end));
        } else {
            if (m_pending.size() + end > kMaxTextLineBytes + 1) {
                ++m_lines;
                stop(Outcome::LineTooLong);
                return;
            }
            m_pending.append(bytes.first(end));
            const QByteArray whole = std::move(m_pending);
            m_pending = QByteArray();
            line(whole);
        }
        bytes = bytes.sliced(end + 1);
    }
}

void TextTableReader::finish()
{
    if (m_outcome == Outcome::Reading) {
        if (!m_pending.isEmpty()) {
            const QByteArray last = std::move(m_pending);
            m_pending = QByteArray();
            line(last);
        }
        if (m_outcome == Outcome::Reading)
            m_outcome = Outcome::Complete;
    }
    m_finished = true;
}

void TextTableReader::line(QByteArrayView text)
{
    ++m_lines;
    if (text.endsWith('\r'))
        text.chop(1);
    if (m_lines == 1 && text.startsWith(kUtf8Mark))
        text = text.sliced(kUtf8Mark.size());
    if (text.size() > kMaxTextLineBytes) {
        stop(Outcome::LineTooLong);
        return;
    }
    if (!text.contains(m_separator)) {
        stop(Outcome::NoSeparator);
        return;
    }
    QStringList cells = splitTextLine(text, m_separator, kTextFields);
    cells.prepend(QString::number(m_rows + 1));
    qsizetype length = 0;
    for (const QString &c : cells)
        length += c.size();
    // The table keeps a row whole or cuts it: a row it would cut is refused instead.
    if (length > TableModel::kMaxRowLength) {
        stop(Outcome::LineTooLong);
        return;
    }
    ++m_rows;
    if (m_rows == 1)
        m_table.setRow(0, cells);
    else
        m_table.appendRow(cells);
}

void TextTableReader::stop(Outcome outcome)
{
    m_outcome = outcome;
    m_stopLine = m_lines;
    m_pending.clear();
}

QString TextTableReader::message() const
{
    switch (m_outcome) {
    case Outcome::LineTooLong:
        return filesText::readingStoppedLineTooLong(m_stopLine);
    case Outcome::NoSeparator:
        return m_moreAfterStop ? filesText::readingStoppedNoSeparator(m_stopLine) : QString();
    default:
        return {};
    }
}

// --- TextTableOpen -----------------------------------------------------------------------

TextTableOpen::TextTableOpen(const QString &path) : m_path(path), m_file(path) {}

TextTableOpen::~TextTableOpen() { end(); }

bool TextTableOpen::open()
{
    if (textOpenSeparator(m_path).isNull()) {
        m_error = filesText::cannotOpen(m_path, QStringLiteral("Type de fichier inconnu."));
        return false;
    }
    // A folder, a device or a pipe is no table: it may never end or block the reading.
    const QFileInfo info(m_path);
    if (info.exists() && !info.isFile()) {
        m_error = filesText::notARegularFile(m_path);
        return false;
    }
    if (!m_file.open(QIODevice::ReadOnly)) {
        m_error = filesText::cannotOpen(m_path, m_file.errorString());
        return false;
    }
    return true;
}

void TextTableOpen::begin(TableModel &table)
{
    end();
    m_table = &table;
    table.suspendUpdates();
    m_reader = std::make_unique<TextTableReader>(table, char(textOpenSeparator(m_path).unicode()));
    m_chunk.resize(kReadChunk);
    m_active = true;
    if (!m_file.isOpen())
        end();
}

bool TextTableOpen::step(int budgetMs)
{
    if (!m_active)
        return false;
    QElapsedTimer clock;
    clock.start();
    do {
        // The window may have gone while the user interface ran.
        if (!m_table || m_cancelled) {
            end();
            return false;
        }
        const qint64 got = m_file.read(m_chunk.data(), m_chunk.size());
        if (got < 0) {
            m_readError = filesText::cannotRead(m_path, m_file.errorString());
            m_reader->finish();
            end();
            return false;
        }
        if (got == 0)
            m_reader->finish();
        else
            m_reader->feed(QByteArrayView(m_chunk.constData(), got));
        if (!m_reader->wantsMore()) {
            end();
            return false;
        }
    } while (clock.elapsed() < budgetMs);
    return true;
}

void TextTableOpen::run(const Progress &progress)
{
    ProgressPacer pacer(progress);
    while (step(progress.intervalMs)) {
        if (!pacer.proceed(rows(), 0))
            cancel();
    }
}

void TextTableOpen::cancel()
{
    m_cancelled = true;
    end();
}

int TextTableOpen::rows() const { return m_reader ? m_reader->rows() : 0; }

QString TextTableOpen::message() const
{
    if (!m_readError.isEmpty())
        return m_readError;
    return m_reader && !m_cancelled ? m_reader->message() : QString();
}

void TextTableOpen::end()
{
    if (!m_active)
        return;
    m_active = false;
    m_file.close();
    if (m_table)
        m_table->resumeUpdates();
}

} // namespace qx
