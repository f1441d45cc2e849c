# sources of src/rtf
list(APPEND WRENRTF_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/RtfTokenizer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RtfCodePages.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RtfParser.cpp
    ${CMAKE_CURRENT_LIST_DIR}/parser/ControlWords.cpp
    ${CMAKE_CURRENT_LIST_DIR}/parser/Groups.cpp
    ${CMAKE_CURRENT_LIST_DIR}/parser/Formats.cpp
    ${CMAKE_CURRENT_LIST_DIR}/parser/Tables.cpp
    ${CMAKE_CURRENT_LIST_DIR}/parser/Lists.cpp
    ${CMAKE_CURRENT_LIST_DIR}/parser/Fields.cpp
    ${CMAKE_CURRENT_LIST_DIR}/parser/Footnotes.cpp
    ${CMAKE_CURRENT_LIST_DIR}/parser/Pictures.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PictureData.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RtfReader.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RtfWriter.cpp
)
