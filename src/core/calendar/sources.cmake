# sources of src/core/calendar
list(APPEND WRENCORE_SOURCES
    calendar/CalendarRules.cpp
    calendar/Julius.cpp
    calendar/MonthGrid.cpp
    calendar/OldCalendarTable.cpp
)
