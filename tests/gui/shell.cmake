# GUI tests of the main window (offscreen). The support library is shared
# with the tree tests.
add_library(wrenguitestsupport STATIC ${CMAKE_CURRENT_SOURCE_DIR}/support/GuiSupport.cpp)
target_include_directories(wrenguitestsupport PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/support)
target_link_libraries(wrenguitestsupport PUBLIC wrengui wrentestsupport Qt6::Test GTest::gtest)

wren_add_test(gui_shell
    SOURCES
        gui/shell/main.cpp
        gui/shell/CommandTableTest.cpp
        gui/shell/ItemCommandsTest.cpp
        gui/shell/LayoutTest.cpp
        gui/shell/ImportTextTest.cpp
        gui/shell/HistoryTest.cpp
        gui/shell/JapaneseTextsTest.cpp
        gui/shell/PortalHotKeyTest.cpp
        gui/shell/TrayPresenceTest.cpp
    LIBS wrenguitestsupport
    LABELS gui
    NO_MAIN)
