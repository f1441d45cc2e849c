# sources of src/platform
list(APPEND WRENPLATFORM_SOURCES
    HotKey.cpp
    PortalShortcut.cpp
    TrayPresence.cpp
    DataControl.cpp
    SingleInstance.cpp
    FileTypes.cpp
)
