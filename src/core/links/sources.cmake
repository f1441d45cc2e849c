# sources of src/core/links
list(APPEND WRENCORE_SOURCES
    links/LinkJump.cpp
    links/LinkScan.cpp
    links/LinkTarget.cpp
    links/LinkText.cpp
)
