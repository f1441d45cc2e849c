# The RTF reader (plain text and into a document) and a write-read cycle.
wren_add_fuzzer(fuzz_rtf SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/rtf/FuzzRtf.cpp LIBS wrenrtf)
