#pragma once

#include "outline/Outline.h"
#include "settings/OptionDesc.h"

#include <QStringList>

#include <functional>
#include <vector>

// A wrennote-cli command. Each command file registers its commands with a
// static TCliRegistrar, so main.cpp never needs to know them.
struct TCliCommand {
    QString Name;
    QString Usage; // one line, shown by "wrennote-cli help"
    // Receives the arguments after the command name; returns the exit code
    // (0 ok, 1 failure, 2 usage error).
    std::function<int(const QStringList&)> Run;
    // Rich text needs a QGuiApplication (fonts); it runs on the offscreen platform.
    bool NeedsGui = false;
};

// Thrown by a command for a usage error; main prints it and exits with 2.
struct TCliUsageError {
    QString Message;
};

std::vector<TCliCommand>& CliCommands();

struct TCliRegistrar {
    explicit TCliRegistrar(TCliCommand command) { CliCommands().push_back(std::move(command)); }
};

// "export --format": the document or a branch as OPML, Markdown or HTML.
int RunFormatExport(const QStringList& args);

// Prints one line on standard error and returns 1: "<file>: <what is wrong>".
int CliFail(const QString& file, const QString& message);
// Writes UTF-8 to standard output.
void CliOut(const QString& text);

// A document read by a command: its settings and its outline. A command
// runs once per process, so the items are left to the system at the end.
struct TCliDocument {
    TOptionDesc settings;
    TOutline outline{&settings};
    TCliDocument() = default;
    TCliDocument(const TCliDocument&) = delete;
    TCliDocument& operator=(const TCliDocument&) = delete;
    ~TCliDocument() { outline.abandonForExit(); }
};

// Writes doc to path as a .wrn, streamed, and prints "<path>: N items, M
// bytes" (items: the outline's count unless given). 0, or 1 after saying
// what failed.
int CliWriteDocument(const QString& path, TCliDocument& doc, qint64 items = -1);
