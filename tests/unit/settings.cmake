wren_add_test(settings_test
    SOURCES unit/settings/OptionRecordTest.cpp unit/settings/DefaultsStoreTest.cpp
    LIBS wrencore
    LABELS unit)
