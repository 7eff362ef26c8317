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

inline QDateTime fromDayCount(double days)
{
    if (!std::isfinite(days))
        return {};
    const double whole = std::floor(days);
    qint64 ms = qint64(std::llround((days - whole) * kMsPerDay));
    qint64 dayNumber = qint64(whole);
    if (ms >= qint64(kMsPerDay)) {
        ms -= qint64(kMsPerDay);
        ++dayNumber;
    }
    return QDateTime(dayCountEpoch().addDays(dayNumber), QTime::fromMSecsSinceStartOfDay(int(ms)));
}

} // namespace qx
