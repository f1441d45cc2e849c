# The wrennote command line: read without an application object, and the
# program run without a display.
wren_add_test(app_unit_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/app/CommandLineTest.cpp
    LIBS wrenapp
    LABELS unit)
add_dependencies(app_unit_tests wrennote)
set_property(TEST app_unit_tests APPEND PROPERTY ENVIRONMENT "WRENNOTE_EXE=$<TARGET_FILE:wrennote>")
