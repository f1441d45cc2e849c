# sources of src/gui/calendar
list(APPEND WRENGUI_SOURCES
    calendar/CalEx.cpp
    calendar/CalExAccessible.cpp
    calendar/CalendarCommands.cpp
    calendar/DateAccessPanel.cpp
    calendar/PaintedAccessible.cpp
)
