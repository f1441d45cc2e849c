# sources of src/core/settings
