wren_add_test(test_outline
    SOURCES unit/outline/OutlineTest.cpp unit/outline/LeafNoteTest.cpp
            unit/outline/ByteStreamTest.cpp unit/outline/Cp932Test.cpp
            unit/outline/TreeEditingTest.cpp
    LIBS wrencore Qt6::Test
    LABELS unit)
