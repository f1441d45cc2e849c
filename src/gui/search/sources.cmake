# sources of src/gui/search: the focus tray, the search dialog, find and
# replace in the page, and the Output menu.
list(APPEND WRENGUI_SOURCES
    search/FindForm.cpp
    search/FocusTray.cpp
    search/FocusTrayModel.cpp
    search/OutputCommands.cpp
    search/OutputForm.cpp
    search/PageFind.cpp
    search/PageScan.cpp
    search/SearchCommands.cpp
)
