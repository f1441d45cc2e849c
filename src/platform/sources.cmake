# sources of src/platform
