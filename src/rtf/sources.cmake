# sources of src/rtf
list(APPEND WRENRTF_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/RtfTokenizer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RtfCodePages.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RtfParser.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RtfReader.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RtfWriter.cpp
)
