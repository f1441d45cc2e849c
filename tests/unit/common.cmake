wren_add_test(dateformat_test
    SOURCES unit/common/DateFormatTest.cpp
    LIBS wrencore
    LABELS unit)

wren_add_test(test_common
    SOURCES
        unit/common/ReplacingFileTest.cpp
        unit/common/ProgramFolderTest.cpp
        unit/common/FileErrorTest.cpp
    LIBS wrencore
    LABELS unit)
