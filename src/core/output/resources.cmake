# Default output templates, compiled into wrencore and copied into the
# program folder's "Output" when it holds none.
file(GLOB _wren_output_templates CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/resources/output/*.txt
    ${CMAKE_SOURCE_DIR}/resources/output/*.rtf)
qt_add_resources(wrencore output_templates
    PREFIX /output
    BASE ${CMAKE_SOURCE_DIR}/resources/output
    FILES ${_wren_output_templates})

# The RTF kind of the output engine: rich-text edits need Qt Gui and wrenrtf,
# which wrencore must not depend on.
add_library(wrenoutputrtf STATIC ${CMAKE_CURRENT_SOURCE_DIR}/output/rtf/RtfExport.cpp)
target_link_libraries(wrenoutputrtf PUBLIC wrencore wrenrtf Qt6::Gui)
