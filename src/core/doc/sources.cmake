# sources of src/core/doc
list(APPEND WRENCORE_SOURCES
    doc/DocPaths.cpp
    doc/SafeFile.cpp
    doc/WrenDoc.cpp
)
