# Showing rich pages and typing into a long page with many links (offscreen window).
add_executable(bench_editor editor/BenchEditor.cpp)
target_link_libraries(bench_editor PRIVATE wrenguibenchmain)
