# GUI tests of the month calendar and the date panel (offscreen).
wren_add_test(gui_calendar
    SOURCES
        gui/calendar/main.cpp
        gui/calendar/CalendarTest.cpp
        gui/calendar/DatePanelTest.cpp
    LIBS wrenguitestsupport
    LABELS gui
    NO_MAIN)
