#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The holiday and special-day lists of the calendar: "Holiday.txt" and
// "MarkedDays.txt" in the program folder, one day entry a line (see
// ParseDayEntry). Lines starting with "#" and blank lines are comments.
namespace DayLists {

QString HolidayFile();
QString SpecialDayFile();

// Copies the shipped list into the program folder for each file that is
// missing there. Returns false with the reason when that fails.
bool InstallDefaults(QString* error = nullptr);

struct TReadResult {
    QStringList Entries;
    // 1-based numbers of the lines that are not day entries; they are left out.
    QList<int> BadLines;
    // Set when the file could not be read at all.
    QString Error;
};

// UTF-8, or cp932 when the bytes are not UTF-8 (lists written on Windows).
TReadResult Parse(const QByteArray& data);
TReadResult Read(const QString& path);

// A day entry whose fields all make sense: 3 to 6 fields, numbers where
// numbers belong, months 1..12, days 1..31, weeks 1..5, weekdays 1..7.
bool IsWellFormed(const QString& entry);

// "Holiday.txt の 3, 7 行目" style text for a status message; empty when
// nothing was left out.
QString DescribeBadLines(const QString& fileName, const QList<int>& lines);

} // namespace DayLists
