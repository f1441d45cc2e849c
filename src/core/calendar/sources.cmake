# sources of src/core/calendar
