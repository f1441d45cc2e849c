add_executable(bench_rtf ${CMAKE_CURRENT_SOURCE_DIR}/rtf/BenchRtf.cpp)
target_link_libraries(bench_rtf PRIVATE wrenrtf benchmark::benchmark)
# Measuring against LibreOffice's reading of the same files: scripts/rtf_corpus.sh
add_executable(rtf_corpus ${CMAKE_CURRENT_SOURCE_DIR}/rtf/RtfCorpus.cpp)
target_link_libraries(rtf_corpus PRIVATE wrenrtf)
