// The date format notation with Japanese system forms.
#include "common/DateFormat.h"
#include "common/DateTime.h"

#include <gtest/gtest.h>

namespace {

double at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    return WrenDate::fromDateTime(QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms)));
}

QString fmt(const char* format, double value) {
    return FormatWrenDate(QString::fromUtf8(format), value);
}

} // namespace

TEST(DateFormat, DefaultViewFormat) {
    EXPECT_EQ(fmt("yyyy\"-\"m\"-\"d\"(\"ddd\")　\"hh:nn:ss", at(2024, 5, 7, 9, 5, 3)),
              QStringLiteral("2024-5-7(火)　09:05:03"));
    EXPECT_EQ(FormatWrenDate(QStringLiteral("yyyy\"-\"m\"-\"d\"(\"ddd\")　\"hh:nn:ss"),
                             QDateTime(QDate(2024, 5, 7), QTime(9, 5, 3))),
              QStringLiteral("2024-5-7(火)　09:05:03"));
}

TEST(DateFormat, DateSpecifiers) {
    const double v = at(2009, 3, 1, 14, 7, 8, 9); // a Sunday
    struct {
        const char* format;
        const char* expected;
    } cases[] = {
        {"d", "1"},
        {"dd", "01"},
        {"ddd", "日"},
        {"dddd", "日曜日"},
        {"ddddd", "2009/03/01"},
        {"dddddd", "2009年3月1日"},
        {"m", "3"},
        {"mm", "03"},
        {"mmm", "3月"},
        {"mmmm", "3月"},
        {"yy", "09"},
        {"y", "09"},
        {"yyyy", "2009"},
        {"YYYY/MM/DD", "2009/03/01"},
        {"aaa", "日"},
        {"aaaa", "日曜日"},
        {"D-M", "1-3"},
        {"x!", "x!"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fmt(c.format, v), QString::fromUtf8(c.expected)) << c.format;
    EXPECT_EQ(fmt("mmmm", at(2009, 12, 31)), QStringLiteral("12月"));
    EXPECT_EQ(fmt("dddd", at(2009, 3, 7)), QStringLiteral("土曜日"));
    EXPECT_EQ(fmt("yy", at(2000, 1, 1)), QStringLiteral("00"));
}

TEST(DateFormat, TimeSpecifiers) {
    const double v = at(2009, 3, 1, 14, 7, 8, 9);
    struct {
        const char* format;
        const char* expected;
    } cases[] = {
        {"h", "14"},         {"hh", "14"},       {"n", "7"},
        {"nn", "07"},        {"s", "8"},         {"ss", "08"},
        {"z", "9"},          {"zzz", "009"},     {"t", "14:07"},
        {"tt", "14:07:08"},  {"hh:mm", "14:07"}, {"h\"時\"m\"分\"", "14時7分"},
        {"d h m", "1 14 7"}, {"m h", "3 14"},    {"H:NN:SS", "14:07:08"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fmt(c.format, v), QString::fromUtf8(c.expected)) << c.format;
    EXPECT_EQ(fmt("h:nn", at(2009, 3, 1, 5, 4)), QStringLiteral("5:04"));
    EXPECT_EQ(fmt("hh", at(2009, 3, 1, 5, 4)), QStringLiteral("05"));
}

TEST(DateFormat, TwelveHourClock) {
    struct {
        int hour;
        const char* format;
        const char* expected;
    } cases[] = {
        {0, "h:nn am/pm", "12:30 am"},  {11, "h:nn am/pm", "11:30 am"},
        {12, "h:nn am/pm", "12:30 pm"}, {13, "hh:nn AM/PM", "01:30 PM"},
        {23, "h a/p", "11 p"},          {9, "h A/P", "9 A"},
        {0, "ampm h:nn", "午前 12:30"}, {15, "ampm h:nn", "午後 3:30"},
        {15, "h:nn ampm", "3:30 午後"}, {15, "h:nn", "15:30"},
        {15, "h 'am/pm'", "15 am/pm"},  {15, "h h am/pm", "15 3 pm"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fmt(c.format, at(2020, 2, 2, c.hour, 30)), QString::fromUtf8(c.expected))
            << c.format << " at " << c.hour;
}

TEST(DateFormat, QuotedTextAndSeparators) {
    const double v = at(2024, 5, 7, 9, 5, 3);
    EXPECT_EQ(fmt("'d is' d", v), QStringLiteral("d is 7"));
    EXPECT_EQ(fmt("\"it's\" yyyy", v), QStringLiteral("it's 2024"));
    EXPECT_EQ(fmt("'say \"hi\"'", v), QStringLiteral("say \"hi\""));
    EXPECT_EQ(fmt("yyyy'unclosed mm", v), QStringLiteral("2024unclosed mm"));
    EXPECT_EQ(fmt("yyyy/m/d hh:nn", v), QStringLiteral("2024/5/7 09:05"));
    EXPECT_EQ(fmt("yyyy年m月d日", v), QStringLiteral("2024年5月7日"));
}

TEST(DateFormat, SystemDateAndTimeForms) {
    EXPECT_EQ(fmt("c", at(2024, 5, 7, 9, 5, 3)), QStringLiteral("2024/05/07 9:05:03"));
    EXPECT_EQ(fmt("C", at(2024, 5, 7)), QStringLiteral("2024/05/07"));
    EXPECT_EQ(fmt("c", at(2024, 5, 7, 0, 0, 1)), QStringLiteral("2024/05/07 0:00:01"));
    EXPECT_EQ(fmt("", at(2024, 5, 7, 13, 0)), QStringLiteral("2024/05/07 13:00:00"));
    EXPECT_EQ(fmt("dddddd tt", at(1999, 12, 31, 23, 59, 59)),
              QStringLiteral("1999年12月31日 23:59:59"));
}

TEST(DateFormat, ErasFromTheirFirstDays) {
    struct {
        int y, m, d;
        const char* expected;
    } cases[] = {
        {1868, 1, 1, "明治 明 1 01"},   {1912, 7, 29, "明治 明 45 45"},
        {1912, 7, 30, "大正 大 1 01"},  {1926, 12, 24, "大正 大 15 15"},
        {1926, 12, 25, "昭和 昭 1 01"}, {1989, 1, 7, "昭和 昭 64 64"},
        {1989, 1, 8, "平成 平 1 01"},   {2019, 4, 30, "平成 平 31 31"},
        {2019, 5, 1, "令和 令 1 01"},   {2024, 5, 7, "令和 令 6 06"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fmt("gg g e ee", at(c.y, c.m, c.d)), QString::fromUtf8(c.expected))
            << c.y << "-" << c.m << "-" << c.d;
    EXPECT_EQ(fmt("ggge\"年\"m\"月\"d\"日\"", at(2019, 5, 1)), QStringLiteral("令和1年5月1日"));
    // Before the first era there is no era name and the year stands as it is.
    EXPECT_EQ(fmt("[gg]e", at(1867, 12, 31)), QStringLiteral("[]1867"));
}

TEST(DateFormat, ValuesFromTheDayCount) {
    EXPECT_EQ(fmt("yyyy/mm/dd hh:nn:ss", 0.0), QStringLiteral("1899/12/30 00:00:00"));
    EXPECT_EQ(fmt("yyyy/mm/dd hh:nn", 45419.5), QStringLiteral("2024/05/07 12:00"));
    EXPECT_EQ(fmt("yyyy", 1.0e12), QString());
    EXPECT_EQ(FormatWrenDate(QStringLiteral("yyyy"), QDateTime()), QString());
}
