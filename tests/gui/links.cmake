# GUI tests of the link panel (offscreen).
wren_add_test(gui_links
    SOURCES
        gui/links/main.cpp
        gui/links/LinkPanelTest.cpp
    LIBS wrenguitestsupport
    LABELS gui
    NO_MAIN)
