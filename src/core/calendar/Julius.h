#pragma once

#include <QString>

#include <cstdint>
#include <stdexcept>

// Day numbers: the Julian day number of a civil day (2451545 is 2000-01-01).
// Dates before 1582-10-05 are Julian, dates from 1582-10-15 Gregorian; year 0
// and negative years are astronomical years.

class EJuliusError : public std::runtime_error {
public:
    explicit EJuliusError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    QString message() const { return m_message; }

    // The ten days dropped by the 1582 reform.
    static QString skippedDaysMessage();
    // A date or value whose day number does not fit in 32 bits.
    static QString outOfRangeMessage();
    static QString badMonthMessage();
    // The shipped old-calendar table cannot be read.
    static QString oldCalendarMessage(const QString& detail);

private:
    QString m_message;
};

struct TJuliusDate {
    int Year = 0;
    int Month = 0;
    int Day = 0;
    bool operator==(const TJuliusDate& o) const {
        return Year == o.Year && Month == o.Month && Day == o.Day;
    }
    bool operator!=(const TJuliusDate& o) const { return !(*this == o); }
};

// An old-calendar (lunisolar) date: month 1..12, or 100 + n for the leap
// month after n; 0/0 outside the shipped table.
struct TOldDate {
    int Month = 0;
    int Day = 0;
};

// Range of day numbers the unit answers for.
constexpr int32_t MinJuliusDay = INT32_MIN;
constexpr int32_t MaxJuliusDay = INT32_MAX;

// Throws EJuliusError for 1582-10-05 .. 1582-10-14 and for dates beyond the
// 32-bit day range.
int32_t DateToJulius(int year, int month, int day);
TJuliusDate JuliusToDate(int32_t julius);
int32_t JulianCalendarDay(int year, int month, int day);
int32_t GregorianCalendarDay(int year, int month, int day);
// 1 Sunday .. 7 Saturday.
int JuliusDayOfWeek(int32_t julius);
bool IsLeapYear(int year);
// Throws EJuliusError for a month outside 1..12.
int DaysInMonth(int year, int month);
// False also for the ten skipped days of 1582 (never throws).
bool IsValidDate(int year, int month, int day);
// Day number of the date part of a date-time value (days since 1899-12-30).
int32_t DateTimeToJulius(double dateTime);

int32_t VernalEquinoxDay(int year);
int32_t AutumnalEquinoxDay(int year);
bool IsVernalEquinox(int year, int month, int day);
bool IsAutumnalEquinox(int year, int month, int day);

TOldDate OldCalendarDate(int32_t julius);
// 0 (不明) .. 6, an index into RokuyoName.
int RokuyoOf(int32_t julius);

// Name tables; an index outside a table gives an empty string.
QString RokuyoName(int index);    // 0..6
QString TenStemName(int index);   // 0..9
QString BranchName(int index);    // 0..11
QString SolarTermName(int index); // 0..23, from the vernal equinox
