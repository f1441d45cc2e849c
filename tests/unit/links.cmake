wren_add_test(test_links
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/links/LinkScanTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/links/LinkTargetTest.cpp
    LIBS wrencore
    LABELS unit
)
