wren_add_test(doc_unit_tests
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/doc/DocPathsTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/doc/WrenDocTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/doc/HistoryTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/doc/SaveFaultsTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/doc/HardeningTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/doc/SyncTest.cpp
    LIBS wrencore
    LABELS unit)

wren_add_test(doc_platform_tests
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/doc/SingleInstanceTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/doc/SingleInstanceHardeningTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/doc/SingleInstanceClipTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/doc/FileTypesTest.cpp
    LIBS wrenplatform Qt6::Test
    LABELS unit)
target_compile_definitions(doc_platform_tests PRIVATE WRENNOTE_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
