# The shipped "DateFormat.txt", copied into the program folder when missing there.
qt_add_resources(wrencore settings_files
    PREFIX /settings
    BASE ${CMAKE_SOURCE_DIR}/resources/settings
    FILES ${CMAKE_SOURCE_DIR}/resources/settings/DateFormat.txt)
