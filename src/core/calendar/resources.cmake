# The old-calendar table JDOLDCAL, read as ":/calendar/JDOLDCAL", and the
# shipped holiday and special-day lists, copied into the program folder when
# missing there. wrencore is static, so Qt puts the resource into an object
# library that every program linking wrencore links directly; its initialiser
# then runs without Q_INIT_RESOURCE.
qt_add_resources(wrencore wrencore_oldcal
    PREFIX "/calendar"
    BASE "${CMAKE_SOURCE_DIR}/resources/calendar"
    FILES "${CMAKE_SOURCE_DIR}/resources/calendar/JDOLDCAL"
          "${CMAKE_SOURCE_DIR}/resources/calendar/Holiday.txt"
          "${CMAKE_SOURCE_DIR}/resources/calendar/MarkedDays.txt"
)
