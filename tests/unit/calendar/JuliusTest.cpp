#include "calendar/Julius.h"

#include <QCalendar>
#include <QDate>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

qint64 floorDiv(qint64 a, qint64 b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}
qint64 floorMod(qint64 a, qint64 b) {
    return a - b * floorDiv(a, b);
}

// Richards' integer conversion of a day number, Julian before the reform and
// Gregorian from it, with floor division so that it holds for negative days.
TJuliusDate richardsDate(qint64 j) {
    qint64 f = j + 1401;
    if (j >= 2299161)
        f += floorDiv(floorDiv(4 * j + 274277, 146097) * 3, 4) - 38;
    const qint64 e = 4 * f + 3;
    const qint64 h = 5 * floorDiv(floorMod(e, 1461), 4) + 2;
    const int day = int(floorDiv(floorMod(h, 153), 5) + 1);
    const int month = int(floorMod(floorDiv(h, 153) + 2, 12) + 1);
    const int year = int(floorDiv(e, 1461) - 4716 + floorDiv(14 - month, 12));
    return {year, month, day};
}

// Qt's calendars, for the centuries around the reform and the eras' turn.
// They have no year 0, so astronomical year 0 is their -1 (1 BC).
TJuliusDate qtDate(int32_t j) {
    const QDate qd = QDate::fromJulianDay(j);
    const QCalendar::YearMonthDay ymd =
        j < 2299161 ? QCalendar(QCalendar::System::Julian).partsFromDate(qd)
                    : QCalendar(QCalendar::System::Gregorian).partsFromDate(qd);
    return {ymd.year < 0 ? ymd.year + 1 : ymd.year, ymd.month, ymd.day};
}

std::vector<int32_t> sampleDays() {
    std::vector<int32_t> days;
    // Dense around the reform, the year 0/1 and 4713 BC turns, and day 0.
    for (int32_t centre : {2299161, 1721424, 1721058, 0, 2451545})
        for (int32_t d = -800; d <= 800; ++d)
            days.push_back(centre + d);
    // Sparse over the whole 32-bit range, ends included.
    for (qint64 j = std::numeric_limits<int32_t>::min(); j <= std::numeric_limits<int32_t>::max();
         j += 9999991)
        days.push_back(int32_t(j));
    days.push_back(std::numeric_limits<int32_t>::max());
    return days;
}

} // namespace

TEST(Julius, ReferenceDaysAndTheReform) {
    EXPECT_EQ(DateToJulius(2000, 1, 1), 2451545);
    EXPECT_EQ(JuliusDayOfWeek(2451545), 7);
    EXPECT_EQ(DateToJulius(1582, 10, 4), 2299160);
    EXPECT_EQ(DateToJulius(1582, 10, 15), 2299161);
    EXPECT_EQ(JuliusToDate(2299160), (TJuliusDate{1582, 10, 4}));
    EXPECT_EQ(JuliusToDate(2299161), (TJuliusDate{1582, 10, 15}));
    // Thursday 4th, Friday 15th.
    EXPECT_EQ(JuliusDayOfWeek(2299160), 5);
    EXPECT_EQ(JuliusDayOfWeek(2299161), 6);
    EXPECT_EQ(JulianCalendarDay(1582, 10, 5), GregorianCalendarDay(1582, 10, 15));
    EXPECT_EQ(GregorianCalendarDay(2024, 2, 29), 2460370);
}

TEST(Julius, SkippedDaysRaiseAndAreNotValid) {
    for (int d = 5; d <= 14; ++d) {
        try {
            DateToJulius(1582, 10, d);
            ADD_FAILURE() << "1582-10-" << d << " was accepted";
        } catch (const EJuliusError& e) {
            EXPECT_EQ(e.message(), QStringLiteral("1582/10/5-10/14は存在しません。"));
        }
        EXPECT_FALSE(IsValidDate(1582, 10, d));
    }
    EXPECT_TRUE(IsValidDate(1582, 10, 4));
    EXPECT_TRUE(IsValidDate(1582, 10, 15));
}

TEST(Julius, DatesAgreeWithIndependentConversionsOverTheWholeRange) {
    for (int32_t j : sampleDays()) {
        const TJuliusDate date = JuliusToDate(j);
        ASSERT_EQ(date, richardsDate(j)) << "day " << j;
        if (j > -1000000 && j < 5000000) {
            ASSERT_EQ(date, qtDate(j)) << "day " << j;
        }
        ASSERT_EQ(DateToJulius(date.Year, date.Month, date.Day), j) << "day " << j;
        ASSERT_TRUE(IsValidDate(date.Year, date.Month, date.Day)) << "day " << j;
        const int weekday = JuliusDayOfWeek(j);
        ASSERT_GE(weekday, 1);
        ASSERT_LE(weekday, 7);
        // Qt: 1 Monday .. 7 Sunday.
        ASSERT_EQ(weekday, QDate::fromJulianDay(j).dayOfWeek() % 7 + 1) << "day " << j;
    }
}

TEST(Julius, BothCalendarsHoldForNegativeYears) {
    for (int year : {-4713, -1001, -400, -101, -100, -99, -1, 0, 1, 99, 100, 1600}) {
        for (int month : {1, 2, 3, 12}) {
            const int qtYear = year <= 0 ? year - 1 : year;
            EXPECT_EQ(GregorianCalendarDay(year, month, 1), QDate(qtYear, month, 1).toJulianDay())
                << year << "-" << month;
            EXPECT_EQ(
                JulianCalendarDay(year, month, 1),
                QCalendar(QCalendar::System::Julian).dateFromParts(qtYear, month, 1).toJulianDay())
                << year << "-" << month;
        }
    }
}

TEST(Julius, DatesBeyondTheDayRangeRaise) {
    const TJuliusDate last = JuliusToDate(std::numeric_limits<int32_t>::max());
    EXPECT_THROW(DateToJulius(last.Year, last.Month, last.Day + 1), EJuliusError);
    EXPECT_THROW(DateToJulius(std::numeric_limits<int>::max(), 12, 31), EJuliusError);
    EXPECT_THROW(DateToJulius(std::numeric_limits<int>::min(), 1, 1), EJuliusError);
    EXPECT_THROW(DateToJulius(2000, 1, std::numeric_limits<int>::max()), EJuliusError);
    EXPECT_FALSE(IsValidDate(std::numeric_limits<int>::max(), 1, 1));
}

TEST(Julius, LeapYearsAndMonthLengths) {
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_FALSE(IsLeapYear(4000));
    EXPECT_FALSE(IsLeapYear(8000));
    EXPECT_TRUE(IsLeapYear(2024));
    EXPECT_FALSE(IsLeapYear(2100));
    EXPECT_TRUE(IsLeapYear(1500)); // Julian
    EXPECT_TRUE(IsLeapYear(1580));
    EXPECT_FALSE(IsLeapYear(1581));
    EXPECT_TRUE(IsLeapYear(0));
    EXPECT_TRUE(IsLeapYear(-4));
    EXPECT_FALSE(IsLeapYear(-1));
    EXPECT_TRUE(IsLeapYear(-4712));
    EXPECT_FALSE(IsLeapYear(-4711));

    EXPECT_EQ(DaysInMonth(2000, 2), 29);
    EXPECT_EQ(DaysInMonth(1900, 2), 28);
    EXPECT_EQ(DaysInMonth(1500, 2), 29);
    EXPECT_EQ(DaysInMonth(4000, 2), 28);
    EXPECT_EQ(DaysInMonth(2021, 4), 30);
    EXPECT_EQ(DaysInMonth(2021, 12), 31);
    EXPECT_THROW(DaysInMonth(2021, 0), EJuliusError);
    EXPECT_THROW(DaysInMonth(2021, 13), EJuliusError);

    EXPECT_TRUE(IsValidDate(2020, 2, 29));
    EXPECT_FALSE(IsValidDate(2021, 2, 29));
    EXPECT_TRUE(IsValidDate(1500, 2, 29));
    EXPECT_FALSE(IsValidDate(1700, 2, 29));
    EXPECT_FALSE(IsValidDate(2021, 4, 31));
    EXPECT_FALSE(IsValidDate(2021, 0, 1));
    EXPECT_FALSE(IsValidDate(2021, 13, 1));
    EXPECT_FALSE(IsValidDate(2021, 1, 0));
}

TEST(Julius, DateTimeValues) {
    EXPECT_EQ(DateTimeToJulius(0.0), 2415019); // 1899-12-30
    EXPECT_EQ(DateTimeToJulius(36526.75), 2451545);
    EXPECT_EQ(DateTimeToJulius(-1.25), 2415018); // 1899-12-29 06:00
    EXPECT_EQ(DateTimeToJulius(-115859.0), 2299160);
    EXPECT_EQ(DateTimeToJulius(-115860.5), 2299159);
    EXPECT_THROW(DateTimeToJulius(std::nan("")), EJuliusError);
    EXPECT_THROW(DateTimeToJulius(1e300), EJuliusError);
}

TEST(Julius, EquinoxesMatchTheJapaneseHolidays1990To2030) {
    // Vernal equinox day in March, autumnal in September, as announced.
    const int vernal[] = {21, 21, 20, 20, 21, 21, 20, 20, 21, 21, 20, 20, 21, 21,
                          20, 20, 21, 21, 20, 20, 21, 21, 20, 20, 21, 21, 20, 20,
                          21, 21, 20, 20, 21, 21, 20, 20, 20, 21, 20, 20, 20};
    const int autumnal[] = {23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23,
                            23, 23, 23, 23, 23, 23, 23, 23, 22, 23, 23, 23, 22, 23,
                            23, 23, 22, 23, 23, 23, 22, 23, 23, 23, 22, 23, 23};
    for (int year = 1990; year <= 2030; ++year) {
        EXPECT_EQ(JuliusToDate(VernalEquinoxDay(year)), (TJuliusDate{year, 3, vernal[year - 1990]}))
            << year;
        EXPECT_EQ(JuliusToDate(AutumnalEquinoxDay(year)),
                  (TJuliusDate{year, 9, autumnal[year - 1990]}))
            << year;
        EXPECT_TRUE(IsVernalEquinox(year, 3, vernal[year - 1990]));
        EXPECT_FALSE(IsVernalEquinox(year, 3, vernal[year - 1990] + 1));
        EXPECT_TRUE(IsAutumnalEquinox(year, 9, autumnal[year - 1990]));
        EXPECT_FALSE(IsAutumnalEquinox(year, 3, vernal[year - 1990]));
    }
}

TEST(Julius, EquinoxesOfAbsurdYearsDoNotCrash) {
    for (int year :
         {std::numeric_limits<int>::min(), -5000000, 5000000, std::numeric_limits<int>::max()}) {
        EXPECT_NO_FATAL_FAILURE(IsVernalEquinox(year, 3, 20));
        EXPECT_NO_FATAL_FAILURE(IsAutumnalEquinox(year, 9, 23));
    }
    EXPECT_THROW(VernalEquinoxDay(std::numeric_limits<int>::max()), EJuliusError);
    EXPECT_FALSE(IsVernalEquinox(std::numeric_limits<int>::max(), 3, 20));
}

TEST(Julius, NameTables) {
    const char* const rokuyo[] = {"不明", "先勝", "友引", "先負", "仏滅", "大安", "赤口"};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(RokuyoName(i), QString::fromUtf8(rokuyo[i]));
    EXPECT_TRUE(RokuyoName(7).isEmpty());
    EXPECT_TRUE(RokuyoName(-1).isEmpty());
    EXPECT_EQ(TenStemName(0), QStringLiteral("甲"));
    EXPECT_EQ(TenStemName(9), QStringLiteral("癸"));
    EXPECT_TRUE(TenStemName(10).isEmpty());
    EXPECT_EQ(BranchName(11), QStringLiteral("亥"));
    EXPECT_TRUE(BranchName(12).isEmpty());
    EXPECT_EQ(SolarTermName(0), QStringLiteral("春分"));
    EXPECT_EQ(SolarTermName(13), QStringLiteral("寒路")); // spelled so on purpose
    EXPECT_EQ(SolarTermName(23), QStringLiteral("啓蟄"));
    EXPECT_TRUE(SolarTermName(24).isEmpty());
}
