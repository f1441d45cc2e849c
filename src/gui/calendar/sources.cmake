# sources of src/gui/calendar
