# sources of src/gui/editor
list(APPEND WRENGUI_SOURCES
    editor/PageFileCommands.cpp
)
