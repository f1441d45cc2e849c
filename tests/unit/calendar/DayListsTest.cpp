// The holiday and special-day lists in the program folder.
#include "calendar/DayLists.h"
#include "calendar/CalendarRules.h"
#include "file/Cp932.h"

#include "TestSupport.h"

#include <QFile>

#include <gtest/gtest.h>

TEST(DayLists, SkipsCommentsAndNamesTheLinesThatAreNoEntries) {
    const QByteArray text = "\xEF\xBB\xBF# comment, with, commas\r\n"
                            "\r\n"
                            "5,3,憲法記念日\r\n"
                            "5,3\r\n"              // 2 fields
                            "x,3,名前\r\n"         // not a number
                            "13,1,名前\r\n"        // no such month
                            "5,2,8,名前\r\n"       // weekday 8
                            "2021,0,7,22,海の日\n" // a bare LF is a line end too
                            "1,2,3,4,5,6,7\r\n";   // 7 fields
    const DayLists::TReadResult r = DayLists::Parse(text);
    EXPECT_EQ(r.Entries, (QStringList{"5,3,憲法記念日", "2021,0,7,22,海の日"}));
    EXPECT_EQ(r.BadLines, (QList<int>{4, 5, 6, 7, 9}));
    EXPECT_EQ(DayLists::DescribeBadLines(QStringLiteral("Holiday.txt"), r.BadLines),
              QStringLiteral("Holiday.txt の 4, 5, 6, 7, 9 行目"));
    EXPECT_TRUE(DayLists::DescribeBadLines(QStringLiteral("x"), {}).isEmpty());
}

TEST(DayLists, ReadsListsWrittenOnWindowsInShiftJis) {
    const DayLists::TReadResult r =
        DayLists::Parse(Cp932::fromUnicode(QStringLiteral("5,5,こどもの日\r\n")));
    EXPECT_EQ(r.Entries, (QStringList{"5,5,こどもの日"}));
}

TEST(DayLists, ShipsTheHolidaysOnceAndKeepsTheUsersOwn) {
    TestHome home;
    ASSERT_TRUE(DayLists::InstallDefaults());
    const DayLists::TReadResult holidays = DayLists::Read(DayLists::HolidayFile());
    EXPECT_TRUE(holidays.BadLines.isEmpty());
    EXPECT_TRUE(holidays.Error.isEmpty());
    EXPECT_TRUE(QFile::exists(DayLists::SpecialDayFile()));
    TCalendarRules rules;
    rules.HolidayList = holidays.Entries;
    for (int d : {3, 4, 5})
        EXPECT_TRUE(rules.DayFlags(2021, 5, d) & DayFlagHoliday) << d;
    EXPECT_FALSE(rules.DayFlags(2021, 5, 6) & DayFlagHoliday);
    EXPECT_TRUE(rules.DayFlags(2021, 7, 22) & DayFlagHoliday);  // moved for the games
    EXPECT_FALSE(rules.DayFlags(2021, 7, 19) & DayFlagHoliday); // not the third Monday then
    EXPECT_TRUE(rules.DayFlags(2024, 1, 8) & DayFlagHoliday);   // second Monday
    EXPECT_EQ(rules.GetDayNames(2021, 5, 3), QStringList{"憲法記念日"});

    QFile own(DayLists::HolidayFile());
    ASSERT_TRUE(own.open(QIODevice::WriteOnly | QIODevice::Truncate));
    own.write("12,24,休み\n");
    own.close();
    ASSERT_TRUE(DayLists::InstallDefaults());
    EXPECT_EQ(DayLists::Read(DayLists::HolidayFile()).Entries, QStringList{"12,24,休み"});
}
