#pragma once
// How numbers, dates and times are written for the user: the user's decimal separator,
// short date format and long time format (without a time zone, as a clock shows it).
#include <QString>

namespace qx {

// Fixed notation with the given decimals and the user's decimal separator.
QString fixedText(double value, int decimals);
// The user's long time format ("HH:mm:ss" and the like).
QString longTimeFormat();
QString shortDateFormat();
// A day count as date and time, separated by a blank; and as a time alone.
QString dateTimeText(double dayCount);
QString timeText(double dayCount);
QString dateText(double dayCount);
// Reads a date and time written as dateTimeText writes them: the user's short date and long
// time formats, separated by a blank. A two-digit year is taken within 50 years of today.
bool parseDateTimeText(const QString &text, double &dayCount);
// Reads a number written with the user's decimal separator.
bool parseLocaleDouble(const QString &text, double &value);

} // namespace qx
