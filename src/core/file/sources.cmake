list(APPEND WRENCORE_SOURCES
    file/BoundedFile.cpp
    file/ByteStream.cpp
    file/Cp932.cpp
    file/HierText.cpp
    file/ItemRecord.cpp
    file/LkpReader.cpp
    file/OutlineFile.cpp
    file/SampleOutline.cpp
)
