// Markdown out: headings by depth (deeper than six as nested list items),
// each with an anchor of its own so that item links find it; pages through
// Qt's Markdown writer. Markdown in: headings are items, the text under one
// its page, read by Qt's Markdown reader.
#include "file/BoundedFile.h"
#include "file/ByteStream.h"
#include "file/Cp932.h"
#include "interchange/Export.h"
#include "interchange/ExportWalk.h"
#include "interchange/Readers.h"
#include "links/LinkKind.h"
#include "links/LinkScan.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "rtf/PictureData.h"
#include "rtf/RtfReader.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>
#include <QUrl>

namespace Interchange {

namespace {

// ---- writing ----

bool isMarkdownPunct(QChar c) {
    switch (c.unicode()) {
    case '\\':
    case '`':
    case '*':
    case '_':
    case '[':
    case ']':
    case '<':
    case '>':
    case '|':
    case '~':
    case '&':
    case '!':
        return true;
    default:
        return false;
    }
}

// Inline text that Markdown must show as it is.
void appendInline(QString& out, QStringView text) {
    qsizetype run = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (isMarkdownPunct(text[i])) {
            out += text.mid(run, i - run);
            out += QLatin1Char('\\');
            run = i;
        }
    out += text.mid(run);
}

QString escapeInline(QStringView text) {
    QString out;
    out.reserve(text.size() + 8);
    appendInline(out, text);
    return out;
}

// A line of a plain page, already escaped inline: nothing at its start may
// open a block.
void appendLine(QString& out, QStringView escaped) {
    qsizetype spaces = 0;
    while (spaces < escaped.size() && escaped.at(spaces) == QLatin1Char(' '))
        ++spaces;
    // Spaces that Markdown would take for indentation are kept as
    // no-break spaces, which it shows and never strips.
    out += QString(spaces, QChar::Nbsp);
    const QStringView rest = escaped.mid(spaces);
    if (rest.isEmpty())
        return;
    const QChar c = rest.at(0);
    if (c == QLatin1Char('#') || c == QLatin1Char('+') || c == QLatin1Char('-') ||
        c == QLatin1Char('=') || c == QLatin1Char('\t')) {
        out += QLatin1Char('\\');
    } else if (c.isDigit()) {
        qsizetype d = 0;
        while (d < rest.size() && rest.at(d).isDigit())
            ++d;
        if (d < rest.size() && (rest.at(d) == QLatin1Char('.') || rest.at(d) == QLatin1Char(')'))) {
            out += rest.first(d);
            out += QLatin1Char('\\');
            out += rest.mid(d);
            return;
        }
    }
    out += rest;
}

QString linkDestination(const QString& href) {
    if (href.contains(QLatin1Char(' ')) || href.contains(QLatin1Char('(')) ||
        href.contains(QLatin1Char(')')))
        return QLatin1Char('<') + QString(href).replace(QLatin1Char('>'), QStringLiteral("%3E")) +
               QLatin1Char('>');
    return href;
}

// A plain page as Markdown: its words escaped, its links as links, its line
// breaks kept as hard breaks.
QString plainPageMarkdown(const TExportWalk& walk, const QString& page) {
    QString out;
    out.reserve(page.size() + page.size() / 8);
    QString md;
    bool previousText = false;
    for (const QStringView line : QStringView(page).tokenize(QLatin1Char('\n'))) {
        if (line.trimmed().isEmpty()) {
            if (previousText)
                out += QLatin1String("\n\n");
            previousText = false;
            continue;
        }
        if (previousText)
            out += QLatin1String("\\\n");
        md.truncate(0);
        walk.splitLinks(
            line, [&md](QStringView words) { appendInline(md, words); },
            [&md](const QString& href, const QString& label) {
                md += QLatin1Char('[');
                appendInline(md, label);
                md += QStringLiteral("](") + linkDestination(href) + QLatin1Char(')');
            });
        appendLine(out, md);
        previousText = true;
    }
    while (out.endsWith(QLatin1Char('\n')))
        out.chop(1);
    return out;
}

// Qt writes a table's delimiter row with as many dashes as the column is
// wide, and its own reader (as others) wants three at least.
QString widenTableRules(const QString& markdown) {
    static const QRegularExpression rule(QStringLiteral("^\\|(?:\\s*:?-+:?\\s*\\|)+$"),
                                         QRegularExpression::MultilineOption);
    static const QRegularExpression dashes(QStringLiteral("(?<!-)-{1,2}(?!-)"));
    QString out = markdown;
    qsizetype offset = 0;
    for (auto it = rule.globalMatch(markdown); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        QString row = m.captured(0);
        row.replace(dashes, QStringLiteral("---"));
        out.replace(m.capturedStart() + offset, m.capturedLength(), row);
        offset += row.size() - m.capturedLength();
    }
    return out;
}

QString indentLines(const QString& text, int spaces) {
    if (spaces == 0)
        return text;
    const QString pad(spaces, QLatin1Char(' '));
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& l : lines)
        if (!l.isEmpty())
            l.prepend(pad);
    return lines.join(QLatin1Char('\n'));
}

} // namespace

TExportResult ExportMarkdown(TOutline& outline, const TExportOptions& options, TByteSink* sink) {
    TExportResult result;
    TExportWalk walk(outline, options);
    auto make = [&walk](const TExportWalk::Entry& e, const QByteArray& rich) {
        const TLeafNote* item = e.node->item();
        const QString title = escapeInline(Cp932::toUnicode(item->Title));
        const QString anchor = QStringLiteral("<a id=\"%1\"></a>").arg(walk.anchor(e.node));
        QString part;
        int pageIndent = 0;
        if (e.depth < 6) {
            part = QString(e.depth + 1, QLatin1Char('#')) + QLatin1Char(' ') + anchor + title;
        } else {
            const int indent = 2 * (e.depth - 6);
            part = QString(indent, QLatin1Char(' ')) + QStringLiteral("- ") + anchor + title;
            pageIndent = indent + 2;
        }
        part += QLatin1String("\n\n");
        QString page;
        if (rich.isEmpty()) {
            page = plainPageMarkdown(walk, TExportWalk::plainPage(*item));
        } else {
            QTextDocument doc;
            TExportWalk::loadRich(*item, rich, doc);
            walk.applyLinks(doc);
            TExportWalk::embedImages(doc);
            page = doc.toMarkdown(QTextDocument::MarkdownDialectGitHub);
            // Tables are frames, and only they have rules to widen.
            if (!doc.rootFrame()->childFrames().isEmpty())
                page = widenTableRules(page);
            page = page.trimmed();
        }
        if (!page.isEmpty())
            part += indentLines(page, pageIndent) + QLatin1String("\n\n");
        return part.toUtf8();
    };
    QByteArray bytes;
    if (!sink)
        bytes.reserve(qsizetype(walk.entries().size()) * 1024);
    auto take = [&](size_t, const QByteArray& part) {
        bytes += part;
        Spill(bytes, sink, result);
    };
    if (!walk.makeParts(make, take, &result))
        return result;
    Finish(bytes, sink, result);
    result.count = int(walk.entries().size());
    return result;
}

// ---- reading ----

namespace {

struct Section {
    int depth = 0;
    QString title;
    QStringList lines;
    QString anchor;        // our own, when the heading carries one
    QString slug;          // as web sites make one of the heading
    bool listItem = false; // one of our items deeper than six, its page indented
};

const QRegularExpression& atxHeading() {
    static const QRegularExpression re(
        QStringLiteral("^ {0,3}(#{1,6})(?:[ \\t]+(.*?))?(?:[ \\t]+#+)?[ \\t]*$"));
    return re;
}

const QRegularExpression& ourListItem() {
    static const QRegularExpression re(
        QStringLiteral("^( *)- <a id=\"(wren-[A-Za-z0-9-]+)\"></a>(.*)$"));
    return re;
}

const QRegularExpression& anchorTag() {
    static const QRegularExpression re(QStringLiteral("^<a (?:id|name)=\"([^\"]*)\"></a>"));
    return re;
}

QString slugOf(const QString& title) {
    QString slug;
    for (const QChar c : title.toLower()) {
        if (c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_'))
            slug += c;
        else if (c == QLatin1Char(' '))
            slug += QLatin1Char('-');
    }
    return slug;
}

// Heading text as plain words: escapes and inline marks gone.
QString inlinePlain(const QString& given) {
    static const QRegularExpression special(QStringLiteral("[\\\\`*_\\[\\]<>&!~]"));
    const QString text = given.trimmed();
    if (!text.contains(special))
        return text;
    // Within a heading nothing opens a block; alone it would.
    static const QRegularExpression blockStart(QStringLiteral("^(?:[#+>=-]|\\d+[.)])"));
    QString inlineText = text;
    if (blockStart.match(inlineText).hasMatch())
        inlineText.prepend(QLatin1Char('\\'));
    QTextDocument doc;
    doc.setMarkdown(inlineText, QTextDocument::MarkdownDialectGitHub);
    return doc.toPlainText().simplified();
}

// The fence a line opens ("```", "~~~~"), or empty.
QString fenceOpened(const QString& line) {
    const QString t = line.trimmed();
    if (!t.startsWith(QLatin1String("```")) && !t.startsWith(QLatin1String("~~~")))
        return QString();
    const QChar c = t.at(0);
    qsizetype n = 0;
    while (n < t.size() && t.at(n) == c)
        ++n;
    return QString(n, c);
}

bool fenceCloses(const QString& line, const QString& fence) {
    const QString t = line.trimmed();
    if (!t.startsWith(fence))
        return false;
    for (const QChar c : t)
        if (c != fence.at(0))
            return false;
    return true;
}

bool hasRichContent(const QTextDocument& doc) {
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        if (b.textList() || QTextCursor(b).currentTable())
            return true;
        const QTextBlockFormat bf = b.blockFormat();
        if (bf.hasProperty(QTextFormat::BlockCodeFence) || bf.nonBreakableLines() ||
            bf.hasProperty(QTextFormat::BlockQuoteLevel) || bf.headingLevel() > 0)
            return true;
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (f.fontWeight() > QFont::Normal || f.fontItalic() || f.fontStrikeOut() ||
                f.fontUnderline() || f.isImageFormat() || f.fontFixedPitch() ||
                f.hasProperty(QTextFormat::FontFamilies))
                return true;
        }
    }
    return false;
}

// A data: URL's bytes; empty when it is not one or holds too much.
QByteArray dataUrlBytes(const QString& url) {
    const qsizetype comma = url.indexOf(QLatin1Char(','));
    if (comma < 0 || url.size() > PictureData::MaxBytes / 3 * 4 + 1024)
        return QByteArray();
    const QByteArray payload = url.mid(comma + 1).toLatin1();
    if (!url.left(comma).contains(QLatin1String(";base64"), Qt::CaseInsensitive))
        return QByteArray::fromPercentEncoding(payload);
    const auto decoded = QByteArray::fromBase64Encoding(QByteArray(payload).replace(' ', ""),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    return decoded ? *decoded : QByteArray();
}

// The pictures of a page. Qt would read whatever path a picture names, as
// the page is laid out: a device or pipe as well as a file. Here only a
// picture file (beside the Markdown file, or by a full path) or a data: URL
// is read, within the limits of any picture; one on the network stays a
// link; what cannot be read is left out and counted.
void readPictures(QTextDocument& doc, const QString& folder, TBranch& branch) {
    std::vector<std::pair<int, QTextImageFormat>> found;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat())
                for (int k = 0; k < it.fragment().length(); ++k)
                    found.emplace_back(it.fragment().position() + k,
                                       it.fragment().charFormat().toImageFormat());
    // From the last, so earlier positions stay as they are.
    for (auto it = found.rbegin(); it != found.rend(); ++it) {
        QTextImageFormat format = it->second;
        const QString name = format.name();
        QTextCursor cursor(&doc);
        cursor.setPosition(it->first);
        cursor.setPosition(it->first + 1, QTextCursor::KeepAnchor);
        const QUrl url(name);
        const QString scheme = url.scheme().toLower();
        QByteArray bytes;
        if (scheme == QLatin1String("data")) {
            bytes = dataUrlBytes(name);
        } else if (scheme.isEmpty() || scheme == QLatin1String("file")) {
            QString file =
                scheme.isEmpty() ? QUrl::fromPercentEncoding(name.toUtf8()) : url.toLocalFile();
            if (QDir::isRelativePath(file))
                file = QDir(folder).filePath(file);
            const BoundedFile::Result r = BoundedFile::Read(file, PictureData::MaxBytes);
            if (r.ok())
                bytes = r.bytes;
        } else {
            cursor.insertText(QLatin1Char('<') + name + QLatin1Char('>'), QTextCharFormat());
            continue;
        }
        const QImage image = PictureData::Decode(bytes);
        if (image.isNull()) {
            cursor.removeSelectedText();
            ++branch.droppedPictures;
            continue;
        }
        doc.addResource(QTextDocument::ImageResource, QUrl(name), image);
        if (PictureData::IsPng(bytes) || PictureData::IsJpeg(bytes))
            format.setProperty(Rtf::PictureDataProperty, bytes);
        cursor.setCharFormat(format);
    }
}

// Links of the page become link texts the outline follows.
void linksToText(QTextDocument& doc, const QHash<QString, QString>& titles) {
    struct Found {
        int from, to;
        QString text;
    };
    std::vector<Found> found;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const QTextCharFormat cf = f.charFormat();
            if (!cf.isAnchor() || cf.anchorHref().isEmpty())
                continue;
            const QString href = cf.anchorHref();
            const QString text = f.text();
            QString replacement;
            if (href.startsWith(QLatin1Char('#'))) {
                const QString title = titles.value(href.mid(1));
                if (!title.isEmpty())
                    replacement = QStringLiteral("<node:%1>").arg(title);
            } else {
                const QUrl url(href);
                const QString scheme = url.scheme().toLower();
                const bool bracketed =
                    scheme == QLatin1String("node") || scheme == QLatin1String("line") ||
                    scheme == QLatin1String("cmd") || scheme == QLatin1String("newwren");
                if (bracketed || (scheme == QLatin1String("file") && text == href)) {
                    // Our own link texts read back as autolinks.
                    replacement = QLatin1Char('<') + QUrl::fromPercentEncoding(href.toUtf8()) +
                                  QLatin1Char('>');
                } else if (scheme == QLatin1String("file")) {
                    replacement = QStringLiteral("<file:%1>").arg(url.toLocalFile());
                } else if (scheme.isEmpty()) {
                    replacement =
                        QStringLiteral("<file:%1>").arg(QUrl::fromPercentEncoding(href.toUtf8()));
                } else if (text != href) {
                    QString bare = href;
                    if (text == bare.mid(bare.indexOf(QLatin1Char(':')) + 1))
                        replacement = href;
                    else
                        replacement = text + QStringLiteral(" <") + href + QLatin1Char('>');
                }
            }
            found.push_back({f.position(), f.position() + f.length(), replacement});
        }
    }
    for (auto it = found.rbegin(); it != found.rend(); ++it) {
        QTextCursor c(&doc);
        c.setPosition(it->from);
        c.setPosition(it->to, QTextCursor::KeepAnchor);
        QTextCharFormat plain = c.charFormat();
        plain.setAnchor(false);
        plain.clearProperty(QTextFormat::AnchorHref);
        plain.clearProperty(QTextFormat::AnchorName);
        plain.clearForeground();
        plain.setFontUnderline(false);
        const QString text = it->text.isEmpty() ? c.selectedText() : it->text;
        c.insertText(text, plain);
    }
}

} // namespace

TReadResult ReadMarkdown(const QString& path, const QByteArray& input, const TProgress& progress) {
    TReadResult r;
    QByteArray bytes = input;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    if (bytes.contains('\0')) {
        r.error = QStringLiteral("%1: テキストファイルではありません（NUL 文字を含みます）。")
                      .arg(Place(path, 0, 0));
        return r;
    }
    QString text;
    {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        text = utf8.decode(bytes);
        if (utf8.hasError()) {
            // Older notes in the Japanese code page are read as such.
            text = Cp932::toUnicode(bytes);
        }
    }
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList lines = text.split(QLatin1Char('\n'));

    std::vector<Section> sections;
    sections.push_back(Section{0, QFileInfo(path).completeBaseName(), {}, {}, {}});
    int base = -1; // level of the first heading
    QString fence;
    int listBase = 0; // depth below which our deep list items hang
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QString& line = lines.at(n);
        Section& current = sections.back();
        if (!fence.isEmpty()) {
            current.lines.append(line);
            if (fenceCloses(line, fence))
                fence.clear();
            continue;
        }
        fence = fenceOpened(line);
        if (!fence.isEmpty()) {
            current.lines.append(line);
            continue;
        }
        int level = 0;
        QString title;
        const QRegularExpressionMatch atx = atxHeading().match(line);
        if (atx.hasMatch()) {
            level = int(atx.capturedLength(1));
            title = atx.captured(2);
        } else if (n + 1 < lines.size() && !line.trimmed().isEmpty() &&
                   !line.startsWith(QLatin1String("    "))) {
            const QString next = lines.at(n + 1).trimmed();
            const bool prevBlank =
                current.lines.isEmpty() || current.lines.last().trimmed().isEmpty();
            static const QRegularExpression eq(QStringLiteral("^=+$"));
            static const QRegularExpression dash(QStringLiteral("^-+$"));
            if (prevBlank && eq.match(next).hasMatch())
                level = 1;
            else if (prevBlank && dash.match(next).hasMatch() && !line.trimmed().startsWith('-') &&
                     !line.trimmed().startsWith('*') && !line.trimmed().startsWith('+'))
                level = 2;
            if (level) {
                title = line.trimmed();
                ++n;
            }
        }
        const QRegularExpressionMatch deep =
            level ? QRegularExpressionMatch() : ourListItem().match(line);
        if (!level && !deep.hasMatch()) {
            current.lines.append(line);
            continue;
        }
        Section s;
        if (level) {
            if (base < 0)
                base = level;
            // One step deeper at most, as a heading two levels down still
            // belongs to the item just above.
            const int previous = sections.size() > 1 ? sections.back().depth : -1;
            s.depth = qMax(0, qMin(level - base, previous + 1));
            listBase = s.depth + 1;
        } else {
            s.depth = listBase + int(deep.capturedLength(1)) / 2;
            s.listItem = true;
            s.anchor = deep.captured(2);
            title = deep.captured(3);
        }
        const QRegularExpressionMatch a = anchorTag().match(title);
        if (a.hasMatch()) {
            s.anchor = a.captured(1);
            title = title.mid(a.capturedLength(0));
        }
        s.title = inlinePlain(title);
        s.slug = slugOf(s.title);
        if (s.depth >= MaxDepth) {
            r.error =
                QStringLiteral("%1: 見出しの階層が深すぎます。読み込めるのは %2 階層までです。")
                    .arg(Place(path, n + 1, 0))
                    .arg(MaxDepth);
            return r;
        }
        if (int(sections.size()) >= MaxItems) {
            r.error = QStringLiteral("%1: 項目が多すぎます。読み込めるのは %2 項目までです。")
                          .arg(Place(path, n + 1, 0))
                          .arg(MaxItems);
            return r;
        }
        sections.push_back(std::move(s));
    }

    // Link targets within the file: our anchors and the headings' slugs.
    QHash<QString, QString> titles;
    for (const Section& s : sections) {
        if (!s.anchor.isEmpty())
            titles.insert(s.anchor, s.title);
        if (!s.slug.isEmpty() && !titles.contains(s.slug))
            titles.insert(s.slug, s.title);
    }

    const bool leadingText = !sections.front().lines.join(QString()).trimmed().isEmpty();
    const size_t first = leadingText || sections.size() == 1 ? 0 : 1;
    std::vector<int> parentAt; // the last item made at each depth
    TBranch& branch = r.branch;
    for (size_t i = first; i < sections.size(); ++i) {
        const Section& s = sections[i];
        TBranchItem item;
        const int depth = qMin<int>(s.depth, int(parentAt.size()));
        item.parent = depth == 0 ? -1 : parentAt[size_t(depth - 1)];
        parentAt.resize(size_t(depth));
        item.Title = TitleBytes(s.title, &branch.lossy);
        // List items of our deep levels carry their page indented.
        QStringList body = s.lines;
        if (s.listItem) {
            int indent = -1;
            for (const QString& l : body)
                if (!l.trimmed().isEmpty()) {
                    int k = 0;
                    while (k < l.size() && l.at(k) == QLatin1Char(' '))
                        ++k;
                    indent = indent < 0 ? k : qMin(indent, k);
                }
            if (indent > 0)
                for (QString& l : body) {
                    qsizetype k = 0;
                    while (k < indent && k < l.size() && l.at(k) == QLatin1Char(' '))
                        ++k;
                    l.remove(0, k);
                }
        }
        // Blank lines around the page go; the first line's indentation stays
        // (an indented code block begins with it).
        while (!body.isEmpty() && body.front().trimmed().isEmpty())
            body.removeFirst();
        while (!body.isEmpty() && body.back().trimmed().isEmpty())
            body.removeLast();
        const QString page = body.join(QLatin1Char('\n'));
        if (!page.isEmpty()) {
            QTextDocument doc;
            doc.setUndoRedoEnabled(false);
            doc.setMarkdown(page, QTextDocument::MarkdownDialectGitHub);
            readPictures(doc, QFileInfo(path).absolutePath(), branch);
            linksToText(doc, titles);
            if (hasRichContent(doc))
                SetRichPage(item, doc);
            else
                SetPlainPage(item, doc.toPlainText());
        }
        branch.items.push_back(std::move(item));
        parentAt.push_back(int(branch.items.size()) - 1);
        if (progress && i % 512 == 0 && !progress(qint64(i), qint64(sections.size()))) {
            r.cancelled = true;
            return r;
        }
    }
    r.ok = true;
    return r;
}

} // namespace Interchange
