# GUI tests of the page editor and the format commands (offscreen).
wren_add_test(gui_page
    SOURCES
        gui/tree/main.cpp
        gui/page/PageEditorTest.cpp
    LIBS wrenguitestsupport
    LABELS gui
    NO_MAIN)
