# The manual built from resources/manual by the companion.
wren_add_test(manual_test
    SOURCES unit/manual/ManualTest.cpp
    LIBS wrencore
    LABELS unit)
add_dependencies(manual_test wrennote_manual)
target_compile_definitions(manual_test PRIVATE
    WRENNOTE_MANUAL="${CMAKE_BINARY_DIR}/share/wrennote/Manual.wrn")
