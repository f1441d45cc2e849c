# GUI tests of the outline model and tree view (offscreen).
wren_add_test(gui_tree
    SOURCES
        gui/tree/main.cpp
        gui/tree/OutlineModelTest.cpp
        gui/tree/TreeCommandsTest.cpp
        gui/tree/DragDropTest.cpp
    LIBS wrenguitestsupport
    LABELS gui
    NO_MAIN)
