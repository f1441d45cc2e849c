#include "editor/PageView.h"

#include "common/Clock.h"
#include "common/DateFormat.h"
#include "editor/RichEditLink.h"
#include "file/ByteStream.h"
#include "file/Cp932.h"
#include "layout/WindowLayout.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"
#include "settings/OptionDesc.h"
#include "shell/CommandTable.h"
#include "shell/MainForm.h"
#include "tree/NodeImages.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
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

TPageView::TPageView(TFormMain& form) : QObject(&form), m_form(form) {
    setObjectName(QStringLiteral("PageView"));
    connect(form.EditTitle, &QLineEdit::textChanged, this, &TPageView::onTitleChanged);
    connect(form.IBHasStyle, &QToolButton::clicked, this,
            [this]() { m_form.Commands->guarded([this] { IBHasStyleClick(); }); });
    connect(form.Outline, &TOutline::nodeChanged, this, &TPageView::onNodeChanged);
    form.Commands->setHandler(QStringLiteral("ItemSelectionToNodeTitleClick"),
                              [this](int) { ItemSelectionToNodeTitleClick(); });
}

TPageView* TPageView::of(TFormMain& form) {
    return form.findChild<TPageView*>(QStringLiteral("PageView"), Qt::FindDirectChildrenOnly);
}

QString TPageView::FirstNonBlankLine(const QTextDocument* doc) {
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

void TPageView::StorePage() {
    TLeafNote* item = m_form.CurrentItem;
    if (!item)
        return;
    bool changed = m_form.EditTitle->isModified();
    if (!m_form.EditTitle->isModified() && item->HasDefaultTitle()) {
        const QString line = FirstNonBlankLine(m_form.RichEdit->document());
        if (!line.isEmpty()) {
            bool lossy = false;
            item->SetTitle(Cp932::fromUnicode(line, &lossy)); // not counted as a change
            if (lossy)
                m_form.ShowLossyTitleNotice();
        }
    }
    if (m_form.RichEdit->document()->isModified()) {
        bool lossy = false;
        const QByteArray text = Cp932::fromUnicode(pagePlainText(m_form.RichEdit), &lossy);
        // Characters the code page lacks survive only in the rich form.
        if (lossy)
            SetPageRich(true);
        item->PageText = text;
        item->ClearPage();
        if (!text.isEmpty() && m_pageRich)
            item->PageRich = Rtf::write(*m_form.RichEdit->document());
        m_form.RichEdit->document()->setModified(false);
        changed = true;
    }
    if (m_form.LinkChanged) {
        if (m_form.LinkLines)
            item->Links = m_form.LinkLines();
        m_form.LinkChanged = false;
        changed = true;
    }
    if (m_form.DateChanged) {
        m_form.DateChanged = false;
        changed = true;
    }
    m_form.EditTitle->setModified(false);
    if (changed) {
        item->SetDate(DateModified, Clock::now());
        // What watches for edits (the file on disk) must know of these too.
        m_form.Outline->notifyChanged(item->TreeNode, TOutline::ContentChanged);
    }
}

void TPageView::ClearEditors() {
    m_loading = true;
    m_form.EditTitle->clear();
    m_form.EditTitle->setModified(false);
    m_form.RichEdit->blockSignals(true);
    m_form.RichEdit->clear();
    m_form.RichEdit->document()->setModified(false);
    m_form.RichEdit->blockSignals(false);
    m_loading = false;
    refreshTitlePanelImages();
    Q_EMIT m_form.pageLoaded(nullptr);
}

void TPageView::ShowItem(TLeafNote* item) {
    if (!item) {
        ClearEditors();
        m_form.EditTitle->setEnabled(false);
        m_form.RichEdit->setReadOnly(true);
        return;
    }
    m_form.EditTitle->setEnabled(true);
    m_form.RichEdit->setReadOnly(false);
    m_loading = true;
    m_form.EditTitle->setText(Cp932::toUnicode(item->Title));
    m_form.EditTitle->setCursorPosition(0);
    m_form.EditTitle->setModified(false);
    refreshTitlePanelImages();

    // The page is filled detached and then shown in one step.
    auto* page = static_cast<TRichEditLink*>(m_form.RichEdit);
    QTextDocument* doc = page->NewDocument();
    doc->setUndoRedoEnabled(false);
    const QFont defFont = fontFromDesc(m_form.Options->DefFont);
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
    const uint32_t c = uint32_t(m_form.Options->DefFont.Color);
    cf.setForeground(QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)));
    if (rich.isEmpty() && damaged.isEmpty()) {
        if (item->PageText.isEmpty()) {
            SetPageRich(!m_form.Options->PreferText);
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
    m_form.RichEdit->blockSignals(true);
    page->ReplaceDocument(doc);
    // Tab stops every "WWW" of the default font.
    m_form.RichEdit->setTabStopDistance(
        QFontMetricsF(defFont).horizontalAdvance(QStringLiteral("WWW")));
    m_form.RichEdit->moveCursor(QTextCursor::Start);
    if (doc->isEmpty())
        m_form.RichEdit->setCurrentCharFormat(cf); // what is typed first takes the default font
    doc->setModified(false);
    m_form.RichEdit->blockSignals(false);
    m_loading = false;
    Q_EMIT m_form.pageLoaded(item);
    if (!damaged.isEmpty())
        m_form.ShowNotice(
            QStringLiteral("書式が壊れたページです。文字だけを表示しています（%1）").arg(damaged));
}

void TPageView::SetPageRich(bool rich) {
    if (rich == m_pageRich && m_form.IBHasStyle->property("tag").isValid() &&
        m_form.IBHasStyle->property("tag").toInt() == (rich ? 1 : 0))
        return;
    m_pageRich = rich;
    m_form.IBHasStyle->setToolTip(rich ? QStringLiteral("リッチテキスト")
                                       : QStringLiteral("テキスト"));
    m_form.IBHasStyle->setIcon(NodeImages::nodeIcon(rich ? 5 : 4, -1));
    m_form.IBHasStyle->setProperty("tag", rich ? 1 : 0);
    m_form.KesRuler->setEnabled(rich); // indents are kept only in rich mode
}

void TPageView::IBHasStyleClick() {
    SetPageRich(!m_pageRich);
    m_form.RichEdit->document()->setModified(true);
}

void TPageView::refreshTitlePanelImages() {
    TLeafNote* item = m_form.CurrentItem;
    if (!item) {
        m_form.IBLabel->setIcon(QIcon());
        m_form.IBProcStatus->setIcon(QIcon());
        return;
    }
    const int label = item->LabelImageIndex();
    m_form.IBLabel->setIcon(label >= 0 ? QIcon(NodeImages::label(label)) : QIcon());
    m_form.IBLabel->setToolTip(m_form.Options->labelName(item->LabelIndex));
    m_form.IBProcStatus->setIcon(
        NodeImages::nodeIcon(item->IconIndex(Clock::today()), item->OverlayIndex()));
    m_form.IBProcStatus->setToolTip(TLeafNote::ProgressName(item->Progress));
}

void TPageView::onNodeChanged(TOutlineNode* node, int changes) {
    if (!m_form.CurrentItem || node != m_form.CurrentItem->TreeNode)
        return;
    if (changes & TOutline::CaptionChanged) {
        const QString title = Cp932::toUnicode(m_form.CurrentItem->Title);
        // A title typed in the box stays as typed (it may hold what cp932 lacks).
        if (Cp932::fromUnicode(m_form.EditTitle->text()) != m_form.CurrentItem->Title) {
            m_loading = true;
            const bool modified = m_form.EditTitle->isModified();
            m_form.EditTitle->setText(title);
            m_form.EditTitle->setModified(modified);
            m_loading = false;
        }
    }
    if (changes & (TOutline::IconChanged | TOutline::LabelChanged))
        refreshTitlePanelImages();
}

void TPageView::onTitleChanged(const QString& text) {
    if (m_loading || !m_form.CurrentItem)
        return;
    bool lossy = false;
    const QByteArray title = Cp932::fromUnicode(text, &lossy);
    m_loading = true; // the caption notification must not rewrite the box
    m_form.CurrentItem->SetTitle(title);
    m_loading = false;
    if (lossy)
        m_form.ShowLossyTitleNotice();
}

void TPageView::ItemSelectionToNodeTitleClick() {
    QString s = m_form.RichEdit->textCursor().selectedText();
    s.replace(QChar::ParagraphSeparator, QLatin1Char(' '));
    m_form.EditTitle->setText(s);
}

bool TPageView::TitleKeyDown(QKeyEvent* e) {
    const Qt::KeyboardModifiers mods =
        e->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    if (mods == Qt::NoModifier && (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)) {
        m_form.RichEdit->setFocus();
        return true;
    }
    if (mods == Qt::ControlModifier) {
        switch (e->key()) {
        case Qt::Key_D:
            m_form.EditTitle->insert(
                FormatWrenDate(Cp932::toUnicode(m_form.Options->DateFormat), Clock::now()));
            return true;
        case Qt::Key_K:
            m_form.EditTitle->cursorBackward(false);
            return true;
        case Qt::Key_L:
            m_form.EditTitle->cursorForward(false);
            return true;
        default:
            break;
        }
    }
    return false;
}

bool TPageView::PageKeyDown(QKeyEvent* e) {
    if (e->key() == Qt::Key_Insert && e->modifiers() == Qt::NoModifier) {
        const bool overwrite = !m_form.RichEdit->overwriteMode();
        m_form.RichEdit->setOverwriteMode(overwrite);
        m_form.statusPanel(2)->setText(overwrite ? QStringLiteral("上書") : QStringLiteral("挿入"));
        return true;
    }
    const Qt::KeyboardModifiers mods =
        e->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    if (mods != Qt::ControlModifier)
        return false;
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        TWindowLayout::of(m_form)->SetTreeVisible(m_form.PanelLeft->isHidden());
        return true;
    case Qt::Key_D:
        m_form.RichEdit->textCursor().insertText(
            FormatWrenDate(Cp932::toUnicode(m_form.Options->DateFormat), Clock::now()));
        return true;
    default:
        return false;
    }
}
