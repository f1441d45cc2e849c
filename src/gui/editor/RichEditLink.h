#pragma once

#include "editor/PagePictures.h"
#include "links/LinkScan.h"

#include <QTextEdit>

#include <functional>
#include <utility>

class QTextCursor;

// The page editor: a rich-text editor with the page's own keys, line
// helpers, fonts applied by script, and undo steps a user expects.
class TRichEditLink : public QTextEdit {
    Q_OBJECT
public:
    explicit TRichEditLink(QWidget* parent = nullptr);

    // The line holding index: (start, length), the line break excluded.
    std::pair<int, int> LineBoundsAt(int index) const;
    void SelectLine(int index);
    // "line : column" of the selection start, with " - " and the end's when
    // something is selected; both 0-based.
    QString CaretPositionText() const;
    // A Japanese font (charset 128) or an empty selection takes the name
    // whole; any other font only changes the runs of single-byte characters,
    // so Japanese text keeps a face that can show it.
    void ApplyFontName(const QString& name, int charset);
    // Every selected line that begins with a space loses one; the lines end
    // up selected whole.
    void Unindent();
    // A page's document to be filled while detached, so that the layout
    // does not follow every step of filling it; ReplaceDocument shows it and
    // frees the previous page's.
    QTextDocument* NewDocument();
    void ReplaceDocument(QTextDocument* doc);
    // The page's text as the model keeps it: line breaks as CR LF.
    QString PlainTextCrLf() const;

    // Links show the hand and are followed on a click.
    bool LinkEnabled = true;
    // The link holding the character at a document position; its start is
    // a document position too.
    TLinkMatch LinkAtIndex(int index) const;
    // Selects the link at the caret; LinkNone when there is none.
    LinkKind SelectLinkAtCaret();
    // Replaces the selection by text and leaves it selected.
    void InsertTextAndMark(const QString& text);
    // Paste and drop: PNG and JPEG files and a pasted picture go into the
    // page, other files become file links, item links their text, and other
    // content makes the page rich. Public for the paste commands.
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
    // A selection holding pictures is copied as RTF too, so that the
    // pictures reach another page whole.
    QMimeData* createMimeDataFromSelection() const override;
    // Each dropped path as a link names it (relative to the document).
    std::function<QString(const QString& path)> FilePathConversion;

Q_SIGNALS:
    // A link was clicked: its kind and what a click hands on (the whole bare
    // link, or the body of a bracketed one, cut to 600 characters).
    void linkClicked(LinkKind kind, const QString& text);
    void documentCreated(QTextDocument* doc);
    // Content other than text arrived: the page must become rich.
    void richContentsInserted();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    // Inserts count pictures with one step of undo; failures are told at once.
    void insertPictures(const std::function<PagePictures::Result(QTextCursor&)>& one, int count);
    int pictureWidth() const;
    void sendWithoutCtrl(int key);
    // The document position of the character under a viewport point, -1 for none.
    int charAt(const QPoint& point) const;
    bool showsHand(int index) const;
    bool m_hand = false;
};
