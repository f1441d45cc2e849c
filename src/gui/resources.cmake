# Images of the main window (drawn by us).
