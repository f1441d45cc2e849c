# Two program processes under an X server the test starts itself.
wren_add_test(desktop_doc
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/doc/TwoInstancesTest.cpp
    LIBS wrenplatform Qt6::Test
    LABELS desktop)
add_dependencies(desktop_doc wrennote)
set_property(TEST desktop_doc APPEND PROPERTY ENVIRONMENT "WRENNOTE_EXE=$<TARGET_FILE:wrennote>")
