#include "editor/RichEditLink.h"

#include "dialogs/MessageBox.h"
#include "editor/PagePictures.h"
#include "file/Cp932.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QKeyEvent>
#include <QMimeData>
#include <QPointer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QUrl>

#include <algorithm>

namespace {

// Our own copy of a selection holding pictures, as RTF.
const QString PageRtfType = QStringLiteral("application/x-wrennote-rtf");

// A character the single-byte code page holds: it takes a Latin font.
bool isSingleByte(QChar c) {
    const ushort u = c.unicode();
    return u < 0x80 || (u >= 0xFF61 && u <= 0xFF9F); // ASCII and half-width kana
}

} // namespace

TRichEditLink::TRichEditLink(QWidget* parent) : QTextEdit(parent) {
    setObjectName(QStringLiteral("RichEdit"));
    setAcceptRichText(true);
}

std::pair<int, int> TRichEditLink::LineBoundsAt(int index) const {
    const QTextBlock block = document()->findBlock(qMax(0, index));
    if (!block.isValid())
        return {0, 0};
    const QString text = block.text();
    const int at = qBound(0, index - block.position(), int(text.size()));
    // Soft line breaks divide a paragraph into lines too.
    int start = at;
    while (start > 0 && text.at(start - 1) != QChar::LineSeparator)
        --start;
    int end = at;
    while (end < text.size() && text.at(end) != QChar::LineSeparator)
        ++end;
    return {block.position() + start, end - start};
}

void TRichEditLink::SelectLine(int index) {
    const auto [start, length] = LineBoundsAt(index);
    QTextCursor c = textCursor();
    c.setPosition(start);
    c.setPosition(start + length, QTextCursor::KeepAnchor);
    setTextCursor(c);
}

QString TRichEditLink::CaretPositionText() const {
    auto at = [this](int pos) {
        const QTextBlock b = document()->findBlock(pos);
        return QStringLiteral("%1 : %2").arg(b.blockNumber()).arg(pos - b.position());
    };
    const QTextCursor c = textCursor();
    QString text = at(c.selectionStart());
    if (c.hasSelection())
        text += QStringLiteral(" - ") + at(c.selectionEnd());
    return text;
}

void TRichEditLink::ApplyFontName(const QString& name, int charset) {
    QTextCursor c = textCursor();
    QTextCharFormat f;
    f.setFontFamilies({name});
    if (charset == 128 || !c.hasSelection()) {
        mergeCurrentCharFormat(f);
        return;
    }
    const int from = c.selectionStart();
    const int to = c.selectionEnd();
    QTextCursor run(document());
    run.beginEditBlock();
    int i = from;
    while (i < to) {
        const bool single = isSingleByte(document()->characterAt(i));
        int j = i + 1;
        while (j < to && isSingleByte(document()->characterAt(j)) == single)
            ++j;
        if (single) {
            run.setPosition(i);
            run.setPosition(j, QTextCursor::KeepAnchor);
            run.mergeCharFormat(f);
        }
        i = j;
    }
    run.endEditBlock();
}

void TRichEditLink::Unindent() {
    QTextCursor c = textCursor();
    const QTextBlock first = document()->findBlock(c.selectionStart());
    const QTextBlock last = document()->findBlock(c.selectionEnd());
    QTextCursor edit(document());
    edit.beginEditBlock();
    for (QTextBlock b = first; b.isValid(); b = b.next()) {
        if (b.text().startsWith(QLatin1Char(' '))) {
            edit.setPosition(b.position());
            edit.deleteChar();
        }
        if (b == last)
            break;
    }
    edit.endEditBlock();
    c.setPosition(first.position());
    c.setPosition(last.position() + last.length() - 1, QTextCursor::KeepAnchor);
    setTextCursor(c);
}

QTextDocument* TRichEditLink::NewDocument() {
    auto* doc = new QTextDocument(this);
    // Those who work on the page's document (the link colouring) take it
    // while it is empty, even while the caller holds the editor's signals.
    const bool blocked = blockSignals(false);
    Q_EMIT documentCreated(doc);
    blockSignals(blocked);
    return doc;
}

void TRichEditLink::ReplaceDocument(QTextDocument* doc) {
    QTextDocument* old = document();
    if (doc == old)
        return;
    // The editor's own first document is freed by setDocument itself; ours
    // are freed after this turn, once nothing refers to them.
    QPointer<QTextDocument> ours = old && old->parent() == this ? old : nullptr;
    setDocument(doc);
    if (ours)
        ours->deleteLater();
}

QString TRichEditLink::PlainTextCrLf() const {
    QString text = document()->toPlainText();
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::Nbsp, QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

TLinkMatch TRichEditLink::LinkAtIndex(int index) const {
    const QTextBlock block = document()->findBlock(index);
    if (!block.isValid() || index - block.position() >= block.length() - 1)
        return {};
    // No link runs past a paragraph: the hit test reads the block alone.
    TLinkMatch m = LinkScan::LinkAtIndex(QStringView(block.text()), index - block.position());
    if (m.found())
        m.start += block.position();
    return m;
}

bool TRichEditLink::showsHand(int index) const {
    if (index < 0)
        return false;
    const QTextBlock block = document()->findBlock(index);
    return block.isValid() && index - block.position() < block.length() - 1 &&
           LinkScan::ShowsHand(QStringView(block.text()), index - block.position());
}

LinkKind TRichEditLink::SelectLinkAtCaret() {
    const TLinkMatch m = LinkAtIndex(textCursor().position());
    if (!m.found())
        return LinkNone;
    QTextCursor c = textCursor();
    c.setPosition(int(m.start));
    c.setPosition(int(m.end()), QTextCursor::KeepAnchor);
    setTextCursor(c);
    return m.kind;
}

void TRichEditLink::InsertTextAndMark(const QString& text) {
    QTextCursor c = textCursor();
    const int start = c.selectionStart();
    c.insertText(text);
    c.setPosition(start);
    c.setPosition(start + int(text.size()), QTextCursor::KeepAnchor);
    setTextCursor(c);
}

int TRichEditLink::charAt(const QPoint& point) const {
    const QPoint docPoint =
        point + QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
    const int pos = document()->documentLayout()->hitTest(docPoint, Qt::ExactHit);
    if (pos < 0)
        return -1;
    // The hit gives the nearer edge: step back when the point lies left of it.
    QTextCursor c(document());
    c.setPosition(pos);
    const QRect r = cursorRect(c);
    if (point.x() < r.x() && pos > 0)
        return pos - 1;
    return pos;
}

void TRichEditLink::mouseMoveEvent(QMouseEvent* e) {
    QTextEdit::mouseMoveEvent(e);
    const bool hand =
        LinkEnabled && e->buttons() == Qt::NoButton && showsHand(charAt(e->position().toPoint()));
    if (hand != m_hand) {
        m_hand = hand;
        viewport()->setCursor(hand ? Qt::PointingHandCursor : Qt::IBeamCursor);
    }
}

void TRichEditLink::mousePressEvent(QMouseEvent* e) {
    const bool onLink = LinkEnabled && e->button() == Qt::LeftButton &&
                        e->modifiers() == Qt::NoModifier &&
                        showsHand(charAt(e->position().toPoint()));
    const int at = onLink ? charAt(e->position().toPoint()) : -1;
    // The press moves the caret first: a selection left by the previous
    // click (a followed link is selected) must not block this one.
    QTextEdit::mousePressEvent(e);
    if (!onLink || textCursor().hasSelection())
        return;
    QTextCursor c = textCursor();
    c.setPosition(at);
    setTextCursor(c);
    const LinkKind kind = SelectLinkAtCaret();
    if (kind == LinkNone)
        return;
    const QTextBlock block = document()->findBlock(at);
    TLinkMatch m = LinkAtIndex(at);
    m.start -= block.position();
    Q_EMIT linkClicked(kind, LinkScan::ClickText(QStringView(block.text()), m));
}

bool TRichEditLink::canInsertFromMimeData(const QMimeData* source) const {
    return source->hasUrls() || source->hasFormat(QStringLiteral("CF_NODELINK")) ||
           source->hasImage() || source->hasFormat(QStringLiteral("image/png")) ||
           source->hasFormat(QStringLiteral("image/jpeg")) ||
           QTextEdit::canInsertFromMimeData(source);
}

QMimeData* TRichEditLink::createMimeDataFromSelection() const {
    QMimeData* mime = QTextEdit::createMimeDataFromSelection();
    const QTextCursor c = textCursor();
    // Qt's rich copy names a picture by a resource of this page's document,
    // which another page lacks: the picture would be lost there. Our RTF
    // carries the picture's data along.
    if (mime && c.selectedText().contains(QChar::ObjectReplacementCharacter)) {
        QTextDocument copy;
        // Runs without a font of their own keep the page's, not the program's.
        copy.setDefaultFont(document()->defaultFont());
        QTextCursor(&copy).insertFragment(c.selection());
        mime->setData(PageRtfType, Rtf::write(copy));
    }
    return mime;
}

int TRichEditLink::pictureWidth() const {
    // Wider pictures are shown at the page's width; their data stays whole.
    const int margins = int(2 * document()->documentMargin()) + 4;
    return qMax(64, viewport()->width() - margins);
}

void TRichEditLink::insertPictures(const std::function<PagePictures::Result(QTextCursor&)>& one,
                                   int count) {
    QTextCursor c = textCursor();
    c.beginEditBlock();
    QStringList errors;
    bool inserted = false;
    for (int i = 0; i < count; ++i) {
        const PagePictures::Result r = one(c);
        if (r.ok)
            inserted = true;
        else
            errors << r.error;
    }
    c.endEditBlock();
    if (inserted) {
        setTextCursor(c);
        Q_EMIT richContentsInserted();
    }
    if (!errors.isEmpty())
        MessageBox::warning(this, QStringLiteral("WrenNOTE"), errors.join(QLatin1Char('\n')));
}

void TRichEditLink::insertFromMimeData(const QMimeData* source) {
    if (isReadOnly())
        return;
    QStringList paths;
    for (const QUrl& url : source->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    // Dropped pictures go into the page; any other file makes them all links.
    if (!paths.isEmpty() &&
        std::all_of(paths.cbegin(), paths.cend(), PagePictures::IsPictureFileName)) {
        const int width = pictureWidth();
        int next = 0;
        insertPictures(
            [&](QTextCursor& c) { return PagePictures::InsertFile(c, paths[next++], width); },
            int(paths.size()));
        return;
    }
    if (!paths.isEmpty()) {
        QString text;
        for (const QString& path : paths) {
            const QString shown = FilePathConversion ? FilePathConversion(path) : path;
            const QString entry = QStringLiteral("<file:") + shown + QLatin1Char('>');
            text += paths.size() == 1 ? entry : QLatin1Char('\n') + entry;
        }
        if (paths.size() > 1)
            text += QLatin1Char('\n');
        InsertTextAndMark(text);
        return;
    }
    if (source->hasFormat(QStringLiteral("CF_NODELINK"))) {
        InsertTextAndMark(Cp932::toUnicode(source->data(QStringLiteral("CF_NODELINK"))));
        return;
    }
    if (source->hasFormat(PageRtfType)) {
        QTextCursor c = textCursor();
        c.beginEditBlock();
        Rtf::readInto(source->data(PageRtfType), c);
        c.endEditBlock();
        setTextCursor(c);
        Q_EMIT richContentsInserted();
        return;
    }
    // A picture alone (a screenshot, a browser's "copy image"); with text it
    // is only how another program shows that text.
    const QByteArray offered = PagePictures::OfferedData(*source);
    if ((source->hasImage() || !offered.isEmpty()) && !source->hasText()) {
        const int width = pictureWidth();
        insertPictures(
            [&](QTextCursor& c) {
                return offered.isEmpty() ? PagePictures::InsertImage(
                                               c, qvariant_cast<QImage>(source->imageData()), width)
                                         : PagePictures::InsertData(c, offered, width);
            },
            1);
        return;
    }
    if (!source->hasText())
        Q_EMIT richContentsInserted();
    QTextEdit::insertFromMimeData(source);
}

void TRichEditLink::sendWithoutCtrl(int key) {
    QKeyEvent plain(QEvent::KeyPress, key, Qt::NoModifier);
    QTextEdit::keyPressEvent(&plain);
}

bool TRichEditLink::event(QEvent* e) {
    // Ctrl+K and the like are the page's own, not the editor's built-in ones.
    if (e->type() == QEvent::ShortcutOverride) {
        auto* ke = static_cast<QKeyEvent*>(e);
        const Qt::KeyboardModifiers mods =
            ke->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
        if (mods == Qt::ControlModifier) {
            switch (ke->key()) {
            case Qt::Key_H:
            case Qt::Key_K:
            case Qt::Key_L:
            case Qt::Key_Comma:
            case Qt::Key_Tab:
                e->accept();
                return true;
            default:
                break;
            }
        }
    }
    return QTextEdit::event(e);
}

void TRichEditLink::keyPressEvent(QKeyEvent* e) {
    const Qt::KeyboardModifiers mods =
        e->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    if (mods == Qt::ControlModifier) {
        switch (e->key()) {
        case Qt::Key_Tab:
            if (!isReadOnly())
                textCursor().insertText(QStringLiteral("\t"));
            return;
        case Qt::Key_H:
            sendWithoutCtrl(Qt::Key_Backspace);
            return;
        case Qt::Key_K:
            sendWithoutCtrl(Qt::Key_Left);
            return;
        case Qt::Key_L:
            sendWithoutCtrl(Qt::Key_Right);
            return;
        case Qt::Key_Comma:
            sendWithoutCtrl(Qt::Key_Down);
            return;
        default:
            break;
        }
    }
    if (mods == (Qt::ControlModifier | Qt::ShiftModifier) && e->key() == Qt::Key_U) {
        if (!isReadOnly())
            Unindent();
        return;
    }
    // In overwrite mode the replaced character and the typed one are one
    // step for undo, as they are one keystroke.
    if (overwriteMode() && !e->text().isEmpty() && !textCursor().hasSelection()) {
        QTextCursor c = textCursor();
        c.beginEditBlock();
        QTextEdit::keyPressEvent(e);
        c.endEditBlock();
        return;
    }
    QTextEdit::keyPressEvent(e);
}
