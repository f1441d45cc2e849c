# sources of src/gui/settings
list(APPEND WRENGUI_SOURCES
    settings/ColorLookupComboBox.cpp
    settings/HotKeyEdit.cpp
    settings/LabelImageGrid.cpp
    settings/OptionCommands.cpp
    settings/OptionForm.cpp
)
