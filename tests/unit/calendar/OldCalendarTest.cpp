#include "calendar/Julius.h"
#include "calendar/OldCalendarTable.h"

#include "TestSupport.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

QByteArray shippedTable() {
    QFile file(QStringLiteral(":/calendar/JDOLDCAL"));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

int32_t day(int y, int m, int d) {
    return DateToJulius(y, m, d);
}

} // namespace

TEST(OldCalendar, ShippedTableHoldsTheFixedLines) {
    const QByteArray data = shippedTable();
    ASSERT_FALSE(data.isEmpty()) << "the resource is not linked in";
    ASSERT_TRUE(data.endsWith("\r\n"));
    QList<QByteArray> lines = data.split('\n');
    lines.removeLast(); // after the last CR LF
    ASSERT_EQ(lines.size(), 260);
    for (QByteArray& line : lines) {
        ASSERT_TRUE(line.endsWith('\r'));
        line.chop(1);
    }
    EXPECT_EQ(lines.first(), "2447889,12");
    EXPECT_EQ(lines.last(), "2455537,11");
    QList<QByteArray> leap;
    for (const QByteArray& line : lines)
        if (line.split(',').value(1).size() == 3)
            leap.append(line);
    EXPECT_EQ(leap,
              (QList<QByteArray>{"2448066,105", "2449100,103", "2449986,108", "2450989,105",
                                 "2452053,104", "2453086,102", "2453972,107", "2455006,105"}));
    EXPECT_EQ(OldCalendarTable().size(), 260u);
    EXPECT_EQ(&OldCalendarTable(), &OldCalendarTable()); // parsed once and kept
}

TEST(OldCalendar, TableBoundaries) {
    EXPECT_EQ(OldCalendarDate(day(1989, 12, 27)).Month, 0);
    EXPECT_EQ(OldCalendarDate(day(1989, 12, 27)).Day, 0);
    EXPECT_EQ(OldCalendarDate(day(1989, 12, 28)).Month, 12);
    EXPECT_EQ(OldCalendarDate(day(1989, 12, 28)).Day, 1);
    // The last line only closes the 10th month of 2010.
    EXPECT_EQ(OldCalendarDate(day(2010, 12, 5)).Month, 10);
    EXPECT_EQ(OldCalendarDate(day(2010, 12, 5)).Day, 30);
    EXPECT_EQ(OldCalendarDate(day(2010, 12, 6)).Month, 0);
    EXPECT_EQ(OldCalendarDate(day(2010, 12, 6)).Day, 0);
    EXPECT_EQ(RokuyoOf(day(2010, 12, 6)), 0);
    EXPECT_EQ(RokuyoOf(day(1989, 12, 27)), 0);
    for (int32_t far : {INT32_MIN, -1, 0, 2447888, 2455537, INT32_MAX}) {
        EXPECT_EQ(OldCalendarDate(far).Month, 0) << far;
        EXPECT_EQ(RokuyoOf(far), 0) << far;
    }
}

TEST(OldCalendar, LeapMonthsAndTheSixDayCycle) {
    const TOldDate leap = OldCalendarDate(day(1990, 6, 23));
    EXPECT_EQ(leap.Month, 105);
    EXPECT_EQ(leap.Day, 1);
    EXPECT_EQ(RokuyoOf(day(1990, 6, 23)), 5); // counts as the 5th month: 大安
    EXPECT_EQ(RokuyoName(RokuyoOf(day(1990, 6, 23))), QStringLiteral("大安"));
    EXPECT_EQ(RokuyoOf(day(1990, 6, 22)), 4); // 5/30
    // Old new year's days (旧正月) in Japan; every 1st month starts with 先勝.
    const int newYears[][3] = {{2000, 2, 5},  {2001, 1, 24}, {2002, 2, 12}, {2003, 2, 1},
                               {2004, 1, 22}, {2005, 2, 9},  {2006, 1, 29}, {2007, 2, 18},
                               {2008, 2, 7},  {2009, 1, 26}, {2010, 2, 14}};
    for (const auto& ny : newYears) {
        const int32_t j = day(ny[0], ny[1], ny[2]);
        EXPECT_EQ(OldCalendarDate(j).Month, 1) << ny[0];
        EXPECT_EQ(OldCalendarDate(j).Day, 1) << ny[0];
        EXPECT_EQ(RokuyoOf(j), 1) << ny[0];
        EXPECT_EQ(RokuyoOf(j + 1), 2) << ny[0];
        EXPECT_EQ(OldCalendarDate(j - 1).Month, 12) << ny[0];
    }
    // Every day inside the table has a day of 1..30 and a cycle name.
    for (int32_t j = day(1989, 12, 28); j < day(2010, 12, 6); ++j) {
        const TOldDate d = OldCalendarDate(j);
        ASSERT_GE(d.Day, 1);
        ASSERT_LE(d.Day, 30);
        ASSERT_GE(RokuyoOf(j), 1);
    }
}

TEST(OldCalendar, ParsesTheLineFormat) {
    const QByteArray lf = ByteBuilder().raw("100,1\n130,2\n159,102\n189,3\n").bytes();
    const auto table = ParseOldCalendarTable(lf);
    ASSERT_EQ(table.size(), 4u);
    EXPECT_EQ(table[2].Julius, 159);
    EXPECT_EQ(table[2].Month, 102);
    const QByteArray noFinalEnd = ByteBuilder().raw("100,1\r\n129,2").bytes();
    EXPECT_EQ(ParseOldCalendarTable(noFinalEnd).size(), 2u);

    EXPECT_EQ(LookUpOldDate(table, 99).Month, 0);
    EXPECT_EQ(LookUpOldDate(table, 100).Day, 1);
    EXPECT_EQ(LookUpOldDate(table, 129).Day, 30);
    EXPECT_EQ(LookUpOldDate(table, 159).Month, 102);
    EXPECT_EQ(LookUpOldDate(table, 188).Day, 30);
    EXPECT_EQ(LookUpOldDate(table, 189).Month, 0);
    EXPECT_EQ(LookUpOldDate({}, 100).Month, 0);
}

TEST(OldCalendar, RejectsDamagedTables) {
    struct Case {
        const char* bytes;
        const char* line; // expected in the message
    };
    const Case cases[] = {
        {"", ""},
        {"100,1\r\n", ""},
        {"100;1\r\n130,2\r\n", "1 行目"},
        {"100,1\r\n130,\r\n", "2 行目"},
        {"100,1\r\n,2\r\n", "2 行目"},
        {"100,1\r\n 130,2\r\n", "2 行目"},
        {"100,1\r\n130,2 \r\n", "2 行目"},
        {"100,1\r\n-130,2\r\n", "2 行目"},
        {"100,1\r\n130,+2\r\n", "2 行目"},
        {"100,1\r\n130,2,3\r\n", "2 行目"},
        {"100,1\r\n\r\n130,2\r\n", "2 行目"},
        {"100,1\r\n2147483648,2\r\n", "2 行目"},
        {"100,1\r\n99999999999999999999,2\r\n", "2 行目"},
        {"100,0\r\n130,2\r\n", "1 行目"},
        {"100,1\r\n130,13\r\n", "2 行目"},
        {"100,1\r\n130,100\r\n", "2 行目"},
        {"100,1\r\n130,113\r\n", "2 行目"},
        {"100,1\r\n128,2\r\n", "2 行目"},
        {"100,1\r\n131,2\r\n", "2 行目"},
        {"130,1\r\n100,2\r\n", "2 行目"},
        {"100,1\r\n130,2\r\n130,3\r\n", "3 行目"},
    };
    for (const Case& c : cases) {
        try {
            ParseOldCalendarTable(ByteBuilder().raw(c.bytes).bytes());
            ADD_FAILURE() << "accepted: " << c.bytes;
        } catch (const EJuliusError& e) {
            EXPECT_TRUE(e.message().startsWith(QStringLiteral("旧暦テーブル JDOLDCAL")))
                << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.line)))
                << c.bytes << " -> " << e.message().toStdString();
        }
    }
}
