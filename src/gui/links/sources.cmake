# sources of src/gui/links
list(APPEND WRENGUI_SOURCES
    links/AddFileForm.cpp
    links/LinkIcons.cpp
    links/LinkPanel.cpp
)
