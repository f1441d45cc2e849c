# sources of src/gui/document: the document's file among other programs
list(APPEND WRENGUI_SOURCES
    document/DocumentWatch.cpp
    document/MergeForm.cpp
)
