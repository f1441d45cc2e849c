#include "CliCommand.h"

#include "common/FileError.h"
#include "file/ByteStream.h"
#include "file/OutlineFile.h"

#include <cstdio>

std::vector<TCliCommand>& CliCommands() {
    static std::vector<TCliCommand> commands;
    return commands;
}

int CliFail(const QString& file, const QString& message) {
    // One line, the system's own words in brackets at its end.
    QString details;
    QString text = FileError::WithoutDetails(message, &details);
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (!details.isEmpty())
        text += QStringLiteral(" (") + details.replace(QLatin1Char('\n'), QStringLiteral("; ")) +
                QLatin1Char(')');
    const QByteArray line =
        (file.isEmpty() ? text : file + QStringLiteral(": ") + text).toUtf8() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    return 1;
}

void CliOut(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

int CliWriteDocument(const QString& path, TCliDocument& doc, qint64 items) {
    // Streamed, so that a large document is not held twice.
    QString error;
    qint64 written = 0;
    if (!OutlineFile::writeFile(
            path,
            [&doc](TByteSink& sink) {
                OutlineFile::writeDocument(doc.settings, doc.outline, sink);
            },
            &written, &error))
        return CliFail(path, error);
    CliOut(QStringLiteral("%1: %2 items, %3 bytes\n")
               .arg(path)
               .arg(items < 0 ? qint64(doc.outline.count()) : items)
               .arg(written));
    return 0;
}
