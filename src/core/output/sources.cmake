# sources of src/core/output
list(APPEND WRENCORE_SOURCES
    output/TemplateFill.cpp
    output/OutputEngine.cpp
    output/OutputTemplates.cpp
)
