#include "settings/DateFormatFile.h"

#include "common/ProgramFolder.h"
#include "file/BoundedFile.h"
#include "file/Cp932.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

static void initSettingsResources() {
    Q_INIT_RESOURCE(settings_files);
}

namespace DateFormatFile {

namespace {

bool usable(const QString& line) {
    if (line.trimmed().isEmpty() || line.size() > MaxLineLength)
        return false;
    QChar quote;
    for (QChar c : line) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || c == QChar::ReplacementCharacter)
            return false;
        if (quote.isNull() && (c == QLatin1Char('"') || c == QLatin1Char('\'')))
            quote = c;
        else if (c == quote)
            quote = QChar();
    }
    return quote.isNull();
}

} // namespace

QString Path() {
    return ProgramFolder() + QStringLiteral("/DateFormat.txt");
}

bool InstallDefault(QString* error) {
    initSettingsResources();
    return InstallShippedFile(QStringLiteral("DateFormat.txt"),
                              QStringLiteral(":/settings/DateFormat.txt"), error);
}

QStringList Parse(const QByteArray& bytes, int* skipped) {
    static const QByteArray Utf8Bom("\xEF\xBB\xBF");
    const bool utf8 = bytes.startsWith(Utf8Bom);
    QStringList out;
    int bad = 0;
    qsizetype pos = utf8 ? Utf8Bom.size() : 0;
    while (pos < bytes.size()) {
        qsizetype end = pos;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        const QByteArrayView raw(bytes.constData() + pos, end - pos);
        pos = end + 1;
        if (end + 1 < bytes.size() && bytes[end] == '\r' && bytes[end + 1] == '\n')
            ++pos;
        if (raw.isEmpty())
            continue; // blank separators are not broken lines
        QString line;
        bool readable = true;
        if (utf8) {
            QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            line = decoder.decode(raw);
            readable = !decoder.hasError();
        } else {
            line = Cp932::toUnicode(raw.data(), raw.size());
        }
        if (!readable || !usable(line) || out.size() >= MaxEntries) {
            ++bad;
            continue;
        }
        out << line;
    }
    if (skipped)
        *skipped = bad;
    return out;
}

TLoaded Load() {
    TLoaded r;
    const BoundedFile::Result file = BoundedFile::Read(Path(), MaxFileSize);
    switch (file.failure) {
    case BoundedFile::Failure::None:
        r.found = true;
        r.formats = Parse(file.bytes, &r.skipped);
        break;
    case BoundedFile::Failure::Missing:
        break;
    case BoundedFile::Failure::TooLarge:
        r.found = true;
        r.error = QStringLiteral("「%1」が大きすぎます（%2 バイト）。1 MiB までです。")
                      .arg(Path())
                      .arg(file.size);
        break;
    case BoundedFile::Failure::NotRegular:
        r.found = true;
        r.error = QStringLiteral("「%1」は通常のファイルではありません。").arg(Path());
        break;
    case BoundedFile::Failure::OpenFailed:
    case BoundedFile::Failure::ReadFailed:
        r.found = true;
        r.error = QStringLiteral("「%1」を読み込めません。%2").arg(Path(), file.reason);
        break;
    }
    return r;
}

} // namespace DateFormatFile
