# sources of src/gui/settings
