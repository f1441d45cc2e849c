#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <vector>

class QKeyEvent;
class QLabel;
class QTimer;
class QToolButton;
class TDateAccessPanel;
class TDueIndex;
class TFormMain;
class TLeafNote;
class TMonthlyCalendar;

// The month calendar with its month bar, and the date panel, in the main
// window: the handlers of both, the due-date index behind the day marks and
// listings, and the holiday and special-day lists. Created by
// InstallCalendarCommands as a child of the window.
class TCalendarCommands : public QObject {
    Q_OBJECT
public:
    explicit TCalendarCommands(TFormMain& form);
    static TCalendarCommands* of(TFormMain& form);

    // Shows the items of a day click in the focus tray: the day (midnight,
    // days since 1899-12-30) and its not-started and in-progress items in
    // tree order. Unset: a day click lists nothing.
    std::function<void(double day, const std::vector<TLeafNote*>& items)> ListDueItems;

    TDueIndex* DueIndex() const { return m_index; }

    void MonthlyCalendar1DayChange(int year, int month, int day);
    void IBChangeMonthClick(int tag);
    void ShowToday();
    void MonthlyCalendar1Click();
    void MonthlyCalendar1DblClick();
    void MonthlyCalendar1KeyUp(QKeyEvent* event);
    void SetCalendarMaximized(bool max);
    void CFBMaxCalendarClick() { SetCalendarMaximized(true); }
    void IBMinCalendarClick() { SetCalendarMaximized(false); }
    void Timer1Timer();
    // Reads the holiday and special-day lists again (copying the shipped
    // ones when missing); the first problem found is told once.
    void LoadDayLists();

    QTimer* Timer1() const { return m_timer; }
    QLabel* MonthCaption() const { return m_caption; }

private:
    void setUpMonthBar();
    void followMaxCalendar(bool max);
    void syncDatePanel();
    void loadDatePanel();
    void showDayListProblem();

    TFormMain& m_form;
    TMonthlyCalendar* m_calendar;
    TDateAccessPanel* m_panel;
    TDueIndex* m_index;
    QTimer* m_timer;
    QLabel* m_caption = nullptr;
    // The item the date panel shows; compared only, never followed.
    const TLeafNote* m_panelItem = nullptr;
    bool m_panelLoaded = false;
    QString m_dayListProblem;
};

void InstallCalendarCommands(TFormMain& form);
