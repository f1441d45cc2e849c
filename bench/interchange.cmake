# OPML, Markdown and HTML export and OPML and CherryTree import at 100 000 items.
add_executable(bench_interchange ${CMAKE_CURRENT_LIST_DIR}/interchange/BenchInterchange.cpp)
target_link_libraries(bench_interchange PRIVATE wreninterchange benchmark::benchmark)
