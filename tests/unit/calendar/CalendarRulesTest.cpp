#include "calendar/CalendarRules.h"

#include <QDate>

#include <gtest/gtest.h>

namespace {

// The week-th weekday (1 Sunday .. 7 Saturday) of a month, counted on QDate.
int nthWeekdayByQt(int year, int month, int week, int weekday) {
    int seen = 0;
    for (QDate d(year, month, 1); d.month() == month; d = d.addDays(1))
        if (d.dayOfWeek() % 7 + 1 == weekday && ++seen == week)
            return d.day();
    return -1;
}

} // namespace

TEST(DayEntry, FixedDays) {
    TDayEntry e = ParseDayEntry(QStringLiteral("5,3,憲法記念日"), 2024, 5);
    EXPECT_EQ(e.Month, 5);
    EXPECT_EQ(e.Day, 3);
    EXPECT_EQ(e.Name, QStringLiteral("憲法記念日"));
    e = ParseDayEntry(QStringLiteral("5,3,憲法記念日"), 2024, 4);
    EXPECT_EQ(e.Month, 13);
    EXPECT_EQ(e.Day, 32);
    e = ParseDayEntry(QStringLiteral("5,3,憲法記念日"), 2024, 0); // any month
    EXPECT_EQ(e.Month, 5);
    EXPECT_EQ(e.Day, 3);
}

TEST(DayEntry, NthWeekdayAgreesWithQDate) {
    for (int year : {1999, 2015, 2021, 2024})
        for (int month = 1; month <= 12; ++month)
            for (int weekday = 1; weekday <= 7; ++weekday)
                for (int week = 1; week <= 4; ++week) {
                    const QString entry =
                        QStringLiteral("%1,%2,%3,x").arg(month).arg(week).arg(weekday);
                    const TDayEntry e = ParseDayEntry(entry, year, month);
                    ASSERT_EQ(e.Day, nthWeekdayByQt(year, month, week, weekday))
                        << entry.toStdString() << " in " << year;
                    const QString yearly = QStringLiteral("%1,0,%2,%3,%4,x")
                                               .arg(year)
                                               .arg(month)
                                               .arg(week)
                                               .arg(weekday);
                    ASSERT_EQ(ParseDayEntry(yearly, year, month).Day, e.Day);
                }
    // A fifth Monday that a month lacks never matches a day of it.
    EXPECT_FALSE(DayEntryMatches(QStringLiteral("2,5,2,x"), 2021, 2, 1));
    EXPECT_GT(ParseDayEntry(QStringLiteral("2,5,2,x"), 2021, 2).Day, 28);
}

TEST(DayEntry, YearConditions) {
    const QString only = QStringLiteral("2020,0,7,24,スポーツの日");
    EXPECT_TRUE(DayEntryMatches(only, 2020, 7, 24));
    EXPECT_FALSE(DayEntryMatches(only, 2021, 7, 24));
    const QString upTo = QStringLiteral("1999,1,1,15,成人の日");
    EXPECT_TRUE(DayEntryMatches(upTo, 1999, 1, 15));
    EXPECT_TRUE(DayEntryMatches(upTo, 1950, 1, 15));
    EXPECT_FALSE(DayEntryMatches(upTo, 2000, 1, 15));
    const QString from = QStringLiteral("2000,2,1,2,2,成人の日");
    EXPECT_TRUE(DayEntryMatches(from, 2000, 1, 10));
    EXPECT_TRUE(DayEntryMatches(from, 2024, 1, 8));
    EXPECT_FALSE(DayEntryMatches(from, 1999, 1, 11));
    const QString always = QStringLiteral("2000,7,12,25,x");
    EXPECT_TRUE(DayEntryMatches(always, 1900, 12, 25));
    EXPECT_TRUE(DayEntryMatches(always, 2100, 12, 25));
}

TEST(DayEntry, MalformedEntriesNeverMatch) {
    const char* const entries[] = {"",
                                   "5",
                                   "5,3",
                                   "5,3,a,b,c,d,e",
                                   "x,3,name",
                                   "5,y,name",
                                   "5,1,z,name",
                                   "2024,q,5,3,name",
                                   "2024,0,5,3,",
                                   "2024,0,5,w,2,name",
                                   "99999999999,3,name"};
    for (const char* entry : entries) {
        const QString text = QString::fromUtf8(entry);
        const TDayEntry e = ParseDayEntry(text, 2024, 5);
        const bool matches = DayEntryMatches(text, 2024, 5, 3);
        if (text == QStringLiteral("2024,0,5,3,")) {
            EXPECT_TRUE(matches); // an empty name is still a name
            EXPECT_TRUE(e.Name.isEmpty());
        } else {
            EXPECT_FALSE(matches) << entry;
            EXPECT_EQ(e.Month, 13) << entry;
        }
    }
}

TEST(DayFlags, WeekendsEquinoxesAndSubstituteMondays) {
    const TCalendarRules rules;
    EXPECT_EQ(rules.DayFlags(2024, 5, 5), DayFlagSunday);
    EXPECT_EQ(rules.DayFlags(2024, 5, 4), DayFlagSaturday);
    EXPECT_EQ(rules.DayFlags(2024, 5, 3), 0); // the lists are empty
    EXPECT_EQ(rules.DayFlags(2008, 3, 20), DayFlagHoliday);
    EXPECT_EQ(rules.GetDayFont(2008, 3, 20), TCalExFont::Holiday);
    EXPECT_EQ(rules.DayFlags(2010, 3, 21), DayFlagSunday | DayFlagHoliday);
    EXPECT_EQ(rules.DayFlags(2010, 3, 22), DayFlagSubstitute);
    EXPECT_EQ(rules.GetDayNames(2010, 3, 22), QStringList{QStringLiteral("振替休日")});
    EXPECT_EQ(rules.GetDayFont(2010, 3, 22), TCalExFont::Holiday);
    EXPECT_EQ(rules.DayFlags(2024, 9, 22), DayFlagSunday | DayFlagHoliday);
    EXPECT_EQ(rules.DayFlags(2024, 9, 23), DayFlagSubstitute);
    EXPECT_EQ(rules.DayFlags(2010, 3, 23), 0); // only the Monday
    EXPECT_EQ(rules.GetDayNames(2008, 3, 20), QStringList{QStringLiteral("春分の日")});
    EXPECT_EQ(rules.GetDayNames(2024, 9, 22), QStringList{QStringLiteral("秋分の日")});
    EXPECT_EQ(rules.GetDayFont(2009, 9, 23), TCalExFont::Holiday);

    TCalendarRules noFurikae;
    noFurikae.AutoFurikae = false;
    EXPECT_EQ(noFurikae.DayFlags(2010, 3, 22), 0);
    EXPECT_TRUE(noFurikae.GetDayNames(2010, 3, 22).isEmpty());
    TCalendarRules noEquinox;
    noEquinox.AutoEquinox = false;
    EXPECT_EQ(noEquinox.DayFlags(2010, 3, 21), DayFlagSunday);
    EXPECT_EQ(noEquinox.DayFlags(2010, 3, 22), 0);
    EXPECT_TRUE(noEquinox.GetDayNames(2010, 3, 21).isEmpty());
}

TEST(DayFlags, ListsAndTheirOrder) {
    TCalendarRules rules;
    rules.HolidayList = {QStringLiteral("5,5,こどもの日"), QStringLiteral("5,3,憲法記念日"),
                         QStringLiteral("3,21,春の休日")};
    rules.SpecialDayList = {QStringLiteral("5,5,記念日"), QStringLiteral("5,2,2,月曜")};
    // 2024-05-05 is a Sunday holiday, also special; the Monday after is substitute.
    EXPECT_EQ(rules.DayFlags(2024, 5, 5), DayFlagSunday | DayFlagHoliday | DayFlagSpecial);
    EXPECT_EQ(rules.GetDayFont(2024, 5, 5), TCalExFont::SpecialDay);
    EXPECT_EQ(rules.GetDayNames(2024, 5, 5),
              (QStringList{QStringLiteral("記念日"), QStringLiteral("こどもの日")}));
    EXPECT_EQ(rules.DayFlags(2024, 5, 6), DayFlagSubstitute);
    // The second Monday of May 2024 is the 13th: special only.
    EXPECT_EQ(rules.DayFlags(2024, 5, 13), DayFlagSpecial);
    // A Monday that is a holiday itself is not a substitute day.
    rules.HolidayList.append(QStringLiteral("5,6,休日"));
    EXPECT_EQ(rules.DayFlags(2024, 5, 6), DayFlagHoliday);
    EXPECT_EQ(rules.GetDayNames(2024, 5, 6), QStringList{QStringLiteral("休日")});
    // An equinox listed as a holiday too stays one holiday.
    EXPECT_EQ(rules.DayFlags(2010, 3, 21), DayFlagSunday | DayFlagHoliday);
    EXPECT_EQ(rules.GetDayNames(2010, 3, 21),
              (QStringList{QStringLiteral("春の休日"), QStringLiteral("春分の日")}));
    EXPECT_EQ(rules.GetDayNames(2010, 3, 22), QStringList{QStringLiteral("振替休日")});
    // A Saturday holiday is drawn as a holiday.
    EXPECT_EQ(rules.GetDayFont(2024, 5, 4), TCalExFont::Saturday);
    rules.HolidayList.append(QStringLiteral("5,4,みどりの日"));
    EXPECT_EQ(rules.GetDayFont(2024, 5, 4), TCalExFont::Holiday);
}

TEST(DayFlags, FontChoice) {
    EXPECT_EQ(TCalendarRules::FontForFlags(0), TCalExFont::Weekday);
    EXPECT_EQ(TCalendarRules::FontForFlags(DayFlagSunday), TCalExFont::Sunday);
    EXPECT_EQ(TCalendarRules::FontForFlags(DayFlagSaturday), TCalExFont::Saturday);
    EXPECT_EQ(TCalendarRules::FontForFlags(DayFlagSunday | DayFlagHoliday), TCalExFont::Holiday);
    EXPECT_EQ(TCalendarRules::FontForFlags(DayFlagSubstitute), TCalExFont::Holiday);
    EXPECT_EQ(TCalendarRules::FontForFlags(DayFlagSaturday | DayFlagSpecial),
              TCalExFont::SpecialDay);
    EXPECT_EQ(TCalendarRules::FontForFlags(DayFlagHoliday | DayFlagSpecial),
              TCalExFont::SpecialDay);
}

TEST(DayFlags, SkippedDaysRaiseAndFarDaysWork) {
    const TCalendarRules rules;
    EXPECT_THROW(rules.DayFlags(1582, 10, 10), EJuliusError);
    EXPECT_EQ(rules.DayFlags(1582, 10, 15), 0); // a Friday
    EXPECT_EQ(rules.DayFlags(1582, 10, 4), 0);  // a Thursday
    for (int32_t j : {INT32_MIN, INT32_MIN + 1, -1, 0, INT32_MAX - 1, INT32_MAX}) {
        const TJuliusDate d = JuliusToDate(j);
        EXPECT_NO_THROW(rules.DayFlags(d.Year, d.Month, d.Day)) << j;
        EXPECT_NO_THROW(rules.GetDayNames(d.Year, d.Month, d.Day)) << j;
    }
}
