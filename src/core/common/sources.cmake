# sources of src/core/common
