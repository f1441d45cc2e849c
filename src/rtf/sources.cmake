# sources of src/rtf
