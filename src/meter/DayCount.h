#pragma once
// Date-times as day counts: whole days since 30 December 1899 plus the time of day as a
// fraction, in local time. The one place where the two forms meet.
#include <QDateTime>
#include <cmath>

namespace qx {

inline constexpr double kMsPerDay = 86400000.0;

inline QDate dayCountEpoch() { return QDate(1899, 12, 30); }

inline double toDayCount(const QDateTime &dt)
{
    return double(dayCountEpoch().daysTo(dt.date())) + double(dt.time().msecsSinceStartOfDay()) / kMsPerDay;
}

// The calendar day and the time of day a day count stands for, as the meter's clock
// shows them: no time zone is consulted, which would cost a look at the system's zone
// on every call.
struct DayCountParts {
    QDate date;
    QTime time;
};

// Beyond about 2.7 million years from the epoch there is no date to show (and no integer
// to hold the day number).
inline constexpr double kMaxDayCount = 1e9;

inline DayCountParts splitDayCount(double days)
{
    if (!std::isfinite(days) || std::fabs(days) > kMaxDayCount)
        return {};
    const double whole = std::floor(days);
    qint64 ms = qint64(std::llround((days - whole) * kMsPerDay));
    qint64 dayNumber = qint64(whole);
    if (ms >= qint64(kMsPerDay)) {
        ms -= qint64(kMsPerDay);
        ++dayNumber;
    }
    return {dayCountEpoch().addDays(dayNumber), QTime::fromMSecsSinceStartOfDay(int(ms))};
}

inline QDateTime fromDayCount(double days)
{
    const DayCountParts parts = splitDayCount(days);
    if (!parts.date.isValid())
        return {};
    return QDateTime(parts.date, parts.time);
}

} // namespace qx
