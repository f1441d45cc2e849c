# sources of src/core/file
