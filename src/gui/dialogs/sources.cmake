# sources of src/gui/dialogs
