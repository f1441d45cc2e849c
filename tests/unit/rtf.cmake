# The reader core without a GUI: tokenizer, plain text, real-world samples.
wren_add_test(rtf_test
    SOURCES unit/rtf/TokenizerTest.cpp unit/rtf/PlainTextTest.cpp
            unit/rtf/SamplesTest.cpp
    LIBS wrenrtf
    LABELS unit)

# Reading into and writing from QTextDocument (offscreen).
wren_add_test(rtf_document_test
    SOURCES unit/rtf/DocumentTest.cpp unit/rtf/RoundTripTest.cpp unit/rtf/FidelityTest.cpp
            unit/rtf/TableTest.cpp unit/rtf/StyleTest.cpp
            unit/rtf/PictureTest.cpp
    LIBS wrenrtf
    LABELS gui)
