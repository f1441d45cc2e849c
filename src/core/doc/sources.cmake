# sources of src/core/doc
list(APPEND WRENCORE_SOURCES
    doc/DiskIdentity.cpp
    doc/DocPaths.cpp
    doc/DocumentMerge.cpp
    doc/SyncCopies.cpp
    doc/SafeFile.cpp
    doc/WrenDoc.cpp
)
