# sources of src/core/outline
