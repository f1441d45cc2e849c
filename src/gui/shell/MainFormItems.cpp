// The item switch, item creation and clipping.
#include "shell/MainForm.h"

#include "common/Clock.h"
#include "dialogs/MessageBox.h"
#include "editor/RichEditLink.h"
#include "file/ByteStream.h"
#include "file/Cp932.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"
#include "settings/OptionDesc.h"
#include "shell/CommandTable.h"
#include "tree/ExplorerView.h"
#include "tree/NodeImages.h"
#include "tree/OutlineModel.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QToolButton>

namespace {

// Leading and trailing characters at or below the space go.
QString trimControls(const QString& s) {
    int b = 0, e = int(s.size());
    while (b < e && s.at(b).unicode() <= 32)
        ++b;
    while (e > b && s.at(e - 1).unicode() <= 32)
        --e;
    return s.mid(b, e - b);
}

// The first line that is not blank; empty when every line is.
QString firstNonBlankLine(const QTextDocument* doc) {
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        // A block may hold soft line breaks too.
        const QStringList lines = b.text().split(QChar::LineSeparator);
        for (const QString& line : lines) {
            // A picture is no word of a title.
            const QString t = trimControls(QString(line).remove(QChar::ObjectReplacementCharacter));
            if (!t.isEmpty())
                return t;
        }
    }
    return QString();
}

// The page's plain text with CR LF line breaks, as the model keeps it.
QString pagePlainText(const QTextEdit* edit) {
    QString text = edit->document()->toPlainText();
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::Nbsp, QLatin1Char(' '));
    // Pictures live in the rich form only; in the plain text they were a "?".
    text.remove(QChar::ObjectReplacementCharacter);
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

QFont fontFromDesc(const TFontDesc& d) {
    QFont f(Cp932::toUnicode(d.Name));
    if (d.Size > 0)
        f.setPointSize(d.Size);
    f.setBold(d.Bold);
    f.setItalic(d.Italic);
    f.setUnderline(d.Underline);
    return f;
}

} // namespace

int TFormMain::TagToCode(int tag, const TOptionDesc& o) {
    switch (tag) {
    case 1:
        return InsertAbove;
    case 2:
        return InsertBelow;
    case 3:
        return InsertTopOfLevel;
    case 4:
        return InsertBottomOfLevel;
    case 5:
        return InsertFirstChild;
    case 6:
        return InsertLastChild;
    case 7:
        return o.SisterPos;
    case 8:
        return o.DaughterPos;
    case 9:
        return o.AuntPos;
    case 10:
        return o.ClipPos;
    default:
        return InsertBelow;
    }
}

void TFormMain::GoToItem(TLeafNote* item) {
    TOutlineNode* node = item ? item->TreeNode : nullptr;
    ExplorerView->selectNode(node);
    if (item == CurrentItem)
        return;
    StorePage();
    TLeafNote* previous = CurrentItem;
    CurrentItem = item;
    showItem(item);
    Commands->updateStates();
    RefreshStatusPosition();
    Q_EMIT currentItemChanged(previous, item);
}

void TFormMain::StorePage() {
    TLeafNote* item = CurrentItem;
    if (!item)
        return;
    bool changed = EditTitle->isModified();
    if (!EditTitle->isModified() && item->HasDefaultTitle()) {
        const QString line = firstNonBlankLine(RichEdit->document());
        if (!line.isEmpty()) {
            bool lossy = false;
            item->SetTitle(Cp932::fromUnicode(line, &lossy)); // not counted as a change
            if (lossy)
                ShowLossyTitleNotice();
        }
    }
    if (RichEdit->document()->isModified()) {
        bool lossy = false;
        const QByteArray text = Cp932::fromUnicode(pagePlainText(RichEdit), &lossy);
        // Characters the code page lacks survive only in the rich form.
        if (lossy)
            SetPageRich(true);
        item->PageText = text;
        item->ClearPage();
        if (!text.isEmpty() && m_pageRich)
            item->PageRich = Rtf::write(*RichEdit->document());
        RichEdit->document()->setModified(false);
        changed = true;
    }
    if (LinkChanged) {
        if (LinkLines)
            item->Links = LinkLines();
        LinkChanged = false;
        changed = true;
    }
    if (DateChanged) {
        DateChanged = false;
        changed = true;
    }
    EditTitle->setModified(false);
    if (changed)
        item->SetDate(DateModified, Clock::now());
}

void TFormMain::LoadPage() {
    TOutlineNode* node = Outline->selectedNode();
    CurrentItem = node ? node->item() : nullptr;
    showItem(CurrentItem);
}

void TFormMain::clearEditors() {
    m_loading = true;
    EditTitle->clear();
    EditTitle->setModified(false);
    RichEdit->blockSignals(true);
    RichEdit->clear();
    RichEdit->document()->setModified(false);
    RichEdit->blockSignals(false);
    m_loading = false;
    refreshTitlePanelImages();
    Q_EMIT pageLoaded(nullptr);
}

void TFormMain::showItem(TLeafNote* item) {
    if (!item) {
        clearEditors();
        EditTitle->setEnabled(false);
        RichEdit->setReadOnly(true);
        return;
    }
    EditTitle->setEnabled(true);
    RichEdit->setReadOnly(false);
    m_loading = true;
    EditTitle->setText(Cp932::toUnicode(item->Title));
    EditTitle->setCursorPosition(0);
    EditTitle->setModified(false);
    refreshTitlePanelImages();

    // The page is filled detached and then shown in one step.
    auto* page = static_cast<TRichEditLink*>(RichEdit);
    QTextDocument* doc = page->NewDocument();
    doc->setUndoRedoEnabled(false);
    const QFont defFont = fontFromDesc(Options->DefFont);
    doc->setDefaultFont(defFont);
    QByteArray rich;
    QString damaged;
    try {
        rich = item->GetPage();
    } catch (const EReadError& e) {
        // Show what is known; the stored form stays untouched unless edited.
        damaged = e.message();
    }
    auto plainText = [item]() {
        QString text = Cp932::toUnicode(item->PageText);
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        return text;
    };
    QTextCharFormat cf;
    cf.setFont(defFont);
    const uint32_t c = uint32_t(Options->DefFont.Color);
    cf.setForeground(QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)));
    if (rich.isEmpty() && damaged.isEmpty()) {
        if (item->PageText.isEmpty()) {
            SetPageRich(!Options->PreferText);
        } else {
            QTextCursor(doc).insertText(plainText(), cf);
            SetPageRich(false);
        }
    } else {
        if (damaged.isEmpty()) {
            const Rtf::ReadResult r = Rtf::load(rich, *doc);
            if (!r.ok)
                damaged = r.error;
        }
        // A damaged page shows the words it keeps in plain form, never an
        // empty page; its stored form stays as it is unless edited.
        if (!damaged.isEmpty() && !item->PageText.isEmpty()) {
            doc->clear();
            QTextCursor(doc).insertText(plainText(), cf);
        }
        SetPageRich(true);
    }
    doc->setUndoRedoEnabled(true);
    doc->setModified(false);
    RichEdit->blockSignals(true);
    page->ReplaceDocument(doc);
    // Tab stops every "WWW" of the default font.
    RichEdit->setTabStopDistance(QFontMetricsF(defFont).horizontalAdvance(QStringLiteral("WWW")));
    RichEdit->moveCursor(QTextCursor::Start);
    if (doc->isEmpty())
        RichEdit->setCurrentCharFormat(cf); // what is typed first takes the default font
    doc->setModified(false);
    RichEdit->blockSignals(false);
    m_loading = false;
    Q_EMIT pageLoaded(item);
    if (!damaged.isEmpty())
        ShowNotice(
            QStringLiteral("書式が壊れたページです。文字だけを表示しています（%1）").arg(damaged));
}

void TFormMain::SetPageRich(bool rich) {
    if (rich == m_pageRich && IBHasStyle->property("tag").isValid() &&
        IBHasStyle->property("tag").toInt() == (rich ? 1 : 0))
        return;
    m_pageRich = rich;
    IBHasStyle->setToolTip(rich ? QStringLiteral("リッチテキスト") : QStringLiteral("テキスト"));
    IBHasStyle->setIcon(NodeImages::nodeIcon(rich ? 5 : 4, -1));
    IBHasStyle->setProperty("tag", rich ? 1 : 0);
    KesRuler->setEnabled(rich); // indents are kept only in rich mode
}

void TFormMain::IBHasStyleClick() {
    SetPageRich(!m_pageRich);
    RichEdit->document()->setModified(true);
}

void TFormMain::refreshTitlePanelImages() {
    TLeafNote* item = CurrentItem;
    if (!item) {
        IBLabel->setIcon(QIcon());
        IBProcStatus->setIcon(QIcon());
        return;
    }
    const int label = item->LabelImageIndex();
    IBLabel->setIcon(label >= 0 ? QIcon(NodeImages::label(label)) : QIcon());
    IBLabel->setToolTip(Options->labelName(item->LabelIndex));
    IBProcStatus->setIcon(
        NodeImages::nodeIcon(item->IconIndex(Clock::today()), item->OverlayIndex()));
    IBProcStatus->setToolTip(TLeafNote::ProgressName(item->Progress));
}

void TFormMain::onNodeChanged(TOutlineNode* node, int changes) {
    if (!CurrentItem || node != CurrentItem->TreeNode)
        return;
    if (changes & TOutline::CaptionChanged) {
        const QString title = Cp932::toUnicode(CurrentItem->Title);
        // A title typed in the box stays as typed (it may hold what cp932 lacks).
        if (Cp932::fromUnicode(EditTitle->text()) != CurrentItem->Title) {
            m_loading = true;
            const bool modified = EditTitle->isModified();
            EditTitle->setText(title);
            EditTitle->setModified(modified);
            m_loading = false;
        }
    }
    if (changes & (TOutline::IconChanged | TOutline::LabelChanged))
        refreshTitlePanelImages();
}

void TFormMain::onTitleChanged(const QString& text) {
    if (m_loading || !CurrentItem)
        return;
    bool lossy = false;
    const QByteArray title = Cp932::fromUnicode(text, &lossy);
    m_loading = true; // the caption notification must not rewrite the box
    CurrentItem->SetTitle(title);
    m_loading = false;
    if (lossy)
        ShowLossyTitleNotice();
}

void TFormMain::createItem(int code, TOutlineNode* ref) {
    TLeafNote* item = TLeafNote::Create(*Outline, code, ref);
    // An id from birth lets a merge of two versions match it exactly.
    item->AssignNodeId();
    ExplorerView->selectNode(item->TreeNode);
    GoToItem(item);
}

void TFormMain::ItemSisterClick(int tag) {
    createItem(TagToCode(tag, *Options), Outline->selectedNode());
    ItemRenameNodeClick();
    RefreshStatusPosition();
}

void TFormMain::ItemAuntClick(int tag) {
    TOutlineNode* selected = Outline->selectedNode();
    createItem(TagToCode(tag, *Options), selected ? selected->parent() : nullptr);
    ItemRenameNodeClick();
    RefreshStatusPosition();
}

void TFormMain::ItemRenameNodeClick() {
    if (LinkBox->hasFocus()) {
        if (LinkBox->currentItem())
            Commands->trigger(QStringLiteral("ItemEditLink"));
        return;
    }
    TOutlineNode* node = Outline->selectedNode();
    if (!node)
        return;
    if (TreeModel->captionMode() == 0) {
        ExplorerView->setFocus();
        ExplorerView->editNode(node);
    } else if (!PanelTitle->isHidden()) {
        EditTitle->setFocus();
        EditTitle->selectAll();
    }
}

void TFormMain::ItemClippingClick(int tag) {
    ClipMimeData(QGuiApplication::clipboard()->mimeData(), tag);
}

void TFormMain::ClipMimeData(const QMimeData* mime, int tag) {
    if (!mime || !mime->hasText())
        return;
    createItem(TagToCode(tag, *Options), Outline->selectedNode());
    if (CurrentItem == nullptr)
        return;
    if (!mime->hasHtml()) {
        // A long clip is filled in as a page is shown, not edit by edit
        // through the editor: a megabyte takes a fraction of the time.
        QString text = mime->text();
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
        bool lossy = false;
        const QByteArray bytes = Cp932::fromUnicode(text, &lossy);
        if (!lossy) {
            CurrentItem->SetPage(bytes, QByteArray());
            showItem(CurrentItem);
            RichEdit->document()->setModified(true); // stored and stamped as an edit
            EditTitle->setText(firstNonBlankLine(RichEdit->document()));
            RefreshStatusPosition();
            return;
        }
    }
    // Paste as the page's own Paste does: rich when the clipboard offers it.
    QTextCursor cursor = RichEdit->textCursor();
    if (mime->hasHtml()) {
        cursor.insertHtml(mime->html());
        SetPageRich(true);
    } else {
        cursor.insertText(mime->text());
    }
    RichEdit->setTextCursor(cursor);
    RichEdit->document()->setModified(true);
    EditTitle->setText(firstNonBlankLine(RichEdit->document()));
    RefreshStatusPosition();
}

void TFormMain::ItemClipSelctionClick(int tag) {
    if (tag == 1)
        RichEdit->cut();
    else if (tag == 2)
        RichEdit->copy();
    else
        return;
    ItemClippingClick(10);
}

void TFormMain::ItemSelectionToNodeTitleClick() {
    QString s = RichEdit->textCursor().selectedText();
    s.replace(QChar::ParagraphSeparator, QLatin1Char(' '));
    EditTitle->setText(s);
}

void TFormMain::ItemSelectBelowClick(int tag) {
    QTextCursor c = RichEdit->textCursor();
    const int start = c.position();
    const int end = RichEdit->document()->characterCount() - 1; // without the final separator
    c.setPosition(start);
    c.setPosition(qMin(end, start + 65536), QTextCursor::KeepAnchor);
    RichEdit->setTextCursor(c);
    switch (tag) {
    case 1:
        RichEdit->cut();
        break;
    case 2:
        RichEdit->copy();
        break;
    case 3:
        RichEdit->cut();
        ItemClippingClick(10);
        break;
    default:
        break;
    }
}

void TFormMain::RefreshStatusPosition() {
    if (statusBar()->isHidden() || m_notice)
        return;
    TOutlineNode* selected = Outline->selectedNode();
    if (!selected)
        return;
    // Position in full tree order: count the nodes up to and including it.
    int n = 0;
    Outline->forEach([&n, selected](TOutlineNode* node) {
        ++n;
        return node != selected;
    });
    ShowStatusMessage(QStringLiteral("%1番目 / 全%2項目").arg(n).arg(Outline->count()));
}
