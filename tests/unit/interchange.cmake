# Other programs' outlines in and out: fixtures written in the tests the way
# those programs write them. Pages go through QTextDocument, so offscreen.
wren_add_test(test_interchange
    SOURCES unit/interchange/InterchangeFixtures.cpp unit/interchange/OpmlTest.cpp
            unit/interchange/MarkdownTest.cpp unit/interchange/CherryTreeTest.cpp
            unit/interchange/TreeLineAndHtmlTest.cpp
            unit/interchange/ExportStreamTest.cpp
    LIBS wreninterchange Qt6::Sql
    LABELS gui)
