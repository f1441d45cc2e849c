wren_add_test(calendar_test
    SOURCES unit/calendar/JuliusTest.cpp unit/calendar/OldCalendarTest.cpp
            unit/calendar/CalendarRulesTest.cpp unit/calendar/MonthGridTest.cpp
            unit/calendar/DueIndexTest.cpp unit/calendar/DayListsTest.cpp
    LIBS wrencore Qt6::Test
    LABELS unit)

wren_add_test(calendar_cli_test
    SOURCES unit/calendar/CliCalendarTest.cpp
    LIBS wrencore
    LABELS unit)
add_dependencies(calendar_cli_test wrennote-cli)
set_property(TEST calendar_cli_test APPEND PROPERTY
    ENVIRONMENT "WRENNOTE_CLI=$<TARGET_FILE:wrennote-cli>")

# The committed table must be what the generator makes of its source list.
find_package(Python3 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND)
    add_test(NAME calendar_oldcal_generated
        COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/make_oldcal.py --check)
    set_tests_properties(calendar_oldcal_generated PROPERTIES LABELS unit)
endif()
