# sources of src/core/search
