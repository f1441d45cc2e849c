#pragma once

#include <QDate>
#include <QDateTime>

// Item dates are doubles: days since 1899-12-30 in local time, the fraction
// being the time of day; 0 means no date.
namespace WrenDate {

// Day 0 of the scale.
QDate epoch();
double fromDate(const QDate& date);
double fromDateTime(const QDateTime& dateTime);
// The civil date of a value (the integral part; negative values count back
// from the epoch the same way, the fraction still being the time of day).
QDate toDate(double value);
// Milliseconds since midnight of the value's time of day, rounded.
int msecsOfDay(double value);
QDateTime toDateTime(double value);

// Parts of a value, broken down without any QDateTime range limits.
struct Parts {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0, msec = 0;
    int dayOfWeek = 0; // 1 = Sunday .. 7 = Saturday
};
Parts split(double value);

} // namespace WrenDate
