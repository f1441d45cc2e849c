# Reading and writing generated outlines of 10 000 and 100 000 items.
add_executable(bench_file file/BenchFile.cpp)
target_link_libraries(bench_file PRIVATE wrencore benchmark::benchmark)
