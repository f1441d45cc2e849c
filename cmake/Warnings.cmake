# Project-wide warnings; the build is kept at zero.
add_compile_options(-Wall -Wextra -Wshadow
    $<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor> $<$<COMPILE_LANGUAGE:CXX>:-Woverloaded-virtual>)
# cp932 bytes must never turn into a QString by accident.
add_compile_definitions(QT_NO_CAST_FROM_BYTEARRAY)
