// One HTML file that needs nothing else: the outline as <details> that open
// without a script, each page with its formatting and pictures inline, item
// links as links within the file, colours for light and dark desktops.
#include "common/DateTime.h"
#include "file/ByteStream.h"
#include "file/Cp932.h"
#include "interchange/Export.h"
#include "interchange/ExportWalk.h"
#include "links/LinkKind.h"
#include "links/LinkScan.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"

#include <QBuffer>
#include <QHash>
#include <QImage>
#include <QPixmap>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextFrame>
#include <QTextImageFormat>
#include <QTextList>
#include <QUrl>

#include <algorithm>

namespace Interchange {

namespace {

const char* const StyleSheet = R"(
:root { color-scheme: light dark; --bg: #ffffff; --fg: #1f2328; --muted: #656d76;
  --line: #d0d7de; --page: #f6f8fa; --link: #0b57d0; --mark: #bf3989; }
@media (prefers-color-scheme: dark) {
  :root { --bg: #15181d; --fg: #e6edf3; --muted: #9198a1; --line: #3d444d;
    --page: #1e232b; --link: #79b8ff; --mark: #f778ba; }
}
body { background: var(--bg); color: var(--fg); margin: 2em auto; max-width: 60em;
  padding: 0 1em; line-height: 1.6;
  font-family: "Noto Sans CJK JP", "Hiragino Sans", "Yu Gothic", "Meiryo", sans-serif; }
h1 { font-size: 1.5em; border-bottom: 1px solid var(--line); padding-bottom: .3em; }
details { margin: .1em 0 .1em 1.1em; padding-left: .7em; border-left: 1px solid var(--line); }
body > details { margin-left: 0; }
summary { cursor: pointer; font-weight: 600; padding: .15em 0; }
summary:target, details:target > summary { color: var(--mark); }
.meta { color: var(--muted); font-weight: normal; font-size: .85em; margin-left: .8em; }
.page { background: var(--page); border-radius: 6px; padding: .5em .9em; margin: .3em 0 .6em;
  overflow-x: auto; }
.page p { margin: .2em 0; }
.plain { white-space: pre-wrap; }
.page table { border-collapse: collapse; }
.page td, .page th { border: 1px solid var(--line); padding: .2em .5em; }
.page img { max-width: 100%; height: auto; }
a { color: var(--link); }
)";

// d is want, or starts with it when prefix, ignoring spaces and case.
bool looselyIs(QStringView d, QLatin1String want, bool prefix) {
    qsizetype j = 0;
    for (const QChar c : d) {
        if (c == QLatin1Char(' '))
            continue;
        if (j == want.size())
            return prefix;
        if (c.toLower() != QLatin1Char(want[j]))
            return false;
        ++j;
    }
    return j == want.size();
}

// Whether a declaration of Qt's style attribute stays: not those Qt writes
// for its own use, nor the default black and white that would make a page
// unreadable on a dark background.
bool keepDeclaration(QStringView d) {
    if (d.isEmpty() || d.startsWith(QLatin1String("-qt-")))
        return false;
    return !(looselyIs(d, QLatin1String("color:#000000"), false) ||
             looselyIs(d, QLatin1String("background-color:#ffffff"), false) ||
             looselyIs(d, QLatin1String("background-color:transparent"), false) ||
             looselyIs(d, QLatin1String("text-indent:0"), true) ||
             looselyIs(d, QLatin1String("margin-top:0px"), true));
}

// Declarations gathered as "name:value; " as a style attribute, if any.
void appendStyle(QString& out, QStringView declarations) {
    if (declarations.isEmpty())
        return;
    out += QLatin1String(" style=\"");
    out += declarations.chopped(2);
    out += QLatin1Char('"');
}

void appendCleanStyle(QString& out, QStringView style) {
    QString kept;
    for (QStringView part : style.tokenize(QLatin1Char(';'))) {
        const QStringView d = part.trimmed();
        if (keepDeclaration(d)) {
            kept += d;
            kept += QLatin1String("; ");
        }
    }
    appendStyle(out, kept);
}

// Whether a page's link may stay: the file opens in a browser, and a page
// pasted from elsewhere may carry links of any scheme.
bool harmlessTarget(QStringView target) {
    if (target.startsWith(QLatin1Char('#')))
        return true;
    // Qt writes the target escaped for HTML.
    QString plain = target.toString();
    plain.replace(QLatin1String("&amp;"), QLatin1String("&"));
    const QString scheme = QUrl(plain).scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
           scheme == QLatin1String("ftp") || scheme == QLatin1String("mailto") ||
           scheme == QLatin1String("file");
}

// The declarations of a run's look that differ from the page's own.
void appendRunStyle(QString& out, const QTextCharFormat& f) {
    QString style;
    const QStringList families = f.fontFamilies().toStringList();
    if (!families.isEmpty() && !families.first().isEmpty()) {
        style += QLatin1String("font-family:'");
        AppendEscaped(style, families.first());
        style += QLatin1String("'; ");
    }
    if (f.hasProperty(QTextFormat::FontPointSize) && f.fontPointSize() > 0)
        style += QStringLiteral("font-size:%1pt; ").arg(f.fontPointSize());
    if (f.hasProperty(QTextFormat::FontWeight) && f.fontWeight() != QFont::Normal)
        style += QStringLiteral("font-weight:%1; ").arg(f.fontWeight());
    if (f.fontItalic())
        style += QLatin1String("font-style:italic; ");
    if (f.fontUnderline() && f.fontStrikeOut())
        style += QLatin1String("text-decoration: underline line-through; ");
    else if (f.fontUnderline())
        style += QLatin1String("text-decoration: underline; ");
    else if (f.fontStrikeOut())
        style += QLatin1String("text-decoration: line-through; ");
    if (f.hasProperty(QTextFormat::ForegroundBrush) && f.foreground().style() != Qt::NoBrush) {
        const QString c = f.foreground().color().name();
        if (c != QLatin1String("#000000"))
            style += QStringLiteral("color:%1; ").arg(c);
    }
    if (f.hasProperty(QTextFormat::BackgroundBrush) && f.background().style() != Qt::NoBrush) {
        const QColor c = f.background().color();
        if (c.alpha() != 0 && c.name() != QLatin1String("#ffffff"))
            style += QStringLiteral("background-color:%1; ").arg(c.name());
    }
    if (f.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        style += QLatin1String("vertical-align:super; ");
    else if (f.verticalAlignment() == QTextCharFormat::AlignSubScript)
        style += QLatin1String("vertical-align:sub; ");
    appendStyle(out, style);
}

void appendParagraphStyle(QString& out, const QTextBlock& block, const QString& text) {
    const QTextBlockFormat f = block.blockFormat();
    QString style;
    const Qt::Alignment a = f.alignment() & Qt::AlignHorizontal_Mask;
    if (a & Qt::AlignHCenter)
        style += QLatin1String("text-align:center; ");
    else if (a & Qt::AlignRight)
        style += QLatin1String("text-align:right; ");
    else if (a & Qt::AlignJustify)
        style += QLatin1String("text-align:justify; ");
    const std::pair<const char*, qreal> margins[] = {{"margin-top", f.topMargin()},
                                                     {"margin-bottom", f.bottomMargin()},
                                                     {"margin-left", f.leftMargin()},
                                                     {"margin-right", f.rightMargin()},
                                                     {"text-indent", f.textIndent()}};
    for (const auto& [name, px] : margins)
        if (px != 0)
            style += QStringLiteral("%1:%2px; ").arg(QLatin1String(name)).arg(px);
    if (f.lineHeightType() == QTextBlockFormat::ProportionalHeight)
        style += QStringLiteral("line-height:%1%; ").arg(f.lineHeight());
    else if (f.lineHeightType() == QTextBlockFormat::FixedHeight)
        style += QStringLiteral("line-height:%1px; ").arg(f.lineHeight());
    // Spaces and tabs show as typed, as in the page.
    if (text.contains(QLatin1String("  ")) || text.contains(QLatin1Char('\t')) ||
        text.startsWith(QLatin1Char(' ')))
        style += QLatin1String("white-space:pre-wrap; ");
    appendStyle(out, style);
}

// Text of a run, its line breaks as <br />.
void appendRunText(QString& out, QStringView text) {
    qsizetype run = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text.at(i) == QChar::LineSeparator) {
            AppendEscaped(out, text.mid(run, i - run));
            out += QLatin1String("<br />");
            run = i + 1;
        }
    AppendEscaped(out, text.mid(run));
}

void appendImage(QString& out, const QTextDocument& doc, const QTextImageFormat& image,
                 qsizetype count) {
    const QString url = TExportWalk::imageDataUrl(doc, image.name());
    for (qsizetype i = 0; i < count; ++i) {
        out += QLatin1String("<img alt=\"\"");
        if (!url.isEmpty())
            out += QStringLiteral(" src=\"%1\"").arg(url);
        if (image.width() > 0)
            out += QStringLiteral(" width=\"%1\"").arg(qRound(image.width()));
        if (image.height() > 0)
            out += QStringLiteral(" height=\"%1\"").arg(qRound(image.height()));
        out += QLatin1String(" />");
    }
}

void openLink(QString& out, const QString& href) {
    out += QLatin1String("<a href=\"");
    AppendEscaped(out, href);
    out += QLatin1String("\">");
}

// A page of paragraphs and runs (no lists, no tables: Qt writes those) as
// HTML, written straight from the document with the page's links made
// links: several times faster than Qt's writer and the cleaning its output
// needs. False for other pages.
bool simplePageHtml(const TExportWalk& walk, const QTextDocument& doc, QString& out) {
    if (!doc.rootFrame()->childFrames().isEmpty())
        return false;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        if (b.textList())
            return false;
    // Most runs of a page share a few looks.
    QHash<int, QString> styles;
    auto openSpan = [&styles](const QTextFragment& fragment) -> const QString& {
        auto style = styles.constFind(fragment.charFormatIndex());
        if (style == styles.constEnd()) {
            QString open = QStringLiteral("<span");
            appendRunStyle(open, fragment.charFormat());
            open += QLatin1Char('>');
            style = styles.insert(fragment.charFormatIndex(), open);
        }
        return *style;
    };
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        out += QLatin1String("<p");
        const QString blockText = b.text();
        appendParagraphStyle(out, b, blockText);
        out += QLatin1Char('>');
        const std::vector<TExportWalk::LinkSpan> links = walk.linkSpans(blockText);
        size_t li = 0;
        bool any = false;
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat f = fragment.charFormat();
            const QString text = fragment.text();
            any = true;
            if (f.isImageFormat()) {
                appendImage(out, doc, f.toImageFormat(), text.size());
                continue;
            }
            for (const QString& name : f.anchorNames()) {
                out += QLatin1String("<a name=\"");
                AppendEscaped(out, name);
                out += QLatin1String("\"></a>");
            }
            const QString own = f.isAnchor() ? f.anchorHref() : QString();
            const bool ownLink = !own.isEmpty() && harmlessTarget(own);
            // The fragment in pieces: the page's links show their label,
            // once, where they begin; the words between them as they are.
            const qsizetype start = fragment.position() - b.position();
            const qsizetype end = start + text.size();
            for (qsizetype p = start; p < end;) {
                while (li < links.size() && links[li].to <= p)
                    ++li;
                if (li < links.size() && links[li].from <= p) {
                    if (p == links[li].from) {
                        openLink(out, links[li].href);
                        out += openSpan(fragment);
                        AppendEscaped(out, links[li].label);
                        out += QLatin1String("</span></a>");
                    }
                    p = std::min(end, links[li].to);
                    continue;
                }
                const qsizetype stop = li < links.size() ? std::min(end, links[li].from) : end;
                if (ownLink)
                    openLink(out, own);
                out += openSpan(fragment);
                appendRunText(out, QStringView(text).mid(p - start, stop - p));
                out += QLatin1String("</span>");
                if (ownLink)
                    out += QLatin1String("</a>");
                p = stop;
            }
        }
        if (!any)
            out += QLatin1String("<br />");
        out += QLatin1String("</p>\n");
    }
    while (out.endsWith(QLatin1Char('\n')))
        out.chop(1);
    return true;
}

// The body of Qt's HTML for a page, cleaned for a page of ours in one pass:
// styles without Qt's own declarations, pictures as data URLs, only
// harmless links.
QString pageHtml(const QTextDocument& doc) {
    const QString html = doc.toHtml();
    const qsizetype bodyTag = html.indexOf(QLatin1String("<body"));
    const qsizetype bodyStart = bodyTag < 0 ? -1 : html.indexOf(QLatin1Char('>'), bodyTag);
    const qsizetype bodyEnd = html.lastIndexOf(QLatin1String("</body>"));
    QStringView body(html);
    if (bodyStart >= 0 && bodyEnd > bodyStart)
        body = body.mid(bodyStart + 1, bodyEnd - bodyStart - 1);
    QString out;
    out.reserve(body.size());
    qsizetype pos = 0;
    // Every attribute Qt writes is double-quoted, and a quote in text is
    // written &quot;, so each =" opens an attribute value.
    for (qsizetype at; (at = body.indexOf(QLatin1String("=\""), pos)) >= 0;) {
        const qsizetype valueStart = at + 2;
        const qsizetype valueEnd = body.indexOf(QLatin1Char('"'), valueStart);
        if (valueEnd < 0)
            break;
        const QStringView before = body.mid(pos, at - pos);
        const QStringView value = body.mid(valueStart, valueEnd - valueStart);
        if (before.endsWith(QLatin1String(" style"))) {
            out += before.chopped(6);
            appendCleanStyle(out, value);
        } else if (before.endsWith(QLatin1String(" href"))) {
            if (harmlessTarget(value)) {
                out += body.mid(pos, valueEnd + 1 - pos);
            } else {
                out += before.chopped(5);
            }
        } else if (before.endsWith(QLatin1String("<img src"))) {
            out += before.chopped(3);
            const QString url = TExportWalk::imageDataUrl(doc, value.toString());
            // A picture that cannot be found points nowhere rather than at
            // a name only this program knows.
            out += url.isEmpty() ? QStringLiteral("alt=\"\"")
                                 : QStringLiteral("alt=\"\" src=\"%1\"").arg(url);
        } else {
            out += body.mid(pos, valueEnd + 1 - pos);
        }
        pos = valueEnd + 1;
    }
    out += body.mid(pos);
    out.remove(QLatin1String("<!--StartFragment-->"));
    out.remove(QLatin1String("<!--EndFragment-->"));
    return out.trimmed();
}

QString escapeHtml(QStringView text) {
    QString out;
    AppendEscaped(out, text);
    return out;
}

// A plain page: escaped, its links as links, its lines as they are.
QString plainHtml(const TExportWalk& walk, const QString& page) {
    QString out;
    out.reserve(page.size() + page.size() / 8);
    walk.splitLinks(
        page, [&out](QStringView words) { AppendEscaped(out, words); },
        [&out](const QString& href, const QString& label) {
            out += QLatin1String("<a href=\"");
            AppendEscaped(out, href);
            out += QLatin1String("\">");
            AppendEscaped(out, label);
            out += QLatin1String("</a>");
        });
    return out;
}

} // namespace

TExportResult ExportHtml(TOutline& outline, const TExportOptions& options, TByteSink* sink) {
    TExportResult result;
    TExportWalk walk(outline, options);
    const QString title = options.title.isEmpty() ? QStringLiteral("WrenNOTE") : options.title;
    QString out;
    out +=
        QStringLiteral("<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                       "<meta name=\"generator\" content=\"WrenNOTE\">\n<title>");
    out += escapeHtml(title);
    out += QStringLiteral("</title>\n<style>");
    out += QLatin1String(StyleSheet);
    out += QStringLiteral("</style>\n</head>\n<body>\n<h1>%1</h1>\n").arg(escapeHtml(title));
    // The summary and page of an item; the nesting is added in order below.
    auto make = [&walk](const TExportWalk::Entry& e, const QByteArray& rich) {
        const TLeafNote* item = e.node->item();
        const bool expanded = e.depth == 0 || e.node->expanded() || !e.node->hasChildren();
        QString part = QStringLiteral("<details id=\"%1\"%2><summary>%3")
                           .arg(walk.anchor(e.node), expanded ? QStringLiteral(" open") : QString(),
                                escapeHtml(Cp932::toUnicode(item->Title)));
        QStringList meta;
        if (item->Progress != 0)
            meta.append(TLeafNote::ProgressName(item->Progress));
        if (item->DueDate != 0)
            meta.append(QStringLiteral("期日 %1").arg(
                WrenDate::toDate(item->DueDate).toString(QStringLiteral("yyyy/MM/dd"))));
        if (!meta.isEmpty())
            part += QStringLiteral("<span class=\"meta\">%1</span>")
                        .arg(escapeHtml(meta.join(QStringLiteral(" · "))));
        part += QLatin1String("</summary>\n");
        if (rich.isEmpty()) {
            const QString page = TExportWalk::plainPage(*item);
            if (!page.trimmed().isEmpty()) {
                part += QLatin1String("<div class=\"page plain\">");
                part += plainHtml(walk, page);
                part += QLatin1String("</div>\n");
            }
        } else {
            QTextDocument doc;
            TExportWalk::loadRich(*item, rich, doc);
            part += QLatin1String("<div class=\"page\">");
            if (!simplePageHtml(walk, doc, part)) {
                walk.applyLinks(doc);
                part += pageHtml(doc);
            }
            part += QLatin1String("</div>\n");
        }
        return part.toUtf8();
    };
    QByteArray bytes = out.toUtf8();
    if (!sink)
        bytes.reserve(qsizetype(walk.entries().size()) * 1024);
    int open = 0;
    auto take = [&](size_t k, const QByteArray& part) {
        const int depth = walk.entries()[k].depth;
        for (; open > depth; --open)
            bytes += "</details>\n";
        bytes += part;
        ++open;
        Spill(bytes, sink, result);
    };
    if (!walk.makeParts(make, take, &result))
        return result;
    for (; open > 0; --open)
        bytes += "</details>\n";
    bytes += "</body>\n</html>\n";
    Finish(bytes, sink, result);
    result.count = int(walk.entries().size());
    return result;
}

} // namespace Interchange
