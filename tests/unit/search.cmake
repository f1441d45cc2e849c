wren_add_test(test_search
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/search/ScannerTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/search/MatchesTest.cpp
    LIBS wrencore
    LABELS unit
)
