#pragma once

#include "calendar/CalendarRules.h"
#include "calendar/MonthGrid.h"

#include <QColor>
#include <QFont>
#include <QObject>
#include <QWidget>

#include <array>
#include <functional>

// The seven fonts of the calendar with their colours.
class TCalExFonts : public QObject {
    Q_OBJECT
public:
    static constexpr int Count = 7;
    explicit TCalExFonts(QObject* parent = nullptr);

    QFont font(TCalExFont which) const { return m_fonts[size_t(which)]; }
    QColor color(TCalExFont which) const { return m_colors[size_t(which)]; }
    // With Synchronize every one of the seven takes what is assigned.
    void assign(TCalExFont which, const QFont& font, const QColor& color);
    bool Synchronize = false;

Q_SIGNALS:
    void changed();

private:
    std::array<QFont, Count> m_fonts;
    std::array<QColor, Count> m_colors;
};

// A painted calendar around one selected day, which everything else
// derives from.
class TCustomCalendarEx : public QWidget {
    Q_OBJECT
public:
    explicit TCustomCalendarEx(QWidget* parent = nullptr);

    int32_t JuliusDay() const { return m_julius; }
    void SetJuliusDay(int32_t day);
    int Year() const { return m_date.Year; }
    int Month() const { return m_date.Month; }
    int Day() const { return m_date.Day; }
    // Ignored when the resulting date does not exist.
    void SetYear(int year);
    void SetMonth(int month);
    void SetDay(int day);

    void NextDay();
    void PrevDay();
    void NextMonth();
    void PrevMonth();

    TCalExFonts* Fonts() const { return m_fonts; }
    const TCalendarRules& Rules() const { return m_rules; }
    void SetHolidayList(const QStringList& list);
    void SetSpecialDayList(const QStringList& list);
    QStringList HolidayList() const { return m_rules.HolidayList; }
    QStringList SpecialDayList() const { return m_rules.SpecialDayList; }
    void SetAutoEquinox(bool on);
    void SetAutoFurikae(bool on);
    QColor Color() const { return m_color; }
    void SetColor(const QColor& color);
    bool BorderSingle() const { return m_border; }
    void SetBorderSingle(bool single);

    int DayFlags(int year, int month, int day) const;
    TCalExFont GetDayFont(int year, int month, int day) const;
    QStringList GetDayNames(int year, int month, int day) const;

Q_SIGNALS:
    // After JuliusDay changed (OnDayChange).
    void dayChanged(int year, int month, int day);

protected:
    virtual void Redraw() { update(); }
    // Space the border takes on each side.
    int borderWidth() const { return m_border ? 1 : 0; }

    TCalendarRules m_rules;

private:
    void setDate(int year, int month, int day);

    int32_t m_julius = 0;
    TJuliusDate m_date;
    TCalExFonts* m_fonts;
    QColor m_color;
    bool m_border = false;
};

// The month of the selected day as a grid of weeks under a row of weekday
// names.
class TMonthlyCalendar : public TCustomCalendarEx {
    Q_OBJECT
public:
    explicit TMonthlyCalendar(QWidget* parent = nullptr);

    int FirstDayOfWeek = 0; // 0 Sunday .. 6 Saturday
    QColor NeighborColor{0xC0, 0xC0, 0xC0};
    QColor DayOfWeekBkColor{0x00, 0x00, 0x80};
    bool ShowNeighbor = false;
    bool NeighborJump = false;
    bool AutoResize = true;
    bool FirstRowFirstDay = false;
    bool LastRowLastDay = false;
    bool ShowRokuyo = false;
    // The main window's look and behaviour.
    void SetMainWindowStyle();

    // Not-started and in-progress items due on a day; days with any get a
    // mark. Unset: no marks.
    std::function<int(int32_t day)> DueCount;

    TMonthGrid Grid() const;
    qint64 FirstCellDay() const { return Grid().FirstCellDay(); }
    int RowCount() const { return Grid().RowCount(); }
    // The grid's area inside the border.
    QRect GridRect() const;
    // Cell under a point of the widget; false outside the grid.
    bool CellAt(const QPoint& pos, int& column, int& row) const;
    // In widget coordinates.
    QRect CellRect(int column, int row) const;
    // Day number of a week-row cell; false when no date has that number.
    bool CellDay(int column, int row, int32_t& day) const;
    // The day a press on the cell selects, or false when it selects none.
    bool DayAt(const QPoint& pos, int32_t& day) const;
    // As a click on the cell (assistive tools): selects its day where a press
    // would, then clicked. False when the cell has no day to select.
    bool PressCell(int column, int row);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void clicked();
    void doubleClicked();
    // A key let go (auto-repeat ignored); consumed when accepted.
    void keyReleased(QKeyEvent* event);
    // First painting with the day lists in use.
    void firstPaint();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    void DrawCell(QPainter& p, const TMonthGrid& grid, int column, int row, const QRect& rect);

    bool m_pressed = false;
    bool m_painted = false;
};
