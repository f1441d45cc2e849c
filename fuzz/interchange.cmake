# Readers of other programs' outlines: OPML, Markdown, CherryTree (.ctd, .ctb), TreeLine.
wren_add_fuzzer(fuzz_opml SOURCES interchange/FuzzOpml.cpp LIBS wreninterchange)
wren_add_fuzzer(fuzz_markdown SOURCES interchange/FuzzMarkdown.cpp LIBS wreninterchange)
wren_add_fuzzer(fuzz_ctd SOURCES interchange/FuzzCherryXml.cpp LIBS wreninterchange)
wren_add_fuzzer(fuzz_ctb SOURCES interchange/FuzzCherrySqlite.cpp LIBS wreninterchange)
wren_add_fuzzer(fuzz_trln SOURCES interchange/FuzzTreeLine.cpp LIBS wreninterchange)
