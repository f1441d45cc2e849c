# The File menu's import and export submenus (offscreen).
wren_add_test(gui_interchange
    SOURCES
        gui/interchange/main.cpp
        gui/interchange/InterchangeMenuTest.cpp
    LIBS wrenguitestsupport
    LABELS gui
    NO_MAIN)
