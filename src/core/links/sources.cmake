# sources of src/core/links
list(APPEND WRENCORE_SOURCES
    links/LinkScan.cpp
    links/LinkTarget.cpp
)
