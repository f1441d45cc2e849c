wren_add_test(test_links
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/links/LinkScanTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/links/LinkTargetTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/links/LinkJumpTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/links/LinkTextTest.cpp
    LIBS wrencore
    LABELS unit
)
