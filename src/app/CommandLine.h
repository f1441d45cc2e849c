#pragma once

#include <QString>
#include <QStringList>

// The wrennote command line, read before any application object exists so
// that --help, --version and mistakes need no display.
struct TCommandLine {
    enum Action { Start, Help, Version, Clip, Mistake };
    Action action = Start;
    // --clip -: the text comes from standard input, not the clipboard.
    bool clipStdin = false;
    // --clip DOCUMENT: the document whose window takes the clip.
    QString clipDocument;
    // One line, for Mistake.
    QString mistake;

    static TCommandLine Parse(const QStringList& args);
    static QString Usage();
    static QString VersionText();
};

// Exit codes of the command line.
enum : int { ExitOk = 0, ExitFailed = 1, ExitUsage = 2 };

// Runs `wrennote --clip`: reads the text and hands it to the running instance
// (starting one on the document when none runs). Prints one line on failure.
int RunClipCommand(const TCommandLine& line, int& argc, char** argv);
