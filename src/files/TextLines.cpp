#include "TextLines.h"

#include "graph/ChartModel.h"
#include "logger/TableModel.h"
#include "meter/DayCount.h"
#include "meter/Formats.h"

#include <cmath>

namespace qx {

QString channelText(float value)
{
    // Written as a negation so that NaN, which compares false, is "OL" too.
    if (!(value <= kTextOverRange && value >= kTextUnderRange))
        return QStringLiteral("OL");
    return fixedText(value, 1);
}

QString quotedField(const QString &text, QChar separator)
{
    if (!text.contains(separator) && !text.contains(QLatin1Char('"')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString GraphTextLines::line(int point)
{
    const double x = m_chart.getX(0, point);
    const QDate day = splitDayCount(x).date;
    if (day != m_day || m_dayField.isNull()) {
        m_day = day;
        m_dayField = quotedField(dateText(x), m_separator);
    }
    QString line = m_dayField;
    line += m_separator;
    line += quotedField(timeText(x), m_separator);
    for (int s = 0; s < kTextChannels; ++s) {
        line += m_separator;
        line += quotedField(channelText(m_chart.getY(s, point)), m_separator);
    }
    return line;
}

QString tableTextLine(const TableModel &table, int row, QChar separator)
{
    QString line;
    for (int c = 1; c < TableModel::kColumns; ++c) {
        line += quotedField(table.cell(row, c), separator);
        line += separator;
    }
    return line;
}

QStringList splitTextLine(QByteArrayView line, char separator, int maxFields)
{
    QStringList fields;
    qsizetype pos = 0;
    const qsizetype size = line.size();
    while (fields.size() < maxFields && pos < size) {
        if (line[pos] == '"') {
            // A quoted field: up to the quote that is not doubled, then to the separator.
            QByteArray text;
            qsizetype i = pos + 1;
            bool closed = false;
            while (i < size) {
                if (line[i] == '"') {
                    if (i + 1 < size && line[i + 1] == '"') {
                        text += '"';
                        i += 2;
                        continue;
                    }
                    closed = true;
                    ++i;
                    break;
                }
                text += line[i++];
            }
            if (closed) {
                // Anything between the closing quote and the separator belongs to the field.
                const qsizetype end = line.sliced(i).indexOf(separator);
                const qsizetype stop = end < 0 ? size : i + end;
                text += line.sliced(i, stop - i);
                fields << QString::fromUtf8(text);
                if (end < 0)
                    return fields;
                pos = stop + 1;
                continue;
            }
            // No closing quote: the field is taken as it stands.
        }
        const qsizetype end = line.sliced(pos).indexOf(separator);
        if (end < 0) {
            fields << QString::fromUtf8(line.sliced(pos));
            return fields;
        }
        fields << QString::fromUtf8(line.sliced(pos, end));
        pos += end + 1;
    }
    return fields;
}

} // namespace qx
