#include "calendar/CalendarRules.h"

#include <optional>

namespace {

std::optional<int> number(const QString& field) {
    bool ok = false;
    const int value = field.toInt(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

// The day of the week-th weekday in (year, month), or nullopt when that
// month has no day number.
std::optional<int> nthWeekday(int year, int month, int week, int weekday) {
    int first;
    try {
        first = JuliusDayOfWeek(DateToJulius(year, month, 1));
    } catch (const EJuliusError&) {
        return std::nullopt;
    }
    const qint64 day = qint64((weekday - first + 7) % 7) + 7 * qint64(week) - 6;
    if (day < -1000 || day > 1000) // far outside any month; keeps the int honest
        return std::nullopt;
    return int(day);
}

bool yearPasses(int year, int entryYear, int cond) {
    switch (cond) {
    case 0:
        return year == entryYear;
    case 1:
        return year <= entryYear;
    case 2:
        return year >= entryYear;
    default:
        return true;
    }
}

} // namespace

TDayEntry ParseDayEntry(const QString& entry, int year, int month) {
    const QStringList f = entry.split(QLatin1Char(','));
    TDayEntry none;
    if (f.size() < 3 || f.size() > 6)
        return none;
    // The year forms are the yearly ones behind a year and its condition.
    const int yearFields = f.size() >= 5 ? 2 : 0;
    if (yearFields) {
        const auto entryYear = number(f[0]);
        const auto cond = number(f[1]);
        if (!entryYear || !cond || !yearPasses(year, *entryYear, *cond))
            return none;
    }
    const auto m = number(f[yearFields]);
    if (!m || (*m != month && month != 0))
        return none;
    std::optional<int> d;
    if (f.size() - yearFields == 3) {
        d = number(f[yearFields + 1]);
    } else {
        const auto week = number(f[yearFields + 1]);
        const auto weekday = number(f[yearFields + 2]);
        if (week && weekday)
            d = nthWeekday(year, *m, *week, *weekday);
    }
    if (!d)
        return none;
    TDayEntry result;
    result.Month = *m;
    result.Day = *d;
    result.Name = f.last();
    return result;
}

bool DayEntryMatches(const QString& entry, int year, int month, int day) {
    const TDayEntry e = ParseDayEntry(entry, year, month);
    return e.Month == month && e.Day == day;
}

namespace {

bool anyMatches(const QStringList& list, int year, int month, int day) {
    for (const QString& entry : list)
        if (DayEntryMatches(entry, year, month, day))
            return true;
    return false;
}

} // namespace

int TCalendarRules::DayFlags(int year, int month, int day) const {
    int flags = 0;
    if (anyMatches(SpecialDayList, year, month, day))
        flags |= DayFlagSpecial;
    if (anyMatches(HolidayList, year, month, day))
        flags |= DayFlagHoliday;
    const int32_t julius = DateToJulius(year, month, day);
    const int weekday = JuliusDayOfWeek(julius);
    if (weekday == 1)
        flags |= DayFlagSunday;
    else if (weekday == 7)
        flags |= DayFlagSaturday;
    // An equinox listed as a holiday as well stays one holiday, never a
    // substitute day.
    if (AutoEquinox && (IsVernalEquinox(year, month, day) || IsAutumnalEquinox(year, month, day)))
        flags |= DayFlagHoliday;
    if (AutoFurikae && weekday == 2 && !(flags & DayFlagHoliday) && julius > MinJuliusDay) {
        const TJuliusDate sunday = JuliusToDate(julius - 1);
        if (DayFlags(sunday.Year, sunday.Month, sunday.Day) & DayFlagHoliday)
            flags |= DayFlagSubstitute;
    }
    return flags;
}

TCalExFont TCalendarRules::FontForFlags(int flags) {
    TCalExFont font = TCalExFont::Weekday;
    if (flags & DayFlagSaturday)
        font = TCalExFont::Saturday;
    else if (flags & DayFlagSunday)
        font = TCalExFont::Sunday;
    if (flags & (DayFlagHoliday | DayFlagSubstitute))
        font = TCalExFont::Holiday;
    if (flags & DayFlagSpecial)
        font = TCalExFont::SpecialDay;
    return font;
}

TCalExFont TCalendarRules::GetDayFont(int year, int month, int day) const {
    return FontForFlags(DayFlags(year, month, day));
}

QStringList TCalendarRules::GetDayNames(int year, int month, int day) const {
    QStringList names;
    for (const QStringList* list : {&SpecialDayList, &HolidayList}) {
        for (const QString& entry : *list) {
            const TDayEntry e = ParseDayEntry(entry, year, month);
            if (e.Month == month && e.Day == day)
                names.append(e.Name);
        }
    }
    if (AutoEquinox) {
        if (IsVernalEquinox(year, month, day))
            names.append(QStringLiteral("春分の日"));
        else if (IsAutumnalEquinox(year, month, day))
            names.append(QStringLiteral("秋分の日"));
    }
    if (AutoFurikae && (DayFlags(year, month, day) & DayFlagSubstitute))
        names.append(QStringLiteral("振替休日"));
    return names;
}
