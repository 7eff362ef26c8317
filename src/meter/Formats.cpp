#include "Formats.h"

#include "DayCount.h"

#include <QLocale>

namespace qx {

QString fixedText(double value, int decimals)
{
    // Fixed notation has no thousands separator: 3000 reads "3000.0", never "3,000.0".
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale.toString(value, 'f', decimals);
}

QString longTimeFormat()
{
    // Qt's long format carries the time zone; a clock reading does not.
    QString f = QLocale().timeFormat(QLocale::LongFormat);
    f.remove('t');
    return f.trimmed();
}

QString shortDateFormat() { return QLocale().dateFormat(QLocale::ShortFormat); }

QString dateTimeText(double dayCount)
{
    return dateText(dayCount) + ' ' + timeText(dayCount);
}

QString timeText(double dayCount) { return QLocale().toString(splitDayCount(dayCount).time, longTimeFormat()); }

QString dateText(double dayCount) { return QLocale().toString(splitDayCount(dayCount).date, shortDateFormat()); }

bool parseDateTimeText(const QString &text, double &dayCount)
{
    const QString format = shortDateFormat() + ' ' + longTimeFormat();
    QDateTime dt = QLocale().toDateTime(text.trimmed(), format);
    if (!dt.isValid())
        return false;
    if (!format.contains(QLatin1String("yyyy"))) {
        // Two digits read as 19xx: move the year to the century nearest today.
        const int thisYear = QDate::currentDate().year();
        int year = dt.date().year();
        while (year <= thisYear - 50)
            year += 100;
        while (year > thisYear + 50)
            year -= 100;
        const QDate date(year, dt.date().month(), dt.date().day());
        if (!date.isValid())
            return false;
        dt = QDateTime(date, dt.time());
    }
    dayCount = toDayCount(dt);
    return true;
}

bool parseLocaleDouble(const QString &text, double &value)
{
    bool ok = false;
    const double v = QLocale().toDouble(text.trimmed(), &ok);
    if (ok)
        value = v;
    return ok;
}

} // namespace qx
