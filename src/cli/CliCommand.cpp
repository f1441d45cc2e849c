#include "CliCommand.h"

#include <cstdio>

std::vector<TCliCommand>& CliCommands() {
    static std::vector<TCliCommand> commands;
    return commands;
}

int CliFail(const QString& file, const QString& message) {
    const QByteArray line =
        (file.isEmpty() ? message : file + QStringLiteral(": ") + message).toUtf8() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    return 1;
}

void CliOut(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}
