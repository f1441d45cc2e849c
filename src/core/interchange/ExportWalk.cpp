#include "interchange/ExportWalk.h"

#include "interchange/EveryCore.h"

#include "file/ByteStream.h"
#include "file/Cp932.h"
#include "links/LinkKind.h"
#include "links/LinkScan.h"
#include "links/LinkTarget.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "rtf/RtfReader.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

#include <algorithm>

namespace Interchange {

TExportWalk::TExportWalk(TOutline& outline, const TExportOptions& options)
    : m_outline(outline), m_options(options) {
    const TOutlineNode* trash = outline.trashNode();
    // Iterative, so a deep outline costs no stack.
    std::vector<std::pair<TOutlineNode*, int>> stack;
    if (options.root) {
        stack.emplace_back(options.root, 0);
    } else {
        const auto& top = outline.topLevelNodes();
        for (auto it = top.rbegin(); it != top.rend(); ++it)
            if (*it != trash)
                stack.emplace_back(*it, 0);
    }
    int unnamed = 0;
    while (!stack.empty()) {
        auto [node, depth] = stack.back();
        stack.pop_back();
        m_entries.push_back({node, depth});
        const TLeafNote* item = node->item();
        m_anchors.insert(node, item->NodeId > 0 ? QStringLiteral("wren-%1").arg(item->NodeId)
                                                : QStringLiteral("wren-x%1").arg(++unnamed));
        if (item->NodeId > 0)
            m_byId.insert(item->NodeId, node);
        const QString title = Cp932::toUnicode(item->Title);
        if (!m_byTitle.contains(title))
            m_byTitle.insert(title, node);
        const auto& children = node->children();
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            stack.emplace_back(*it, depth + 1);
    }
}

QString TExportWalk::anchor(const TOutlineNode* node) const {
    return m_anchors.value(node);
}

bool TExportWalk::step(int done) {
    if (!m_options.progress)
        return true;
    return m_options.progress(done, qint64(m_entries.size()));
}

namespace {

QString bodyOf(int kind, const QString& linkText) {
    return linkText.mid(LinkPrefixLength(kind));
}

} // namespace

QString TExportWalk::href(int kind, const QString& linkText) const {
    auto nodeHref = [this](const TNodeLinkBody& body) -> QString {
        if (!body.ok())
            return QString();
        const TOutlineNode* node = nullptr;
        if (body.NodeId > 0)
            node = m_byId.value(body.NodeId);
        if (!node)
            node = m_byTitle.value(body.Title);
        return node ? QLatin1Char('#') + m_anchors.value(node) : QString();
    };
    switch (kind) {
    case LinkHttp:
    case LinkHttps:
    case LinkFtp:
    case LinkMailto:
        return linkText;
    case LinkNode:
        return nodeHref(LinkTarget::ParseNodeLink(bodyOf(kind, linkText)));
    case LinkLine: {
        const TLineLinkBody line = LinkTarget::ParseLineLink(bodyOf(kind, linkText));
        return line.HasNode ? nodeHref(line.Node) : QString();
    }
    case LinkFile:
    case LinkNewWren: {
        QString path = bodyOf(kind, linkText).trimmed();
        if (path.isEmpty())
            return QString();
        if (path.contains(QLatin1String("://")))
            return path;
        path.replace(QLatin1Char('\\'), QLatin1Char('/'));
        const bool relative = !path.startsWith(QLatin1Char('/')) &&
                              !(path.size() > 1 && path.at(1) == QLatin1Char(':'));
        if (relative) {
            if (m_options.documentFolder.isEmpty())
                return QString::fromLatin1(QUrl(path).toEncoded());
            path = QDir(m_options.documentFolder).absoluteFilePath(path);
        }
        return QUrl::fromLocalFile(QDir::cleanPath(path)).toString(QUrl::FullyEncoded);
    }
    default:
        return QString();
    }
}

QString TExportWalk::label(int kind, const QString& linkText) {
    switch (kind) {
    case LinkNode: {
        const TNodeLinkBody body = LinkTarget::ParseNodeLink(bodyOf(kind, linkText));
        return body.Title.isEmpty() ? linkText : body.Title;
    }
    case LinkLine: {
        const TLineLinkBody line = LinkTarget::ParseLineLink(bodyOf(kind, linkText));
        return line.LineText.isEmpty() ? linkText : line.LineText;
    }
    case LinkFile:
    case LinkNewWren: {
        const QString body = bodyOf(kind, linkText);
        return body.isEmpty() ? linkText : body;
    }
    default:
        return linkText;
    }
}

std::vector<TExportWalk::LinkSpan> TExportWalk::linkSpans(QStringView text) const {
    std::vector<LinkSpan> spans;
    // Every link holds a colon; most lines hold none.
    if (!text.contains(QLatin1Char(':')))
        return spans;
    for (const TLinkMatch& m : LinkScan::LinksInRange(text, 0, text.size() - 1)) {
        const QString linkText = text.mid(m.start, m.length).toString();
        QString target = href(m.kind, linkText);
        if (target.isEmpty())
            continue;
        qsizetype from = 0, to = 0;
        linkRange(text, m, &from, &to);
        if (!spans.empty() && from < spans.back().to)
            continue;
        spans.push_back({from, to, std::move(target), label(m.kind, linkText)});
    }
    return spans;
}

void TExportWalk::splitLinks(
    QStringView text, const std::function<void(QStringView)>& words,
    const std::function<void(const QString& href, const QString& label)>& link) const {
    qsizetype pos = 0;
    for (const LinkSpan& span : linkSpans(text)) {
        words(text.mid(pos, span.from - pos));
        link(span.href, span.label);
        pos = span.to;
    }
    words(text.mid(pos));
}

void TExportWalk::linkRange(QStringView text, const TLinkMatch& m, qsizetype* from, qsizetype* to) {
    *from = m.start;
    *to = m.end();
    const bool before = *from > 0 && text.at(*from - 1) == QLatin1Char('<');
    const bool after = *to < text.size() && text.at(*to) == QLatin1Char('>');
    if (IsBracketedLink(m.kind)) {
        if (before)
            --*from;
        if (after)
            ++*to;
    } else if (before && after) {
        --*from;
        ++*to;
    }
}

QString TExportWalk::plainPage(const TLeafNote& item) {
    QString text = Cp932::toUnicode(item.PageText);
    // CR LF and a lone CR each become LF, in one pass.
    QChar* d = text.data();
    const qsizetype n = text.size();
    qsizetype o = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (d[i] == QLatin1Char('\r')) {
            d[o++] = QLatin1Char('\n');
            if (i + 1 < n && d[i + 1] == QLatin1Char('\n'))
                ++i;
        } else {
            d[o++] = d[i];
        }
    }
    text.truncate(o);
    return text;
}

void TExportWalk::loadRich(const TLeafNote& item, const QByteArray& rich, QTextDocument& doc) {
    doc.setUndoRedoEnabled(false);
    const Rtf::ReadResult r = Rtf::load(rich, doc);
    // What was read shows; the plain words when nothing was.
    if (!r.ok && doc.isEmpty())
        doc.setPlainText(plainPage(item));
}

bool TExportWalk::makeParts(const MakePart& make, const TakePart& take, TExportResult* result) {
    // Small enough for the progress to move, large enough for the helpers to
    // be woken seldom.
    constexpr size_t Batch = 512;
    const size_t n = m_entries.size();
    std::vector<QByteArray> rich, parts, ready;
    size_t readyFrom = 0;
    auto handOut = [&] {
        for (size_t i = 0; i < ready.size(); ++i)
            take(readyFrom + i, ready[i]);
        ready.clear();
    };
    for (size_t from = 0; from < n; from += Batch) {
        const size_t count = std::min(Batch, n - from);
        rich.assign(count, QByteArray());
        parts.assign(count, QByteArray());
        for (size_t i = 0; i < count; ++i) {
            TLeafNote& item = *m_entries[from + i].node->item();
            try {
                rich[i] = item.GetPage();
            } catch (const EReadError& err) {
                result->error = QStringLiteral("「%1」のページが壊れています: %2")
                                    .arg(Cp932::toUnicode(item.Title), err.message());
                return false;
            }
            // Our copy keeps the bytes; the store may let its own go.
            item.ReleasePage();
        }
        // The other cores start on this batch while this thread hands out
        // the one before (writing it, when the export goes to a file), then
        // joins them.
        OnEveryCore(
            count, [&](size_t i) { parts[i] = make(m_entries[from + i], rich[i]); }, handOut);
        std::swap(ready, parts);
        readyFrom = from;
        if (!step(int(from + count))) {
            result->cancelled = true;
            return false;
        }
    }
    handOut();
    return true;
}

void TExportWalk::applyLinks(QTextDocument& doc) const {
    // One edit: outside one, each change lays its paragraph out again.
    QTextCursor cursor(&doc);
    cursor.beginEditBlock();
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const std::vector<LinkSpan> spans = linkSpans(block.text());
        // From the last, so earlier positions stay valid while text changes.
        for (auto it = spans.crbegin(); it != spans.crend(); ++it) {
            cursor.setPosition(block.position() + int(it->from));
            cursor.setPosition(block.position() + int(it->to), QTextCursor::KeepAnchor);
            QTextCharFormat format = cursor.charFormat();
            format.setAnchor(true);
            format.setAnchorHref(it->href);
            cursor.insertText(it->label, format);
        }
    }
    cursor.endEditBlock();
}

QString TExportWalk::imageDataUrl(const QTextDocument& doc, const QString& name) {
    const QVariant v = doc.resource(QTextDocument::ImageResource, QUrl(name));
    QByteArray bytes;
    QByteArray type = "image/png";
    if (v.typeId() == QMetaType::QByteArray) {
        bytes = v.toByteArray();
        if (bytes.startsWith("\xFF\xD8"))
            type = "image/jpeg";
    } else {
        QImage image;
        if (v.typeId() == QMetaType::QImage)
            image = v.value<QImage>();
        else if (v.typeId() == QMetaType::QPixmap)
            image = v.value<QPixmap>().toImage();
        if (image.isNull())
            return QString();
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
    }
    return QStringLiteral("data:%1;base64,%2")
        .arg(QString::fromLatin1(type), QString::fromLatin1(bytes.toBase64()));
}

void TExportWalk::embedImages(QTextDocument& doc) {
    struct Found {
        int from, length;
        QTextImageFormat format;
    };
    std::vector<Found> images;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat())
                images.push_back({it.fragment().position(), it.fragment().length(),
                                  it.fragment().charFormat().toImageFormat()});
    for (Found& f : images) {
        const QString url = imageDataUrl(doc, f.format.name());
        if (url.isEmpty())
            continue;
        f.format.setName(url);
        QTextCursor c(&doc);
        c.setPosition(f.from);
        c.setPosition(f.from + f.length, QTextCursor::KeepAnchor);
        c.setCharFormat(f.format);
    }
}

void Spill(QByteArray& staged, TByteSink* sink, TExportResult& result) {
    constexpr qsizetype Chunk = 4 << 20;
    if (!sink || staged.size() < Chunk)
        return;
    sink->write(staged.constData(), staged.size());
    result.written += staged.size();
    staged.truncate(0); // keeps its room for the next
}

void Finish(QByteArray& staged, TByteSink* sink, TExportResult& result) {
    result.ok = true;
    if (sink) {
        sink->write(staged.constData(), staged.size());
        result.written += staged.size();
        staged.clear();
        return;
    }
    result.written = staged.size();
    result.bytes = std::move(staged);
}

void AppendEscaped(QString& out, QStringView text) {
    qsizetype run = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c > '>' && c < 0xFFFE)
            continue;
        QLatin1String rep;
        switch (c) {
        case '&':
            rep = QLatin1String("&amp;");
            break;
        case '<':
            rep = QLatin1String("&lt;");
            break;
        case '>':
            rep = QLatin1String("&gt;");
            break;
        case '"':
            rep = QLatin1String("&quot;");
            break;
        default:
            // Control characters neither XML nor HTML can hold.
            if ((c >= 0x20 || c == '\t' || c == '\n' || c == '\r') && c < 0xFFFE)
                continue;
        }
        out += text.mid(run, i - run);
        if (rep.isEmpty())
            out += QChar(QChar::ReplacementCharacter);
        else
            out += rep;
        run = i + 1;
    }
    out += text.mid(run);
}

} // namespace Interchange
