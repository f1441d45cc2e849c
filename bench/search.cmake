add_executable(bench_search ${CMAKE_CURRENT_LIST_DIR}/search/BenchSearch.cpp)
target_link_libraries(bench_search PRIVATE wrencore benchmark::benchmark)
# The focus tray in the window (offscreen): listings and sorting.
add_executable(bench_tray ${CMAKE_CURRENT_LIST_DIR}/search/BenchTray.cpp)
target_link_libraries(bench_tray PRIVATE wrenguibenchmain)
