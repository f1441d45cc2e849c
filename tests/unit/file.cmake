wren_add_test(test_file
    SOURCES unit/file/FileFixtures.cpp unit/file/ItemRecordTest.cpp unit/file/OutlineFileTest.cpp
            unit/file/LkpReaderTest.cpp unit/file/SampleOutlineTest.cpp
            unit/file/HierTextTest.cpp unit/file/Cp932CousinsTest.cpp
    LIBS wrencore Qt6::Test
    LABELS unit)
target_include_directories(test_file PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/unit/file)
