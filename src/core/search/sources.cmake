# sources of src/core/search
list(APPEND WRENCORE_SOURCES
    search/FindDesc.cpp
)
