list(APPEND WRENCORE_SOURCES
    common/Clock.cpp
    common/DateTime.cpp
    common/ReplacingFile.cpp
    common/DateFormat.cpp
    common/ProgramFolder.cpp
    common/FileError.cpp
    common/CharCount.cpp
)
