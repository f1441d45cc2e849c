#include "editor/PageLinks.h"

#include "dialogs/FileDialog.h"
#include "dialogs/MessageBox.h"
#include "doc/WrenDoc.h"
#include "editor/LinkHighlighter.h"
#include "editor/RichEditLink.h"
#include "file/Cp932.h"
#include "links/LinkJump.h"
#include "links/LinkTarget.h"
#include "links/LinkText.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"
#include "shell/CommandTable.h"
#include "shell/DocumentCommands.h"
#include "shell/MainForm.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QProcess>
#include <QScrollBar>
#include <QTextBlock>

namespace {

const QString Product = QStringLiteral("WrenNOTE");

// Settings colours are 0x00BBGGRR.
QColor colorOf(uint32_t bgr) {
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

} // namespace

std::function<bool(const QUrl&)> TPageLinks::OpenUrl = [](const QUrl& url) {
    return QDesktopServices::openUrl(url);
};

std::function<bool(const QString&, const QStringList&)> TPageLinks::StartProgram =
    [](const QString& program, const QStringList& arguments) {
        return QProcess::startDetached(program, arguments);
    };

std::function<QStringList(QWidget*, const QString&, const QString&)> TPageLinks::ChooseFiles =
    [](QWidget* parent, const QString& caption, const QString& filter) {
        return FileDialog::getOpenFileNames(parent, caption, QString(), filter);
    };

TPageLinks::TPageLinks(TFormMain& form)
    : QObject(&form), m_form(form), m_page(qobject_cast<TRichEditLink*>(form.RichEdit)) {
    setObjectName(QStringLiteral("PageLinks"));
    m_highlighter = new TLinkHighlighter(m_page->document(), this);
    // Coloured as it is filled: a document taken when full would be laid
    // out a second time.
    connect(m_page, &TRichEditLink::documentCreated, m_highlighter,
            [this](QTextDocument* doc) { m_highlighter->setDocument(doc); });
    connect(m_page, &TRichEditLink::linkClicked, this, [this](LinkKind kind, const QString& text) {
        m_form.Commands->guarded([&] { FollowLink(kind, text); });
    });
    connect(m_page, &TRichEditLink::richContentsInserted, this,
            [this]() { m_form.SetPageRich(true); });
    m_page->FilePathConversion = [this](const QString& path) {
        return m_form.Doc ? m_form.Doc->MakeRelativePath(path) : path;
    };
    installHandlers();
}

TPageLinks* TPageLinks::of(TFormMain& form) {
    return form.findChild<TPageLinks*>(QStringLiteral("PageLinks"), Qt::FindDirectChildrenOnly);
}

void TPageLinks::installHandlers() {
    TCommandTable& c = *m_form.Commands;
    c.setHandler(QStringLiteral("ItemCopyNodeLinkClick"), [this](int) { ItemCopyNodeLinkClick(); });
    c.setHandler(QStringLiteral("ItemCopyLineLinkInsideClick"),
                 [this](int) { ItemCopyLineLinkInsideClick(); });
    c.setHandler(QStringLiteral("ItemCopyLineLinkOutsideClick"),
                 [this](int) { ItemCopyLineLinkOutsideClick(); });
    c.setHandler(QStringLiteral("ItemAddFileLinkClick"), [this](int) { ItemAddFileLinkClick(); });
    c.setHandler(QStringLiteral("ItemOpenSelectionClick"),
                 [this](int) { ItemOpenSelectionClick(); });
    c.setHandler(QStringLiteral("ItemJumpOnClickClick"), [this](int) { ItemJumpOnClickClick(); });
    c.addStateUpdater([this]() {
        TCommandTable& t = *m_form.Commands;
        const bool sel = m_page->textCursor().hasSelection();
        const bool editable = !m_page->isReadOnly();
        t.setChecked(QStringLiteral("ItemJumpOnClick"), m_page->LinkEnabled);
        t.setCommandEnabled(QStringLiteral("ItemOpenSelection"), sel);
        t.setCommandEnabled(QStringLiteral("ItemAddFileLink"), editable);
        t.setCommandEnabled(QStringLiteral("N24"), m_form.CurrentItem != nullptr);
        t.setCommandEnabled(QStringLiteral("ItemCopyNodeLink"),
                            m_form.Outline->selectedNode() != nullptr);
        // Settings may have changed the colours; only a change re-colours.
        m_highlighter->setColors(colorOf(m_form.Options->HyperLinkColor),
                                 colorOf(m_form.Options->InFileLinkColor));
    });
}

void TPageLinks::openWithSystem(const QUrl& url) {
    if (!OpenUrl(url))
        showError(QStringLiteral("「%1」を開くプログラムが見つかりませんでした。")
                      .arg(url.isLocalFile() ? url.toLocalFile() : url.toString()));
}

void TPageLinks::showError(const QString& text) {
    MessageBox::warning(&m_form, Product, text);
}

// ---- Following ------------------------------------------------------------------------

void TPageLinks::FollowLink(LinkKind kind, const QString& text) {
    if (!m_form.Doc)
        return;
    const TLinkClick click = LinkTarget::ClickAction(*m_form.Doc, kind, text);
    switch (click.Action) {
    case LinkAction::OpenWithSystem:
        openWithSystem(click.Url);
        break;
    case LinkAction::FollowFile:
        JumpToFile(text);
        break;
    case LinkAction::FollowNode:
        JumpToNode(text);
        break;
    case LinkAction::FollowLine:
        JumpToLine(text);
        break;
    case LinkAction::RunCommand:
        if (!StartProgram(click.Command.Program, click.Command.Arguments))
            showError(
                QStringLiteral("プログラムを起動できませんでした: %1").arg(click.Command.Program));
        break;
    case LinkAction::None:
        break;
    }
}

void TPageLinks::JumpToNode(const QString& body) {
    const TNodeJump jump = LinkJump::JumpToNode(*m_form.Outline, body);
    if (!jump.Error.isEmpty()) {
        showError(jump.Error);
        return;
    }
    if (jump.Node)
        m_form.GoToItem(jump.Node->item());
}

void TPageLinks::JumpToLine(const QString& body) {
    const TLineJump jump = LinkJump::JumpToLine(*m_form.Outline, body);
    if (!jump.Error.isEmpty()) {
        showError(jump.Error);
        return;
    }
    if (!jump.Go)
        return;
    if (jump.Node)
        m_form.GoToItem(jump.Node->item());
    const QString page = m_page->toPlainText();
    const TLineHit hit = LinkJump::FindLineStart(QStringView(page), QStringView(jump.LineText));
    if (!hit.found())
        return;
    QTextCursor c = m_page->textCursor();
    c.setPosition(int(hit.Start));
    c.setPosition(int(hit.Start + hit.Length), QTextCursor::KeepAnchor);
    m_page->setTextCursor(c);
    // The line of the hit becomes the first one shown.
    const QRect r = m_page->cursorRect(c);
    QScrollBar* bar = m_page->verticalScrollBar();
    bar->setValue(bar->value() + r.top());
}

void TPageLinks::JumpToFile(const QString& body) {
    if (!m_form.Doc)
        return;
    const TFileLinkTarget target = LinkTarget::ParseFileLink(*m_form.Doc, body);
    if (!target.valid())
        return;
    if (!target.IsOutline) {
        openWithSystem(target.Url);
        return;
    }
    TDocumentCommands* docs = m_form.findChild<TDocumentCommands*>();
    if (!docs)
        return;
    if (TDocumentCommands::CtrlHeld())
        TDocumentCommands::StartInstance({target.Path});
    else
        docs->OpenFile(target.Path);
}

// ---- Commands -------------------------------------------------------------------------

void TPageLinks::ItemCopyNodeLinkClick() {
    TOutlineNode* node = m_form.Outline->selectedNode();
    if (!node)
        return;
    QGuiApplication::clipboard()->setText(
        Cp932::toUnicode(LinkText::NodeLinkClipboardText(*node->item())));
}

QString TPageLinks::selectCurrentLine() {
    m_page->SelectLine(m_page->textCursor().position());
    return m_page->textCursor().selectedText();
}

void TPageLinks::ItemCopyLineLinkInsideClick() {
    QGuiApplication::clipboard()->setText(LinkText::LineLinkInside(selectCurrentLine()));
}

void TPageLinks::ItemCopyLineLinkOutsideClick() {
    if (!m_form.CurrentItem)
        return;
    QGuiApplication::clipboard()->setText(
        LinkText::LineLinkOutside(selectCurrentLine(), *m_form.CurrentItem));
}

void TPageLinks::ItemAddFileLinkClick() {
    if (m_page->isReadOnly() || !m_form.Doc)
        return;
    const QStringList paths = ChooseFiles(&m_form, QStringLiteral("ファイルへのリンクを挿入"),
                                          QStringLiteral("全てのファイル (*)"));
    if (paths.isEmpty())
        return;
    QString text = LinkText::FileLinksText(*m_form.Doc, paths);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_page->textCursor().insertText(text);
}

void TPageLinks::ItemOpenSelectionClick() {
    const QString text = m_page->textCursor().selectedText().trimmed();
    if (text.isEmpty() || !m_form.Doc)
        return;
    const QUrl url = LinkTarget::SystemOpenUrl(*m_form.Doc, text);
    if (url.isValid())
        openWithSystem(url);
}

void TPageLinks::ItemJumpOnClickClick() {
    m_page->LinkEnabled = !m_page->LinkEnabled;
    if (!m_page->LinkEnabled)
        m_page->viewport()->setCursor(Qt::IBeamCursor);
    m_form.Commands->updateStates();
}

void InstallPageLinks(TFormMain& form) {
    if (!TPageLinks::of(form))
        new TPageLinks(form);
}
