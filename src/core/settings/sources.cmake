# sources of src/core/settings
list(APPEND WRENCORE_SOURCES
    settings/OptionDesc.cpp
    settings/DefaultsStore.cpp
)
