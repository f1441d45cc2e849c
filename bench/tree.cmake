# Tree editing commands on a 100 000-item outline shown in the window (offscreen).
add_executable(bench_tree tree/BenchTree.cpp)
target_link_libraries(bench_tree PRIVATE wrenguibenchmain)
