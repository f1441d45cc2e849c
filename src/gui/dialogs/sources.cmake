# sources of src/gui/dialogs
list(APPEND WRENGUI_SOURCES
    dialogs/FileDialog.cpp
    dialogs/MessageBox.cpp
)
