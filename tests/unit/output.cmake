wren_add_test(test_output
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/output/TextExportTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/output/TemplatesTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/output/GapBufferTest.cpp
    LIBS wrencore
    LABELS unit
)
wren_add_test(test_output_rtf
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/output/RtfExportTest.cpp
    LIBS wrenoutputrtf
    LABELS gui
)
