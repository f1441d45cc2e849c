# sources of src/gui/tree
