#pragma once

#include <QColor>
#include <QSyntaxHighlighter>

// Colours and underlines the links of the page as they are shown, line by
// line. The colours live in the layout only: the text, its undo history and
// its modified flag never change, and a typed link is coloured at once.
class TLinkHighlighter : public QSyntaxHighlighter {
    Q_OBJECT
public:
    // Owned by owner, not by the document: the page's document is replaced
    // whenever another item is shown.
    TLinkHighlighter(QTextDocument* document, QObject* owner);

    // LinkColor for web, mail, file, "newwren:" and command links;
    // LinkColorInside for links to items and lines.
    void setColors(const QColor& linkColor, const QColor& insideColor);

protected:
    void highlightBlock(const QString& text) override;

private:
    QColor m_link = Qt::blue;
    QColor m_inside = Qt::red;
};
