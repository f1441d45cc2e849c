#pragma once

#include <QTextEdit>

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
    // The page's text as the model keeps it: line breaks as CR LF.
    QString PlainTextCrLf() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    void sendWithoutCtrl(int key);
};
