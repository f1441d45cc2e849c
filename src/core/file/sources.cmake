list(APPEND WRENCORE_SOURCES
    file/ByteStream.cpp
    file/Cp932.cpp
    file/ItemRecord.cpp
    file/LkpReader.cpp
    file/OutlineFile.cpp
    file/SampleOutline.cpp
)
