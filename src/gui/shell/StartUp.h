#pragma once

// The program from start to end: splash window, choice of the document,
// hand-over to an instance that already shows it, main window, load, the
// message loop. Returns the exit code.
int RunWrenNote(int& argc, char** argv);
