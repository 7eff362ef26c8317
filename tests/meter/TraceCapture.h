#pragma once
// The --trace lines of a device, captured in memory. A successful read's bytes are cut
// from its line: they are the meter's, and the lines are there to pin what the program
// sends, waits and decides.
#include "meter/Clock.h"
#include "meter/TracingDeviceAccess.h"

#include <QRegularExpression>
#include <QStringList>
#include <cstdio>
#include <cstdlib>

namespace qx::test {

class TraceCapture {
public:
    TraceCapture(DeviceAccess &inner, const Clock &clock)
        : m_file(open_memstream(&m_buffer, &m_size)), m_trace(inner, m_file, &clock)
    {
    }
    ~TraceCapture()
    {
        std::fclose(m_file);
        std::free(m_buffer);
    }
    TraceCapture(const TraceCapture &) = delete;
    TraceCapture &operator=(const TraceCapture &) = delete;

    DeviceAccess &device() { return m_trace; }

    // The lines so far, read bytes cut, and forgets them.
    QStringList take()
    {
        std::fflush(m_file);
        const QString text = QString::fromLatin1(m_buffer + m_taken, qsizetype(m_size - m_taken));
        m_taken = m_size;
        static const QRegularExpression readBytes(QStringLiteral("(readReply \\d+): [0-9A-F ]+ ->"));
        QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (QString &line : lines)
            line.replace(readBytes, QStringLiteral("\\1 ->"));
        return lines;
    }

private:
    char *m_buffer = nullptr;
    std::size_t m_size = 0;
    std::size_t m_taken = 0;
    std::FILE *m_file;
    TracingDeviceAccess m_trace;
};

} // namespace qx::test
