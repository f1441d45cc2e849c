list(APPEND WRENCORE_SOURCES
    outline/Outline.cpp
    outline/LeafNote.cpp
    outline/ItemFiling.cpp
    outline/DeletionRecord.cpp
)
