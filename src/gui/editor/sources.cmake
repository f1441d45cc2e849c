# sources of src/gui/editor
list(APPEND WRENGUI_SOURCES
    editor/RichEditLink.cpp
    editor/KesRuler.cpp
    editor/PageCommands.cpp
    editor/LinkHighlighter.cpp
    editor/PageLinks.cpp
    editor/PageFileCommands.cpp
    editor/PagePictures.cpp
    editor/PageView.cpp
)
