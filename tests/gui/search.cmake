# GUI tests of the focus tray, the search dialog, find and replace in the
# page and the Output menu (offscreen).
wren_add_test(gui_search
    SOURCES
        gui/search/main.cpp
        gui/search/TrayTest.cpp
        gui/search/PageFindTest.cpp
        gui/search/OutputMenuTest.cpp
    LIBS wrenguitestsupport
    LABELS gui
    NO_MAIN)
