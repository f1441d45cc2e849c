add_executable(bench_rtf ${CMAKE_CURRENT_SOURCE_DIR}/rtf/BenchRtf.cpp)
target_link_libraries(bench_rtf PRIVATE wrenrtf benchmark::benchmark)
