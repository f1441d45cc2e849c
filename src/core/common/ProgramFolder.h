#pragma once

#include <QString>

// The folder the program keeps its files in (History.txt, DateFormat.txt,
// Output/): WRENNOTE_HOME when set; else the executable's folder when it is
// writable; else ~/.local/share/WrenNOTE (created when missing).
QString ProgramFolder();
