#pragma once

#include "calendar/Julius.h"

#include <QRect>

// The layout of the month calendar: a header row of weekday names and week
// rows of days. Day numbers are 64-bit here because the cells of a month at
// the very ends of the day range may lie beyond it; CellDate says whether a
// cell has a date at all.
class TMonthGrid {
public:
    int Year = 2000;
    int Month = 1;
    int FirstDayOfWeek = 0; // weekday of the first column, 0 Sunday .. 6 Saturday
    bool AutoResize = true;
    bool FirstRowFirstDay = false;
    bool LastRowLastDay = false;

    // The month of the given day with the control's defaults.
    static TMonthGrid ForDay(int32_t julius);
    // The month of the given day as the main window sets the calendar up.
    static TMonthGrid MainWindow(int32_t julius);

    // Day number of the first week row's first cell. Throws EJuliusError
    // when the month itself has no day number.
    qint64 FirstCellDay() const;
    // Rows including the header row.
    int RowCount() const;
    // Weekday shown in the header of a column, 0 Sunday .. 6 Saturday.
    int HeaderWeekday(int column) const;
    // Day number of a cell of a week row (row >= 1).
    qint64 CellDay(int column, int row) const;
    bool InMonth(qint64 julius) const;

    // The cell's rectangle in a client area of width x height.
    QRect CellRect(int column, int row, int width, int height) const;
    // The cell whose rectangle holds the point; false outside the grid.
    bool CellAt(int x, int y, int width, int height, int& column, int& row) const;

private:
    qint64 lastDay() const;
};

// The date of a day number inside the 32-bit range; false beyond it.
bool CellDate(qint64 julius, TJuliusDate& date);

// The same day of the next or previous month, cut to the month's length. A
// day dropped by the 1582 reform becomes 1582-10-15.
int32_t NextMonthDay(int32_t julius);
int32_t PrevMonthDay(int32_t julius);
