wren_add_test(dateformat_test
    SOURCES unit/common/DateFormatTest.cpp
    LIBS wrencore
    LABELS unit)
