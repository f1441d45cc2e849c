wren_add_test(test_search
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/search/ScannerTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/search/MatchesTest.cpp
    LIBS wrencore
    LABELS unit
)

# search and export through the built wrennote-cli.
wren_add_test(test_cli_search
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/search/CliSearchTest.cpp
    LIBS wrencore
    LABELS unit
)
add_dependencies(test_cli_search wrennote-cli)
target_compile_definitions(test_cli_search PRIVATE WRENNOTE_CLI_PATH="$<TARGET_FILE:wrennote-cli>")
