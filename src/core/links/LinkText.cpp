#include "links/LinkText.h"

#include "doc/WrenDoc.h"
#include "file/Cp932.h"
#include "links/LinkKind.h"
#include "links/LinkScan.h"
#include "outline/LeafNote.h"

namespace {

const QString kLineSeparator = QStringLiteral("/node:");

// A ">" or control character in a title would end the link inside it. Both
// are single bytes in cp932, so the bytes can be replaced one by one.
QByteArray linkableTitle(const QByteArray& title) {
    QByteArray out;
    out.reserve(title.size());
    for (const char c : title) {
        const auto b = static_cast<unsigned char>(c);
        if (b == '>')
            out.append("\x81\x84"); // full-width ">"
        else if (!IsBodyChar(b))
            out.append(' ');
        else
            out.append(c);
    }
    return out;
}

// The trash's id (-1) is no run of digits; ";0" keeps a title that ends in
// ";" and digits from being read as an id.
QByteArray idPart(int32_t id) {
    return ";" + QByteArray::number(id < 0 ? 0 : id);
}

// Only the beginning of a line is matched, so cutting the line where the link
// would end (or read "/node:") still finds it; the whole body must also fit
// in what a click hands on.
QString linkableLine(const QString& line, qsizetype room) {
    qsizetype end = 0;
    while (end < line.size() && IsBodyChar(line.at(end).unicode()))
        ++end;
    const qsizetype separator = line.indexOf(kLineSeparator);
    if (separator >= 0 && separator < end)
        end = separator;
    if (end > room)
        end = room < 0 ? 0 : room;
    // Never end between the two halves of a surrogate pair.
    if (end > 0 && end < line.size() && line.at(end - 1).isHighSurrogate())
        --end;
    return line.left(end);
}

QString prefix(LinkKind kind) {
    return QLatin1Char('<') + QLatin1String(LinkPrefixes[size_t(kind)]);
}

} // namespace

namespace LinkText {

QByteArray NodeLinkText(TLeafNote& item) {
    const int32_t id = item.AssignNodeId();
    return "<" + QByteArray(LinkPrefixes[LinkNode]) + linkableTitle(item.Title) + idPart(id) + ">";
}

QByteArray NodeLinkClipboardText(TLeafNote& item) {
    return " " + NodeLinkText(item) + " ";
}

QString LineLinkInside(const QString& line) {
    return prefix(LinkLine) + linkableLine(line, LinkScan::MaxClickBody) + QLatin1Char('>');
}

QString LineLinkOutside(const QString& line, TLeafNote& item) {
    const int32_t id = item.AssignNodeId();
    const QString node = kLineSeparator + Cp932::toUnicode(linkableTitle(item.Title) + idPart(id));
    return prefix(LinkLine) + linkableLine(line, LinkScan::MaxClickBody - node.size()) + node +
           QLatin1Char('>');
}

QString FileLinkText(const QString& path) {
    return prefix(LinkFile) + path + QLatin1Char('>');
}

QString FileLinksText(const TWrenDoc& doc, const QStringList& paths) {
    if (paths.size() == 1)
        return FileLinkText(doc.MakeRelativePath(paths.front()));
    const QString crlf = QStringLiteral("\r\n");
    QString text = crlf;
    for (const QString& path : paths)
        text += FileLinkText(doc.MakeRelativePath(path)) + crlf;
    return text;
}

} // namespace LinkText
