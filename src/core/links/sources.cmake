# sources of src/core/links
