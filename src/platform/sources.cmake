# sources of src/platform
list(APPEND WRENPLATFORM_SOURCES
    SingleInstance.cpp
    FileTypes.cpp
)
