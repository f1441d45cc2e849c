# sources of src/gui/tree
list(APPEND WRENGUI_SOURCES
    tree/ExplorerView.cpp
    tree/ItemCommands.cpp
    tree/NodeImages.cpp
    tree/OutlineModel.cpp
    tree/TreeCommands.cpp
    tree/TreeDragDrop.cpp
)
