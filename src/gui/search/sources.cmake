# sources of src/gui/search
