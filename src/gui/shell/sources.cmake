# sources of src/gui/shell
