#include "doc/DocPaths.h"

#include <QDir>
#include <QFileInfo>

namespace {

int lastSeparator(const QString& path) {
    return int(std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\'))));
}

bool isSeparator(QChar c) {
    return c == QLatin1Char('/') || c == QLatin1Char('\\');
}

} // namespace

QString CanonicalPath(const QString& path) {
    if (path.isEmpty())
        return path;
    const QFileInfo info(path);
    if (info.exists()) {
        const QString canonical = info.canonicalFilePath();
        if (!canonical.isEmpty())
            return canonical;
    }
    QString result = path;
    while (result.size() > 1 && isSeparator(result.back()))
        result.chop(1);
    return result;
}

QString FileNameOf(const QString& path) {
    return path.mid(lastSeparator(path) + 1);
}

QString NameWithoutExt(const QString& path) {
    QString name = FileNameOf(path);
    if (name.size() >= 4 && name.at(name.size() - 4) == QLatin1Char('.'))
        name.chop(4);
    return name;
}

QString FolderOf(const QString& path) {
    const int sep = lastSeparator(path);
    if (sep < 0)
        return QString();
    if (sep == 0)
        return path.left(1);
    return path.left(sep);
}

QString ExtOf(const QString& path) {
    const QString name = FileNameOf(path);
    const int dot = int(name.lastIndexOf(QLatin1Char('.')));
    return dot < 0 ? QString() : name.mid(dot);
}

namespace {

bool isUnsafe(char c) {
    switch (c) {
    case '*':
    case ',':
    case '/':
    case ':':
    case ';':
    case '<':
    case '>':
    case '?':
    case '\\':
    case '|':
    case '~':
        return true;
    default:
        return false;
    }
}

} // namespace

QByteArray SafeFileName(const QByteArray& cp932) {
    QByteArray out = cp932;
    for (qsizetype i = 0; i < out.size(); ++i) {
        const auto c = static_cast<unsigned char>(out.at(i));
        if (c >= 0x81 && ((c <= 0x9F) || (c >= 0xE0 && c <= 0xFC))) {
            ++i; // the trail byte may look like "\" or "|"
            continue;
        }
        if (isUnsafe(char(c)))
            out[i] = '_';
    }
    return out;
}

QString SafeFileName(const QString& text) {
    QString out = text;
    for (QChar& c : out)
        if (c.unicode() < 128 && isUnsafe(char(c.unicode())))
            c = QLatin1Char('_');
    return out;
}

bool IsUrl(const QString& text) {
    for (const char* scheme : {"http:", "https:", "mailto:", "ftp:"})
        if (text.startsWith(QLatin1String(scheme), Qt::CaseInsensitive))
            return true;
    return false;
}

bool IsRelativePath(const QString& text) {
    if (!text.isEmpty() && isSeparator(text.at(0)))
        return false;
    if (text.size() >= 2 && text.at(1) == QLatin1Char(':'))
        return false;
    return !IsUrl(text);
}

QString WithLastChars(const QString& path, const QString& replacement) {
    return path.left(path.size() - replacement.size()) + replacement;
}
