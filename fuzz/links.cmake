# The link grammar over random page text: scan, hit test and click text.
wren_add_fuzzer(fuzz_links SOURCES links/FuzzLinks.cpp LIBS wrencore)
