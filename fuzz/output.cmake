wren_add_fuzzer(fuzz_template SOURCES ${CMAKE_CURRENT_LIST_DIR}/FuzzTemplate.cpp LIBS wrencore)
