wren_add_test(gui_doc
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/doc/CloseFlowTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/doc/FileCommandsTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/doc/SplashTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/doc/HardeningGuiTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/doc/SyncGuiTest.cpp
    LIBS wrengui Qt6::Test
    LABELS gui)
