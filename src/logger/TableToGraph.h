#pragma once
// Turning a table window's rows into the four series of a new graph: the first and last
// row give the X range, each row one point, "OL" the value the chart never draws.
#include "TableModel.h"

#include <QString>

namespace qx {

inline constexpr float kTableNullValue = 9999.0f;
inline constexpr int kTableSeries = 4;
inline constexpr int kTableDateColumn = 1;
inline constexpr int kTableTimeColumn = 2;
inline constexpr int kTableFirstChannelColumn = 3;

namespace tableText {
inline QString noGraphData() { return QStringLiteral("Pas de données graphiques !"); }
inline QString progressCaption() { return QStringLiteral("Graphique en cours"); }
inline QString progressText() { return QStringLiteral("Graphique....."); }
// The conversion's own message for a date and time it cannot read.
inline QString notADateTime(const QString &text)
{
    return QStringLiteral("'%1' is not a valid date and time").arg(text);
}
} // namespace tableText

// The date and time of data row `row` (0-based) as a day count.
bool readTableTime(const TableModel &table, int row, double &dayCount, QString *error = nullptr);
// A channel cell: "OL" gives kTableNullValue, anything else a number in the user's
// notation.
bool readTableValue(const QString &cell, float &value);

struct TableGraphPlan {
    enum Status {
        Ready,
        NoData,  // the first data row has no date
        BadTime, // the first or last date and time cannot be read: `error` says why
    };
    Status status = Ready;
    int points = 0;     // data rows
    double first = 0;   // X range
    double last = 0;
    QString error;
};
TableGraphPlan planTableGraph(const TableModel &table);

// Point `row` of the graph from data row `row`: the time goes to X of all four series,
// then channel after channel to Y. Whatever cannot be read ends the row there; the
// points keep what they had. `sink` offers setX(series, point, double) and
// setY(series, point, float).
template <class Sink>
void convertTableRow(const TableModel &table, int row, Sink &sink)
{
    double time = 0;
    if (!readTableTime(table, row, time))
        return;
    for (int s = 0; s < kTableSeries; ++s)
        sink.setX(s, row, time);
    for (int c = 0; c < kTableSeries; ++c) {
        float value = 0;
        if (!readTableValue(table.cell(row, kTableFirstChannelColumn + c), value))
            return;
        sink.setY(c, row, value);
    }
}

} // namespace qx
