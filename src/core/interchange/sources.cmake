# wreninterchange: other programs' outlines in (OPML, Markdown, CherryTree,
# TreeLine) and out (OPML, Markdown, HTML). Pages go through QTextDocument
# and our RTF reader and writer, so this sits beside wrencore on wrenrtf;
# CherryTree's .ctb is read through Qt SQL's SQLite driver. Never a widget.
add_library(wreninterchange STATIC
    ${CMAKE_CURRENT_SOURCE_DIR}/interchange/Branch.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/interchange/CherryTree.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/interchange/EveryCore.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/interchange/Export.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/interchange/ExportWalk.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/interchange/Html.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/interchange/Markdown.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/interchange/Opml.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/interchange/TreeLine.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/interchange/XmlInput.cpp
)
target_include_directories(wreninterchange PUBLIC ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(wreninterchange PUBLIC wrencore wrenrtf Qt6::Gui Qt6::Sql)
