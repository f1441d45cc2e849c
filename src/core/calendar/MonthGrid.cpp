#include "calendar/MonthGrid.h"

#include <algorithm>

namespace {

qint64 floorMod(qint64 a, qint64 b) {
    const qint64 r = a % b;
    return r < 0 ? r + b : r;
}

void checkMonth(int month) {
    if (month < 1 || month > 12)
        throw EJuliusError(EJuliusError::badMonthMessage());
}

int32_t monthDay(int year, int month, int day) {
    const int length = DaysInMonth(year, month);
    day = std::min(day, length);
    if (year == 1582 && month == 10 && day >= 5 && day <= 14)
        day = 15;
    return DateToJulius(year, month, day);
}

} // namespace

TMonthGrid TMonthGrid::ForDay(int32_t julius) {
    const TJuliusDate date = JuliusToDate(julius);
    TMonthGrid grid;
    grid.Year = date.Year;
    grid.Month = date.Month;
    return grid;
}

TMonthGrid TMonthGrid::MainWindow(int32_t julius) {
    TMonthGrid grid = ForDay(julius);
    grid.FirstDayOfWeek = 0;
    grid.AutoResize = true;
    grid.FirstRowFirstDay = true;
    grid.LastRowLastDay = true;
    return grid;
}

qint64 TMonthGrid::FirstCellDay() const {
    checkMonth(Month);
    const int32_t first = DateToJulius(Year, Month, 1);
    qint64 cell = first - floorMod(JuliusDayOfWeek(first) - FirstDayOfWeek + 6, 7);
    if (!FirstRowFirstDay && cell == first)
        cell -= 7; // a whole week of the month before comes first
    return cell;
}

qint64 TMonthGrid::lastDay() const {
    checkMonth(Month);
    // The day before the next month's 1st, so that the grid follows the day
    // numbers (October 1582 ends on its 31st as well).
    if (Month < 12 || Year < MaxJuliusDay) {
        const int nextYear = Month == 12 ? Year + 1 : Year;
        const int nextMonth = Month == 12 ? 1 : Month + 1;
        try {
            return qint64(DateToJulius(nextYear, nextMonth, 1)) - 1;
        } catch (const EJuliusError&) {
            // the next month lies beyond the day range; count the days instead
        }
    }
    return qint64(DateToJulius(Year, Month, 1)) + DaysInMonth(Year, Month) - 1;
}

int TMonthGrid::RowCount() const {
    if (!AutoResize)
        return 7;
    const qint64 first = FirstCellDay();
    const qint64 last = lastDay();
    int rows = int((last - first) / 7) + 2;
    if (!LastRowLastDay && (last - first + 1) % 7 == 0)
        ++rows;
    return rows;
}

int TMonthGrid::HeaderWeekday(int column) const {
    return int(floorMod(qint64(FirstDayOfWeek) + column, 7));
}

qint64 TMonthGrid::CellDay(int column, int row) const {
    return FirstCellDay() + 7 * qint64(row) + column - 7;
}

bool TMonthGrid::InMonth(qint64 julius) const {
    TJuliusDate date;
    return CellDate(julius, date) && date.Year == Year && date.Month == Month;
}

namespace {

QRect cellRect(int column, int row, int width, int height, qint64 rows) {
    const qint64 w = std::max(width, 0), h = std::max(height, 0);
    const int left = int(w * column / 7), right = int(w * (column + 1) / 7);
    const int top = int(h * row / rows), bottom = int(h * (row + 1) / rows);
    return QRect(QPoint(left, top), QSize(right - left, bottom - top));
}

} // namespace

QRect TMonthGrid::CellRect(int column, int row, int width, int height) const {
    return cellRect(column, row, width, height, RowCount());
}

bool TMonthGrid::CellAt(int x, int y, int width, int height, int& column, int& row) const {
    if (x < 0 || y < 0 || x >= width || y >= height)
        return false;
    const int rows = RowCount();
    // Search the drawn rectangles, so that a point always lands in the cell
    // painted under it, down to the last pixel.
    for (int k = 0; k < 7; ++k) {
        for (int r = 0; r < rows; ++r) {
            if (cellRect(k, r, width, height, rows).contains(x, y)) {
                column = k;
                row = r;
                return true;
            }
        }
    }
    return false;
}

bool CellDate(qint64 julius, TJuliusDate& date) {
    if (julius < MinJuliusDay || julius > MaxJuliusDay)
        return false;
    date = JuliusToDate(int32_t(julius));
    return true;
}

int32_t NextMonthDay(int32_t julius) {
    const TJuliusDate date = JuliusToDate(julius);
    if (date.Month == 12)
        return monthDay(date.Year + 1, 1, date.Day);
    return monthDay(date.Year, date.Month + 1, date.Day);
}

int32_t PrevMonthDay(int32_t julius) {
    const TJuliusDate date = JuliusToDate(julius);
    if (date.Month == 1)
        return monthDay(date.Year - 1, 12, date.Day);
    return monthDay(date.Year, date.Month - 1, date.Day);
}
