# sources of src/core/output
