# GUI tests of the options dialog (offscreen).
wren_add_test(gui_settings
    SOURCES
        gui/settings/main.cpp
        gui/settings/OptionFormTest.cpp
    LIBS wrenguitestsupport
    LABELS gui
    NO_MAIN)
