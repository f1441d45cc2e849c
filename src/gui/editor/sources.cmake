# sources of src/gui/editor
