#include "links/LinkTarget.h"

#include "doc/DocPaths.h"
#include "doc/WrenDoc.h"

#include <QProcess>

namespace {

bool isAsciiDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isAsciiLetter(QChar c) {
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
}

// "scheme:" of at least two characters, so that "C:\x" stays a path.
bool hasScheme(const QString& text) {
    if (text.isEmpty() || !isAsciiLetter(text.at(0)))
        return false;
    for (qsizetype i = 1; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char(':'))
            return i >= 2;
        if (!isAsciiLetter(c) && !isAsciiDigit(c) && c != QLatin1Char('+') &&
            c != QLatin1Char('-') && c != QLatin1Char('.'))
            return false;
    }
    return false;
}

// A relative path needs the document's folder; the process's working folder
// is no place a user meant.
QString absolutePath(const TWrenDoc& doc, const QString& path) {
    if (IsRelativePath(path) && !doc.HasFileName())
        return QString();
    return doc.MakeAbsolutePath(path);
}

} // namespace

namespace LinkTarget {

TNodeLinkBody ParseNodeLink(const QString& body) {
    TNodeLinkBody result;
    qsizetype i = body.size() - 1;
    while (i > 0 && isAsciiDigit(body.at(i)))
        --i;
    if (i < 0 || body.at(i) != QLatin1Char(';')) {
        result.Title = body;
        return result;
    }
    const QString digits = body.mid(i + 1);
    bool ok = false;
    const int32_t id = digits.toInt(&ok);
    if (!ok) {
        result.Error = QStringLiteral("「%1」は有効な整数ではありません。").arg(digits);
        return result;
    }
    result.Title = body.left(i);
    result.NodeId = id;
    return result;
}

TLineLinkBody ParseLineLink(const QString& body) {
    TLineLinkBody result;
    static const QString separator = QStringLiteral("/node:");
    const qsizetype at = body.indexOf(separator);
    if (at < 0) {
        result.LineText = body;
        return result;
    }
    result.LineText = body.left(at);
    result.HasNode = true;
    result.Node = ParseNodeLink(body.mid(at + separator.size()));
    return result;
}

TFileLinkTarget ParseFileLink(const TWrenDoc& doc, const QString& body) {
    TFileLinkTarget result;
    result.Path = absolutePath(doc, body);
    if (result.Path.isEmpty())
        return result;
    if (IsUrl(result.Path)) {
        result.Url = QUrl(result.Path, QUrl::TolerantMode);
        return result;
    }
    result.IsOutline = ExtOf(result.Path).toLower() == QLatin1String(".wrn");
    result.Url = QUrl::fromLocalFile(result.Path);
    return result;
}

TCommandLine ParseCommandLine(const QString& body) {
    TCommandLine result;
    QStringList parts = QProcess::splitCommand(body);
    if (parts.isEmpty())
        return result;
    result.Program = parts.takeFirst();
    result.Arguments = parts;
    return result;
}

QUrl SystemOpenUrl(const TWrenDoc& doc, const QString& text) {
    if (text.isEmpty())
        return QUrl();
    if (hasScheme(text))
        return QUrl(text, QUrl::TolerantMode);
    const QString path = absolutePath(doc, text);
    return path.isEmpty() ? QUrl() : QUrl::fromLocalFile(path);
}

TLinkClick ClickAction(const TWrenDoc& doc, LinkKind kind, const QString& clickText) {
    TLinkClick click;
    click.Text = clickText;
    switch (kind) {
    case LinkHttp:
    case LinkHttps:
    case LinkFtp:
    case LinkMailto:
        click.Action = LinkAction::OpenWithSystem;
        click.Url = QUrl(clickText, QUrl::TolerantMode);
        break;
    case LinkNewWren:
        click.Action = LinkAction::OpenWithSystem;
        click.Url = SystemOpenUrl(doc, clickText);
        break;
    case LinkFile:
        click.Action = LinkAction::FollowFile;
        click.File = ParseFileLink(doc, clickText);
        break;
    case LinkNode:
        click.Action = LinkAction::FollowNode;
        break;
    case LinkLine:
        click.Action = LinkAction::FollowLine;
        break;
    case LinkCmd:
        click.Action = LinkAction::RunCommand;
        click.Command = ParseCommandLine(clickText);
        break;
    case LinkNone:
        break;
    }
    if (click.Action == LinkAction::OpenWithSystem && !click.Url.isValid())
        click.Action = LinkAction::None;
    if (click.Action == LinkAction::RunCommand && !click.Command.valid())
        click.Action = LinkAction::None;
    if (click.Action == LinkAction::FollowFile && !click.File.valid())
        click.Action = LinkAction::None;
    return click;
}

} // namespace LinkTarget
