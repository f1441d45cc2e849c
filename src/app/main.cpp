#include "CommandLine.h"
#include "shell/StartUp.h"

#include <QStringList>

#include <cstdio>

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const TCommandLine line = TCommandLine::Parse(args);
    switch (line.action) {
    case TCommandLine::Help:
        std::fputs(TCommandLine::Usage().toUtf8().constData(), stdout);
        return ExitOk;
    case TCommandLine::Version:
        std::fputs(TCommandLine::VersionText().toUtf8().constData(), stdout);
        return ExitOk;
    case TCommandLine::Mistake:
        std::fprintf(stderr, "wrennote: %s\n", line.mistake.toUtf8().constData());
        return ExitUsage;
    case TCommandLine::Clip:
        return RunClipCommand(line, argc, argv);
    case TCommandLine::Start:
        break;
    }
    return RunWrenNote(argc, argv);
}
