#include "editor/LinkHighlighter.h"

#include "links/LinkScan.h"

TLinkHighlighter::TLinkHighlighter(QTextDocument* document, QObject* owner)
    : QSyntaxHighlighter(owner) {
    setDocument(document);
}

void TLinkHighlighter::setColors(const QColor& linkColor, const QColor& insideColor) {
    if (linkColor == m_link && insideColor == m_inside)
        return;
    m_link = linkColor;
    m_inside = insideColor;
    rehighlight();
}

void TLinkHighlighter::highlightBlock(const QString& text) {
    if (text.isEmpty())
        return;
    // A block is a paragraph; no link runs past a line break.
    const QList<TLinkMatch> links = LinkScan::LinksInRange(QStringView(text), 0, text.size() - 1);
    for (const TLinkMatch& m : links) {
        QTextCharFormat f;
        f.setForeground(IsInsideLink(m.kind) ? m_inside : m_link);
        f.setFontUnderline(true);
        setFormat(int(m.start), int(qMin(m.length, text.size() - m.start)), f);
    }
}
