list(APPEND WRENCORE_SOURCES
    file/ByteStream.cpp
    file/Cp932.cpp
)
