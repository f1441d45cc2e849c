# An item dragged between two program processes under an X server the test
# starts itself; the helper is the other process.
add_executable(wren_dnd_helper ${CMAKE_CURRENT_SOURCE_DIR}/desktop/tree/DndHelper.cpp)
target_link_libraries(wren_dnd_helper PRIVATE Qt6::Widgets wrencore)

wren_add_test(desktop_tree
    SOURCES
        support/DesktopTestMain.cpp
        desktop/tree/TwoProcessDragTest.cpp
    LIBS wrenguitestsupport
    LABELS desktop
    NO_MAIN)
add_dependencies(desktop_tree wren_dnd_helper)
target_compile_definitions(desktop_tree PRIVATE
    WREN_DND_HELPER="$<TARGET_FILE:wren_dnd_helper>")
