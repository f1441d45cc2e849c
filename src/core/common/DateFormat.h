#pragma once

#include <QDateTime>
#include <QString>

// The date format notation of DateFormat, DateViewFormat and the template date
// macros, with Japanese system forms (separators "/" and ":", day names 日..土,
// eras 明治..令和) whatever the environment's locale.
//
// value counts days since 1899-12-30, the fraction being the time of day.
QString FormatWrenDate(const QString& format, double value);
QString FormatWrenDate(const QString& format, const QDateTime& dateTime);
