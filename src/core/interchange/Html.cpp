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
#include <QImage>
#include <QPixmap>
#include <QRegularExpression>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QUrl>

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

// Declarations Qt writes for its own use, and the default black and white
// that would make a page unreadable on a dark background.
QString cleanStyle(const QString& style) {
    QStringList kept;
    for (const QString& part : style.split(QLatin1Char(';'))) {
        const QString d = part.trimmed();
        if (d.isEmpty() || d.startsWith(QLatin1String("-qt-")))
            continue;
        const QString compact = QString(d).remove(QLatin1Char(' ')).toLower();
        if (compact == QLatin1String("color:#000000") ||
            compact == QLatin1String("background-color:#ffffff") ||
            compact == QLatin1String("background-color:transparent") ||
            compact.startsWith(QLatin1String("text-indent:0")) ||
            compact.startsWith(QLatin1String("margin-top:0px")))
            continue;
        kept.append(d);
    }
    return kept.join(QStringLiteral("; "));
}

// The body of Qt's HTML for a page, cleaned for a page of ours.
QString pageHtml(const QTextDocument& doc) {
    QString html = doc.toHtml();
    const qsizetype bodyTag = html.indexOf(QLatin1String("<body"));
    const qsizetype bodyStart = bodyTag < 0 ? -1 : html.indexOf(QLatin1Char('>'), bodyTag);
    const qsizetype bodyEnd = html.lastIndexOf(QLatin1String("</body>"));
    if (bodyStart >= 0 && bodyEnd > bodyStart)
        html = html.mid(bodyStart + 1, bodyEnd - bodyStart - 1);
    html.remove(QLatin1String("<!--StartFragment-->"));
    html.remove(QLatin1String("<!--EndFragment-->"));
    static const QRegularExpression style(QStringLiteral(" style=\"([^\"]*)\""));
    QString out;
    qsizetype pos = 0;
    for (auto it = style.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += QStringView(html).mid(pos, m.capturedStart() - pos);
        const QString kept = cleanStyle(m.captured(1));
        if (!kept.isEmpty())
            out += QStringLiteral(" style=\"%1\"").arg(kept);
        pos = m.capturedEnd();
    }
    out += QStringView(html).mid(pos);
    static const QRegularExpression img(QStringLiteral("<img src=\"([^\"]*)\""));
    QString withImages;
    pos = 0;
    for (auto it = img.globalMatch(out); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        withImages += QStringView(out).mid(pos, m.capturedStart() - pos);
        const QString url = TExportWalk::imageDataUrl(doc, m.captured(1));
        // A picture that cannot be found points nowhere rather than at a
        // name only this program knows.
        withImages += url.isEmpty() ? QStringLiteral("<img alt=\"\"")
                                    : QStringLiteral("<img alt=\"\" src=\"%1\"").arg(url);
        pos = m.capturedEnd();
    }
    withImages += QStringView(out).mid(pos);
    // A page pasted from elsewhere may carry links of any scheme; the file
    // opens in a browser, so only those that lead somewhere harmless stay.
    static const QRegularExpression href(QStringLiteral(" href=\"([^\"]*)\""));
    QString safe;
    pos = 0;
    for (auto it = href.globalMatch(withImages); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        safe += QStringView(withImages).mid(pos, m.capturedStart() - pos);
        const QString target = m.captured(1);
        const QString scheme =
            QUrl(QTextDocumentFragment::fromHtml(target).toPlainText()).scheme().toLower();
        if (target.startsWith(QLatin1Char('#')) || scheme == QLatin1String("http") ||
            scheme == QLatin1String("https") || scheme == QLatin1String("ftp") ||
            scheme == QLatin1String("mailto") || scheme == QLatin1String("file"))
            safe += m.captured(0);
        pos = m.capturedEnd();
    }
    safe += QStringView(withImages).mid(pos);
    return safe.trimmed();
}

// Qt's own escaping: & < > and the double quote.
QString escapeHtml(QStringView text) {
    return text.toString().toHtmlEscaped();
}

// A plain page: escaped, its links as links, its lines as they are.
QString plainHtml(const TExportWalk& walk, const QString& page) {
    QString out;
    if (page.isEmpty())
        return out;
    walk.splitLinks(
        page, [&out](QStringView words) { out += escapeHtml(words); },
        [&out](const QString& href, const QString& label) {
            out += QStringLiteral("<a href=\"%1\">%2</a>").arg(escapeHtml(href), escapeHtml(label));
        });
    return out;
}

} // namespace

TExportResult ExportHtml(TOutline& outline, const TExportOptions& options) {
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
    int open = 0;
    int done = 0;
    for (const TExportWalk::Entry& e : walk.entries()) {
        while (open > e.depth) {
            out += QLatin1String("</details>\n");
            --open;
        }
        TLeafNote* item = e.node->item();
        const bool expanded = e.depth == 0 || e.node->expanded() || !e.node->hasChildren();
        out += QStringLiteral("<details id=\"%1\"%2><summary>%3")
                   .arg(walk.anchor(e.node), expanded ? QStringLiteral(" open") : QString(),
                        escapeHtml(Cp932::toUnicode(item->Title)));
        QStringList meta;
        if (item->Progress != 0)
            meta.append(TLeafNote::ProgressName(item->Progress));
        if (item->DueDate != 0)
            meta.append(QStringLiteral("期日 %1").arg(
                WrenDate::toDate(item->DueDate).toString(QStringLiteral("yyyy/MM/dd"))));
        if (!meta.isEmpty())
            out += QStringLiteral("<span class=\"meta\">%1</span>")
                       .arg(escapeHtml(meta.join(QStringLiteral(" · "))));
        out += QLatin1String("</summary>\n");
        ++open;
        QByteArray rich;
        try {
            rich = item->GetPage();
        } catch (const EReadError& err) {
            result.error = QStringLiteral("「%1」のページが壊れています: %2")
                               .arg(Cp932::toUnicode(item->Title), err.message());
            return result;
        }
        if (rich.isEmpty()) {
            const QString page = TExportWalk::plainPage(*item);
            if (!page.trimmed().isEmpty())
                out += QStringLiteral("<div class=\"page plain\">%1</div>\n")
                           .arg(plainHtml(walk, page));
        } else {
            QTextDocument doc;
            QString error;
            TExportWalk::loadPage(*item, doc, &error);
            walk.applyLinks(doc);
            out += QStringLiteral("<div class=\"page\">%1</div>\n").arg(pageHtml(doc));
        }
        ++done;
        if (!walk.step(done)) {
            result.cancelled = true;
            return result;
        }
    }
    while (open-- > 0)
        out += QLatin1String("</details>\n");
    out += QLatin1String("</body>\n</html>\n");
    result.ok = true;
    result.bytes = out.toUtf8();
    result.count = done;
    return result;
}

} // namespace Interchange
