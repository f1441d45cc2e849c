# Whole-document figures on a generated file, beside cp, cat and grep (scripts/bench.sh).
add_executable(bench_scale scale/BenchScale.cpp)
target_link_libraries(bench_scale PRIVATE wrencore)
