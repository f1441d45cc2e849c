add_executable(bench_search ${CMAKE_CURRENT_LIST_DIR}/search/BenchSearch.cpp)
target_link_libraries(bench_search PRIVATE wrencore benchmark::benchmark)
