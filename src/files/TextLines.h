#pragma once
// The lines of the tab and comma files: one chart point as date, time and four channels,
// one table row as its cells each followed by the separator, and a line split back into
// its fields. A field holding the separator or a double quote is quoted, quotes doubled
// inside, so a comma decimal separator survives a comma file.
#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <QStringList>

namespace qx {

class ChartModel;
class TableModel;

inline constexpr float kTextOverRange = 2500.0f;
inline constexpr float kTextUnderRange = -328.0f;
inline constexpr int kTextChannels = 4;

// "OL" above 2500 or not at least −328 (the chart's no-value 9999 and NaN among them),
// else the value with one decimal in the user's notation.
QString channelText(float value);

// The field as written between separators: quoted when it holds the separator or '"'.
QString quotedField(const QString &text, QChar separator);

// The lines of one chart's points: the date and time of the point's X in the user's short
// date and long time formats, then T1 to T4; no separator at the end, no line end. The
// date of the previous point is kept, as a recording's points share their day.
class GraphTextLines {
public:
    GraphTextLines(const ChartModel &chart, QChar separator) : m_chart(chart), m_separator(separator) {}
    // Point `point`, from 0.
    QString line(int point);

private:
    const ChartModel &m_chart;
    QChar m_separator;
    QDate m_day;
    QString m_dayField;
};

// Table row `row` (from 0, the grid's row row + 1): cells 1 to 6, each followed by the
// separator; no line end.
QString tableTextLine(const TableModel &table, int row, QChar separator);

// The fields of one line (without its line end), split at every separator outside quotes;
// a field that begins with '"' is read up to its closing quote, doubled quotes as one.
// At most `maxFields` are returned: those after are dropped. A rest after the last
// separator is a field only when it is not empty.
QStringList splitTextLine(QByteArrayView line, char separator, int maxFields);

} // namespace qx
