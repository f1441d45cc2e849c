# Desktop tests of the main window under a real X server: each test program
# starts its own Xvfb. The helper sets the clipboard from another process.
add_executable(wren_clip_helper ${CMAKE_CURRENT_SOURCE_DIR}/desktop/shell/ClipHelper.cpp)
target_link_libraries(wren_clip_helper PRIVATE Qt6::Gui wrenplatform)

wren_add_test(desktop_shell
    SOURCES
        support/DesktopTestMain.cpp
        desktop/shell/HotKeyClipboardTest.cpp
        desktop/shell/ClipCommandTest.cpp
        desktop/shell/TrayHostTest.cpp
        desktop/shell/SystemLocaleTest.cpp
        desktop/shell/TrayTest.cpp
    LIBS wrenguitestsupport
    LABELS desktop
    NO_MAIN)
add_dependencies(desktop_shell wren_clip_helper wrennote)
set_property(TEST desktop_shell APPEND PROPERTY ENVIRONMENT "WRENNOTE_EXE=$<TARGET_FILE:wrennote>")
target_compile_definitions(desktop_shell PRIVATE
    WREN_CLIP_HELPER="$<TARGET_FILE:wren_clip_helper>")

# The real program started hidden in the tray (HideForm, StayOn).
add_test(NAME desktop_start_hidden
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/desktop/start_hidden_test.sh $<TARGET_FILE:wrennote>)
set_tests_properties(desktop_start_hidden PROPERTIES LABELS desktop TIMEOUT 120)
add_test(NAME desktop_start_without_tray
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/desktop/start_hidden_test.sh $<TARGET_FILE:wrennote> --no-tray)
set_tests_properties(desktop_start_without_tray PROPERTIES LABELS desktop TIMEOUT 120)

# Clipping under a headless Wayland compositor (sway): the script sets it up,
# as an unprivileged user when run as root, and skips without sway.
add_executable(desktop_wayland_clip desktop/wayland/WaylandClipTest.cpp)
target_link_libraries(desktop_wayland_clip PRIVATE wrenguitestsupport wrentestsupport GTest::gtest)
add_dependencies(desktop_wayland_clip wrennote)
add_test(NAME desktop_wayland
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/desktop/wayland_test.sh
            $<TARGET_FILE:desktop_wayland_clip> $<TARGET_FILE:wrennote>)
set_tests_properties(desktop_wayland PROPERTIES LABELS desktop TIMEOUT 300 SKIP_RETURN_CODE 77)
