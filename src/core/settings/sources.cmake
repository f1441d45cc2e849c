# sources of src/core/settings
list(APPEND WRENCORE_SOURCES
    settings/ColumnKinds.cpp
    settings/DateFormatFile.cpp
    settings/OptionDesc.cpp
    settings/DefaultsStore.cpp
)
