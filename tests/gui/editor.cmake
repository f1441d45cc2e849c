# GUI tests of the page editor's commands (offscreen).
wren_add_test(gui_editor
    SOURCES
        gui/editor/main.cpp
        gui/editor/PageFilesTest.cpp
        gui/editor/PageEditorTest.cpp
        gui/editor/PageLinksTest.cpp
        gui/editor/PagePicturesTest.cpp
        gui/editor/KesRulerTest.cpp
    LIBS wrenguitestsupport
    LABELS gui
    NO_MAIN)
