# sources of src/platform
list(APPEND WRENPLATFORM_SOURCES
    HotKey.cpp
    SingleInstance.cpp
    FileTypes.cpp
)
