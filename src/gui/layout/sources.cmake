# sources of src/gui/layout
list(APPEND WRENGUI_SOURCES
    layout/WindowLayout.cpp
)
