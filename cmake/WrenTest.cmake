find_package(GTest REQUIRED)

# wren_add_test(NAME SOURCES a.cpp b.cpp LIBS lib... LABELS unit|gui|desktop [NO_MAIN])
# A main() is supplied: unit tests get a QCoreApplication (tests/support/TestMain.cpp),
# gui and desktop tests a QApplication (tests/support/GuiTestMain.cpp). Pass NO_MAIN
# to write your own.
function(wren_add_test NAME)
    cmake_parse_arguments(T "NO_MAIN" "" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${NAME} ${T_SOURCES})
    target_link_libraries(${NAME} PRIVATE ${T_LIBS} wrentestsupport GTest::gtest GTest::gmock)
    if(NOT T_NO_MAIN)
        if("gui" IN_LIST T_LABELS OR "desktop" IN_LIST T_LABELS)
            target_link_libraries(${NAME} PRIVATE wrentestguimain)
        else()
            target_link_libraries(${NAME} PRIVATE wrentestmain)
        endif()
    endif()
    add_test(NAME ${NAME} COMMAND ${NAME})
    set(_env "WRENNOTE_TEST_DATA=${CMAKE_SOURCE_DIR}/tests/data")
    if("gui" IN_LIST T_LABELS)
        list(APPEND _env "QT_QPA_PLATFORM=offscreen")
    endif()
    set_tests_properties(${NAME} PROPERTIES LABELS "${T_LABELS}" ENVIRONMENT "${_env}" TIMEOUT 600)
endfunction()
