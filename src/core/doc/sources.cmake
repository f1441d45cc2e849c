# sources of src/core/doc
