# Tests that run the built wrennote-cli.
wren_add_test(test_cli_file
    SOURCES unit/cli/CliFileTest.cpp unit/file/FileFixtures.cpp
    LIBS wrencore
    LABELS unit)
target_include_directories(test_cli_file PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/unit/file)
add_dependencies(test_cli_file wrennote-cli)
target_compile_definitions(test_cli_file PRIVATE WRENNOTE_CLI_PATH="$<TARGET_FILE:wrennote-cli>")
set_property(TEST test_cli_file APPEND PROPERTY ENVIRONMENT "WRENNOTE_CLI=$<TARGET_FILE:wrennote-cli>")
wren_add_test(test_cli_interchange
    SOURCES unit/cli/CliInterchangeTest.cpp
    LIBS wrencore
    LABELS unit)
add_dependencies(test_cli_interchange wrennote-cli)
target_compile_definitions(test_cli_interchange PRIVATE WRENNOTE_CLI_PATH="$<TARGET_FILE:wrennote-cli>")
set_property(TEST test_cli_interchange APPEND PROPERTY ENVIRONMENT "WRENNOTE_CLI=$<TARGET_FILE:wrennote-cli>")
