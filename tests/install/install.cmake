# Installing into a temporary prefix and starting from it.
add_test(NAME install_test
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/install_test.sh ${CMAKE_BINARY_DIR})
set_tests_properties(install_test PROPERTIES LABELS gui TIMEOUT 300)
