#pragma once

#include <QString>

#include <functional>

// The folder the program keeps its files in (History.txt, DateFormat.txt,
// Output/, the manual): WRENNOTE_HOME when set; else the executable's folder
// when a file named "portable" stands beside the executable; else
// $XDG_DATA_HOME/WrenNOTE. Never the build folder by accident, so that a clean
// rebuild cannot take a user's history or documents with it.
struct TProgramFolder {
    QString path;
    // Why a rule could not be followed or the folder cannot be written; empty
    // when all is well. Said to the user once at start-up.
    QString problem;
};

// The rule for an executable in exeDir; writable probes a folder (tests stand
// in for a read-only medium, which root cannot make).
TProgramFolder ResolveProgramFolder(const QString& exeDir,
                                    const std::function<bool(const QString&)>& writable = {});

QString ProgramFolder();
QString ProgramFolderProblem();

// Where the shipped read-only files live: WRENNOTE_DATA_DIR when set; else
// beside the executable for a portable copy; else share/wrennote beside
// bin/ (the build folder mirrors that layout).
QString ShippedDataFolder(const QString& exeDir);
QString ShippedDataFolder();

// Copies the shipped file name (a path below the data folder) into the program
// folder unless it is there already. fallback is where the file comes from
// when the data folder has none (a resource compiled in); empty for none.
bool InstallShippedFile(const QString& name, const QString& fallback, QString* error);

// The folder a save dialog of an unnamed document starts in.
QString DocumentsFolder();
