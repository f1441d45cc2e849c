#include "calendar/MonthGrid.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

int32_t day(int y, int m, int d) {
    return DateToJulius(y, m, d);
}

TMonthGrid grid(int y, int m, bool firstRowFirstDay, bool lastRowLastDay, int firstDayOfWeek = 0) {
    TMonthGrid g = TMonthGrid::ForDay(day(y, m, 1));
    g.FirstRowFirstDay = firstRowFirstDay;
    g.LastRowLastDay = lastRowLastDay;
    g.FirstDayOfWeek = firstDayOfWeek;
    return g;
}

// Row (>= 1) of the cell showing a day, or -1.
int rowOf(const TMonthGrid& g, qint64 julius) {
    for (int r = 1; r < g.RowCount(); ++r)
        for (int k = 0; k < 7; ++k)
            if (g.CellDay(k, r) == julius)
                return r;
    return -1;
}

} // namespace

TEST(MonthGrid, May2021InTheMainWindow) {
    const TMonthGrid g = TMonthGrid::MainWindow(day(2021, 5, 17));
    EXPECT_EQ(g.Year, 2021);
    EXPECT_EQ(g.Month, 5);
    EXPECT_EQ(g.FirstCellDay(), day(2021, 4, 25));
    EXPECT_EQ(g.RowCount(), 7); // six week rows and the header
    EXPECT_EQ(rowOf(g, day(2021, 5, 1)), 1);
    EXPECT_EQ(rowOf(g, day(2021, 5, 31)), 6);
    EXPECT_EQ(g.CellDay(6, 1), day(2021, 5, 1));
    EXPECT_FALSE(g.InMonth(day(2021, 4, 30)));
    EXPECT_TRUE(g.InMonth(day(2021, 5, 31)));
    EXPECT_FALSE(g.InMonth(day(2021, 6, 1)));
}

TEST(MonthGrid, February2015) {
    EXPECT_EQ(grid(2015, 2, false, true).FirstCellDay(), day(2015, 1, 25));
    EXPECT_EQ(grid(2015, 2, false, true).RowCount(), 6);
    EXPECT_EQ(grid(2015, 2, true, true).FirstCellDay(), day(2015, 2, 1));
    EXPECT_EQ(grid(2015, 2, true, true).RowCount(), 5);
    // Four full weeks: without LastRowLastDay a row of March follows.
    const TMonthGrid extra = grid(2015, 2, true, false);
    EXPECT_EQ(extra.RowCount(), 6);
    EXPECT_EQ(extra.CellDay(0, 5), day(2015, 3, 1));
    EXPECT_EQ(grid(2015, 2, false, false).RowCount(), 7);
}

TEST(MonthGrid, FirstDayOfWeekAndFixedRows) {
    TMonthGrid g = grid(2021, 5, true, true, 1); // Monday first
    EXPECT_EQ(g.FirstCellDay(), day(2021, 4, 26));
    EXPECT_EQ(g.HeaderWeekday(0), 1);
    EXPECT_EQ(g.HeaderWeekday(6), 0);
    g.AutoResize = false;
    EXPECT_EQ(g.RowCount(), 7);
}

TEST(MonthGrid, EveryLayoutShowsTheWholeMonth) {
    for (int year = 1999; year <= 2030; ++year)
        for (int month = 1; month <= 12; ++month)
            for (int fdow = 0; fdow < 7; ++fdow)
                for (int options = 0; options < 4; ++options) {
                    const TMonthGrid g = grid(year, month, options & 1, options & 2, fdow);
                    const int rows = g.RowCount();
                    const qint64 first = g.FirstCellDay();
                    const qint64 last = day(year, month, DaysInMonth(year, month));
                    ASSERT_EQ(JuliusDayOfWeek(int32_t(first)) - 1, fdow);
                    ASSERT_GE(day(year, month, 1) - first, (options & 1) ? 0 : 1);
                    ASSERT_LE(day(year, month, 1) - first, (options & 1) ? 6 : 7);
                    const qint64 lastCell = g.CellDay(6, rows - 1);
                    ASSERT_GE(lastCell, last);
                    if (options & 2) // the last row holds the last day
                        ASSERT_LT(lastCell - last, 7);
                    else // the last row is never only the month's own days
                        ASSERT_GE(lastCell - last, 1);
                }
}

TEST(MonthGrid, CellsTileTheClientAreaToTheLastPixel) {
    const TMonthGrid g = TMonthGrid::MainWindow(day(2021, 5, 1)); // 7 rows
    const int width = 150, height = 101;
    int column = -1, row = -1;
    ASSERT_TRUE(g.CellAt(width - 1, height - 1, width, height, column, row));
    EXPECT_EQ(column, 6);
    EXPECT_EQ(row, 6);
    EXPECT_EQ(g.CellDay(column, row), day(2021, 6, 5));
    ASSERT_TRUE(g.CellAt(0, 0, width, height, column, row));
    EXPECT_EQ(column, 0);
    EXPECT_EQ(row, 0);
    EXPECT_FALSE(g.CellAt(width, 0, width, height, column, row));
    EXPECT_FALSE(g.CellAt(0, height, width, height, column, row));
    EXPECT_FALSE(g.CellAt(-1, 5, width, height, column, row));
    EXPECT_FALSE(g.CellAt(0, 0, 0, 0, column, row));

    // Rectangles meet without gaps or overlaps.
    for (int k = 0; k < 7; ++k) {
        const QRect r = g.CellRect(k, 0, width, height);
        EXPECT_EQ(r.left(), width * k / 7);
        EXPECT_EQ(r.left() + r.width(), width * (k + 1) / 7);
    }
    for (int r = 0; r < 7; ++r) {
        const QRect rect = g.CellRect(0, r, width, height);
        EXPECT_EQ(rect.top(), height * r / 7);
        EXPECT_EQ(rect.top() + rect.height(), height * (r + 1) / 7);
    }
    // Each pixel of a column boundary belongs to the cell on its right.
    for (int k = 1; k < 7; ++k) {
        ASSERT_TRUE(g.CellAt(width * k / 7, 50, width, height, column, row));
        EXPECT_EQ(column, k);
        ASSERT_TRUE(g.CellAt(width * k / 7 - 1, 50, width, height, column, row));
        EXPECT_EQ(column, k - 1);
    }
}

TEST(MonthGrid, TheReformMonth) {
    const TMonthGrid g = TMonthGrid::MainWindow(day(1582, 10, 1));
    EXPECT_EQ(g.FirstCellDay(), day(1582, 9, 30));
    EXPECT_EQ(g.CellDay(4, 1), day(1582, 10, 4));
    EXPECT_EQ(g.CellDay(5, 1), day(1582, 10, 15));
    EXPECT_EQ(rowOf(g, day(1582, 10, 31)), g.RowCount() - 1);
    EXPECT_EQ(g.RowCount(), 5);
}

TEST(MonthGrid, MonthSteps) {
    EXPECT_EQ(NextMonthDay(day(2021, 1, 31)), day(2021, 2, 28));
    EXPECT_EQ(NextMonthDay(day(2024, 1, 31)), day(2024, 2, 29));
    EXPECT_EQ(NextMonthDay(day(2021, 12, 15)), day(2022, 1, 15));
    EXPECT_EQ(PrevMonthDay(day(2022, 1, 15)), day(2021, 12, 15));
    EXPECT_EQ(PrevMonthDay(day(2021, 3, 31)), day(2021, 2, 28));
    EXPECT_EQ(NextMonthDay(day(1582, 9, 10)), day(1582, 10, 15));
    EXPECT_EQ(PrevMonthDay(day(1582, 11, 10)), day(1582, 10, 15));
    EXPECT_EQ(NextMonthDay(day(1582, 9, 4)), day(1582, 10, 4));
    EXPECT_EQ(PrevMonthDay(day(1, 1, 1)), day(0, 12, 1));
}

TEST(MonthGrid, MonthsAtTheEndsOfTheDayRange) {
    const int32_t lowest = std::numeric_limits<int32_t>::min();
    const int32_t highest = std::numeric_limits<int32_t>::max();
    int drawn = 0;
    for (int32_t j : {lowest, lowest + 20, highest - 20, highest}) {
        const TMonthGrid g = TMonthGrid::MainWindow(j);
        int rows = 0;
        try {
            rows = g.RowCount();
        } catch (const EJuliusError&) {
            continue; // the month's 1st lies beyond the range: reported, not drawn
        }
        ASSERT_GE(rows, 5);
        bool sawDay = false;
        for (int r = 1; r < rows; ++r)
            for (int k = 0; k < 7; ++k) {
                TJuliusDate date;
                if (CellDate(g.CellDay(k, r), date)) {
                    EXPECT_GE(date.Day, 1);
                    EXPECT_LE(date.Day, 31);
                    sawDay = sawDay || g.CellDay(k, r) == j;
                }
            }
        EXPECT_TRUE(sawDay) << j;
        ++drawn;
    }
    EXPECT_GE(drawn, 3);
    TJuliusDate date;
    EXPECT_FALSE(CellDate(qint64(std::numeric_limits<int32_t>::max()) + 1, date));
    EXPECT_FALSE(CellDate(qint64(std::numeric_limits<int32_t>::min()) - 1, date));
}
