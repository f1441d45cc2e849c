# sources of src/core/calendar
list(APPEND WRENCORE_SOURCES
    calendar/CalendarRules.cpp
    calendar/DayLists.cpp
    calendar/DueIndex.cpp
    calendar/Julius.cpp
    calendar/MonthGrid.cpp
    calendar/OldCalendarTable.cpp
)
