# sources of src/gui/interchange: the File menu's import and export submenus.
list(APPEND WRENGUI_SOURCES
    interchange/InterchangeCommands.cpp
)
