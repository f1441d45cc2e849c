# Readers of outline files: the ".wrn" document with its item records, and the ".lkp" import.
wren_add_fuzzer(fuzz_outline SOURCES file/FuzzOutline.cpp LIBS wrencore)
wren_add_fuzzer(fuzz_lkp SOURCES file/FuzzLkp.cpp LIBS wrencore)
wren_add_fuzzer(fuzz_hiertext SOURCES file/FuzzHierText.cpp LIBS wrencore)
