# Images of the main window (drawn by us), compiled into wrengui.
target_sources(wrengui PRIVATE ${CMAKE_SOURCE_DIR}/resources/icons/wrengui_icons.qrc)
