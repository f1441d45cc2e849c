#pragma once

#include "calendar/Julius.h"

#include <QStringList>

// What the month calendar marks on a day, apart from any widget: the day
// flags from weekends, the holiday and special-day lists and the equinoxes,
// the font chosen from them and the names shown for the day.

// Bits of DayFlags.
enum : int {
    DayFlagSunday = 1,
    DayFlagSaturday = 2,
    DayFlagHoliday = 4,
    DayFlagSubstitute = 8, // 振替休日
    DayFlagSpecial = 16,
};

// The seven fonts of the calendar, in their stored order.
enum class TCalExFont { Weekday, Saturday, Sunday, DayOfWeek, Holiday, SpecialDay, Rokuyo };

// What one day entry yields for the month being looked at. Month 13 and
// day 32 mean "no match".
struct TDayEntry {
    int Month = 13;
    int Day = 32;
    QString Name;
};

// One line of a holiday or special-day list, fields separated by ",":
//   month,day,name                         that day every year
//   month,week,weekday,name                the week-th weekday (1 Sunday .. 7 Saturday)
//   year,cond,month,day,name               that day in the years cond allows
//   year,cond,month,week,weekday,name      the week-th weekday in those years
// cond 0 only that year, 1 that year and earlier, 2 that year and later,
// anything else every year. month 0 asks for the entry's own month. An entry
// with another field count, or a numeric field that is not a number, never
// matches.
TDayEntry ParseDayEntry(const QString& entry, int year, int month);
bool DayEntryMatches(const QString& entry, int year, int month, int day);

class TCalendarRules {
public:
    QStringList HolidayList;
    QStringList SpecialDayList;
    bool AutoEquinox = true;
    bool AutoFurikae = true;

    // Throws EJuliusError for the ten skipped days of 1582, which no day
    // number reaches.
    int DayFlags(int year, int month, int day) const;
    TCalExFont GetDayFont(int year, int month, int day) const;
    static TCalExFont FontForFlags(int flags);
    // Special-day names, holiday names, the equinox name, then "振替休日".
    QStringList GetDayNames(int year, int month, int day) const;
};
