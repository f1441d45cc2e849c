#include "tree/TreeCommands.h"

#include "common/CharCount.h"
#include "common/Clock.h"
#include "dialogs/MessageBox.h"
#include "file/ByteStream.h"
#include "file/Cp932.h"
#include "file/OutlineFile.h"
#include "outline/ItemFiling.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "rtf/RtfReader.h"
#include "settings/OptionDesc.h"
#include "shell/CommandTable.h"
#include "shell/MainForm.h"
#include "tree/ExplorerView.h"
#include "tree/ItemCommands.h"
#include "tree/NodeImages.h"
#include "tree/OutlineModel.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCollator>
#include <QHash>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextEdit>
#include <QToolButton>

#include <vector>

namespace {

const QString Product = QStringLiteral("WrenNOTE");

QString u(const char* s) {
    return QString::fromUtf8(s);
}

// Names of the eight entries of each label menu and the four of each progress menu.
struct MenuNames {
    const char* labels[8];
    const char* progress[4];
};
const MenuNames kTreeMenu = {
    {"ItemLabelNoneM", "ItemLabelAM", "ItemLabelBM", "ItemLabelCM", "ItemLabelDM", "ItemLabelEM",
     "ItemLabelFM", "ItemLabelGM"},
    {"ItemNotStartedM", "ItemProceedingM", "ItemFinishedM", "ItemStoppedM"}};
const MenuNames kTreePopup = {
    {"ItemTVLabelNone", "ItemTVLabelA", "ItemTVLabelB", "ItemTVLabelC", "ItemTVLabelD",
     "ItemTVLabelE", "ItemTVLabelF", "ItemTVLabelG"},
    {"ItemTVNotStarted", "ItemTVProceeding", "ItemTVFinished", "ItemTVStopped"}};
const MenuNames kTitlePanel = {{"ItemLabelNone", "ItemLabelA", "ItemLabelB", "ItemLabelC",
                                "ItemLabelD", "ItemLabelE", "ItemLabelF", "ItemLabelG"},
                               {"ItemNotStarted", "ItemProceeding", "ItemFinished", "ItemStop"}};

const char* const kEditEntries[6] = {"ItemUndo",  "ItemCut",    "ItemCopy",
                                     "ItemPaste", "ItemDelete", "ItemSelectAll"};

// The page's text as the model keeps it: cp932 with CR LF line breaks.
QByteArray pageBytes(const QTextEdit* edit) {
    QString text = edit->document()->toPlainText();
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return Cp932::fromUnicode(text);
}

// The item after node in tree order: its first child, else the next sibling
// of it or of its nearest ancestor that has one.
TOutlineNode* nextInTreeOrder(const TOutlineNode* node) {
    if (node->hasChildren())
        return node->firstChild();
    for (const TOutlineNode* n = node; n; n = n->parent())
        if (TOutlineNode* s = n->nextSibling())
            return s;
    return nullptr;
}

} // namespace

TTreeCommands::TTreeCommands(TFormMain& form) : QObject(&form), m_form(form) {
    setObjectName(QStringLiteral("TreeCommands"));
    installHandlers();

    TOutline* outline = form.Outline;
    // Another document: what was destroyed in the last one cannot come back here.
    connect(outline, &TOutline::aboutToReset, this, [this]() { m_deleted.clear(); });
    connect(outline, &TOutline::expandedChanged, this, &TTreeCommands::onExpanded);

    connect(form.ExplorerView, &TExplorerView::titleEdited, this,
            [this](TOutlineNode*, bool byKey) {
                // Go on writing the page of the item just named.
                if (byKey)
                    m_form.RichEdit->setFocus();
            });

    connect(form.IBProcStatus, &QToolButton::clicked, this,
            [this]() { m_form.Commands->guarded([this] { IBProcStatusClick(); }); });
    form.IBProcStatus->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(form.IBProcStatus, &QWidget::customContextMenuRequested, this, [this](const QPoint&) {
        if (QMenu* m = m_form.Commands->menu(QStringLiteral("MenuProcStatus")))
            m->popup(m_form.IBProcStatus->mapToGlobal(QPoint(0, m_form.IBProcStatus->height())));
    });

    // The Edit menu's entries are set for the focused control while it is
    // open; closed, its keys reach every control and the handlers decide.
    if (QMenu* edit = form.Commands->menu(QStringLiteral("MenuEdit")))
        connect(edit, &QMenu::aboutToHide, this, [this]() {
            for (const char* name : kEditEntries)
                m_form.Commands->setCommandEnabled(u(name), true);
            if (QAction* undo = m_form.Commands->action(QStringLiteral("ItemUndo")))
                undo->setText(QStringLiteral("元に戻す(&U)"));
        });
}

TTreeCommands* TTreeCommands::of(TFormMain& form) {
    return form.findChild<TTreeCommands*>(QStringLiteral("TreeCommands"),
                                          Qt::FindDirectChildrenOnly);
}

QString TTreeCommands::ItemMimeType() {
    return QStringLiteral("CF_LEAFNOTE");
}

void TTreeCommands::installHandlers() {
    TCommandTable& c = *m_form.Commands;
    c.setHandler(QStringLiteral("ItemNodeMoveClick"), [this](int tag) { ItemNodeMoveClick(tag); });
    c.setHandler(QStringLiteral("ItemDeleteClick"), [this](int) { ItemDeleteClick(); });
    c.setHandler(QStringLiteral("ItemTVEmptyTrashClick"), [this](int) { ItemTVEmptyTrashClick(); });
    c.setHandler(QStringLiteral("ItemUndoClick"), [this](int) { ItemUndoClick(); });
    c.setHandler(QStringLiteral("ItemCutClick"), [this](int) { ItemCutClick(); });
    c.setHandler(QStringLiteral("ItemCopyClick"), [this](int) { ItemCopyClick(); });
    c.setHandler(QStringLiteral("ItemPasteClick"), [this](int) { ItemPasteClick(); });
    c.setHandler(QStringLiteral("ItemSelectAllClick"),
                 [this](int tag) { ItemSelectAllClick(tag); });
    c.setHandler(QStringLiteral("ItemTVSortClick"), [this](int) { ItemTVSortClick(); });
    c.setHandler(QStringLiteral("ItemFullExpand"), [this](int) { ItemFullExpColClick(true); });
    c.setHandler(QStringLiteral("ItemFullCollapse"), [this](int) { ItemFullExpColClick(false); });
    c.setHandler(QStringLiteral("ItemAllRemoveStyles"), [this](int) { RemoveStylesClick(true); });
    c.setHandler(QStringLiteral("ItemSelRemoveStyles"), [this](int) { RemoveStylesClick(false); });
    c.setHandler(QStringLiteral("MenuEditClick"), [this](int) { MenuEditClick(); });
    c.setHandler(QStringLiteral("ItemProceedClick"), [this](int tag) { ItemProceedClick(tag); });
    c.setHandler(QStringLiteral("ItemStopClick"), [this](int) { ItemStopClick(); });
    c.setHandler(QStringLiteral("ItemLabelClick"), [this](int tag) { ItemLabelClick(tag); });
    c.setHandler(QStringLiteral("N41Click"), [this](int) { N41Click(); });
    c.setHandler(QStringLiteral("PopupMenuExplorerPopup"),
                 [this](int) { PopupMenuExplorerPopup(); });
    c.setHandler(QStringLiteral("MenuLabelPopup"), [this](int) { MenuLabelPopup(); });
    c.setHandler(QStringLiteral("MenuProcStatusPopup"), [](int) {});
    c.setHandler(QStringLiteral("MenuTreeClick"), [](int) {});
    c.addStateUpdater([this]() { refreshStates(); });
}

TTreeCommands::Target TTreeCommands::ActiveTarget() const {
    const QWidget* w = m_form.focusWidget();
    // A menu opened from the menu bar (by a screen reader, or Alt) holds the
    // focus itself: the commands act on the pane last entered.
    if (!w || qobject_cast<const QMenuBar*>(w) || qobject_cast<const QMenu*>(w))
        return TargetOfPane(m_form.CurrentPane, m_form.ExplorerView->labelEditor() != nullptr);
    if (w == m_form.RichEdit || w == m_form.RichEdit->viewport())
        return TargetPage;
    if (w == m_form.EditTitle)
        return TargetTitle;
    if (w == m_form.ExplorerView || m_form.ExplorerView->isAncestorOf(w))
        return m_form.ExplorerView->labelEditor() ? TargetLabelEdit : TargetTree;
    if (w == m_form.LinkBox || m_form.LinkBox->isAncestorOf(w))
        return TargetLink;
    return TargetOther;
}

TTreeCommands::Target TTreeCommands::TargetOfPane(int pane, bool labelEditing) {
    switch (pane) {
    case TFormMain::PaneTree:
        return labelEditing ? TargetLabelEdit : TargetTree;
    case TFormMain::PaneTitle:
        return TargetTitle;
    case TFormMain::PanePage:
        return TargetPage;
    case TFormMain::PaneLink:
        return TargetLink;
    default:
        return TargetOther;
    }
}

bool TTreeCommands::confirm(const QString& question) {
    return MessageBox::question(&m_form, Product, question) == QMessageBox::Yes;
}

void TTreeCommands::status(const QString& text) {
    m_form.ShowStatusMessage(text);
}

bool TTreeCommands::clipboardHasItem() const {
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    return mime && mime->hasFormat(ItemMimeType());
}

bool TTreeCommands::clipboardHasText() const {
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    return mime && mime->hasText();
}

// ---- States -----------------------------------------------------------------

void TTreeCommands::refreshStates() {
    TCommandTable& t = *m_form.Commands;
    TLeafNote* item = m_form.CurrentItem;
    const bool left = item && item->CanOutdent();
    const bool right = item && item->CanIndent();
    const bool down = item && item->CanMoveDown();
    // Toolbar, Tree menu and the tree pop-up's move entries share the tests.
    for (const char* prefix : {"TB", "ItemNode", "ItemTV"}) {
        const QString p = u(prefix);
        t.setCommandEnabled(p + QStringLiteral("Left"), left);
        t.setCommandEnabled(p + QStringLiteral("Right"), right);
        t.setCommandEnabled(p + QStringLiteral("Up"), right);
        t.setCommandEnabled(p + QStringLiteral("Down"), down);
    }
    // Always usable: in the page it deletes the selection, or the character
    // after the caret, as the Delete key does.
    t.setCommandEnabled(QStringLiteral("TBDelete"), true);
    t.setCommandEnabled(QStringLiteral("ItemFullExpand"), !m_form.Options->ExpandOnlyOne);

    for (const char* menu :
         {"ItemProceedRoot", "ItemLabelRoot", "ItemTVProceedRoot", "ItemTVLabelRoot"})
        t.setCommandEnabled(u(menu), item != nullptr);
    const int progress = item ? item->Progress : -1;
    const int label = item ? item->LabelIndex : -1;
    static const char* const letters = "NABCDEFG";
    for (const MenuNames* names : {&kTreeMenu, &kTreePopup, &kTitlePanel}) {
        for (int i = 0; i < 4; ++i) {
            t.setCommandEnabled(u(names->progress[i]), item != nullptr);
            t.setChecked(u(names->progress[i]), progress == i);
        }
        for (int i = 0; i < 8; ++i) {
            const QString name = u(names->labels[i]);
            t.setCommandEnabled(name, item != nullptr);
            t.setChecked(name, label == i);
            if (QAction* a = t.action(name))
                a->setText(m_form.Options->labelName(i) + QStringLiteral("(&") +
                           QLatin1Char(letters[i]) + QLatin1Char(')'));
        }
    }

    // Tree pop-up.
    TOutlineNode* trash = m_form.Outline->trashNode();
    t.setCommandEnabled(QStringLiteral("ItemTVUndo"), !m_deleted.isEmpty());
    t.setCommandEnabled(QStringLiteral("ItemTVPaste"), clipboardHasItem());
    t.setCommandEnabled(QStringLiteral("ItemTVEmptyTrash"), trash && trash->hasChildren());
    t.setCommandEnabled(QStringLiteral("ItemTVDelete"), !(item && item->IsTrash()));
    t.setCommandEnabled(QStringLiteral("ItemTVSort"), item && item->TreeNode->hasChildren());
    t.setCommandEnabled(QStringLiteral("ItemTVCut"), item && !item->IsTrash());
    t.setCommandEnabled(QStringLiteral("ItemTVCopy"), item != nullptr);

    // Page pop-up: what the page can do now.
    const QTextEdit* page = m_form.RichEdit;
    const bool sel = page->textCursor().hasSelection();
    t.setCommandEnabled(QStringLiteral("ItemRichEditUndo"),
                        !page->isReadOnly() && page->document()->isUndoAvailable());
    t.setCommandEnabled(QStringLiteral("ItemRichEditCut"), sel && !page->isReadOnly());
    t.setCommandEnabled(QStringLiteral("ItemRichEditCopy"), sel);
    t.setCommandEnabled(QStringLiteral("ItemRichEditDelete"), sel && !page->isReadOnly());
    t.setCommandEnabled(QStringLiteral("ItemRichEditPaste"), page->canPaste());
}

void TTreeCommands::MenuEditClick() {
    TCommandTable& t = *m_form.Commands;
    QAction* undo = t.action(QStringLiteral("ItemUndo"));
    if (undo)
        undo->setText(QStringLiteral("元に戻す(&U)"));
    auto set = [&t](bool undoOn, bool cut, bool copy, bool paste, bool del, bool all) {
        t.setCommandEnabled(QStringLiteral("ItemUndo"), undoOn);
        t.setCommandEnabled(QStringLiteral("ItemCut"), cut);
        t.setCommandEnabled(QStringLiteral("ItemCopy"), copy);
        t.setCommandEnabled(QStringLiteral("ItemPaste"), paste);
        t.setCommandEnabled(QStringLiteral("ItemDelete"), del);
        t.setCommandEnabled(QStringLiteral("ItemSelectAll"), all);
    };
    switch (ActiveTarget()) {
    case TargetPage: {
        const QTextEdit* e = m_form.RichEdit;
        const QTextCursor c = e->textCursor();
        const bool sel = c.hasSelection();
        const int length = e->document()->characterCount() - 1;
        set(e->document()->isUndoAvailable(), sel, sel, e->canPaste(), sel,
            c.selectionEnd() - c.selectionStart() < length);
        break;
    }
    case TargetTitle:
    case TargetLabelEdit: {
        const QLineEdit* e =
            ActiveTarget() == TargetTitle ? m_form.EditTitle : m_form.ExplorerView->labelEditor();
        const bool sel = e->hasSelectedText();
        const bool all =
            ActiveTarget() == TargetLabelEdit || e->selectedText().size() < e->text().size();
        set(e->isUndoAvailable(), sel, sel, clipboardHasText(), sel, all);
        break;
    }
    case TargetTree: {
        if (undo)
            undo->setText(QStringLiteral("削除した項目を復活させる(&U)"));
        const bool selected = m_form.Outline->selectedNode() != nullptr;
        set(!m_deleted.isEmpty(), selected, selected, clipboardHasItem() || clipboardHasText(),
            selected, false);
        break;
    }
    case TargetLink: {
        const bool selected = LinkHasSelection && LinkHasSelection();
        t.setCommandEnabled(QStringLiteral("ItemUndo"), false);
        t.setCommandEnabled(QStringLiteral("ItemDelete"), selected);
        t.setCommandEnabled(QStringLiteral("ItemPaste"), clipboardHasText());
        break;
    }
    case TargetOther:
        set(false, false, false, false, false, false);
        break;
    }
}

// ---- Moves ------------------------------------------------------------------

void TTreeCommands::ItemNodeMoveClick(int tag) {
    TOutlineNode* node = m_form.Outline->selectedNode();
    if (!node)
        return;
    TLeafNote* item = node->item();
    TOutlineNode* oldParent = node->parent();
    switch (tag) {
    case 1:
        item->Outdent();
        break;
    case 2:
        item->Indent();
        break;
    case 3:
        item->MoveUp();
        break;
    case 4:
        item->MoveDown();
        break;
    default:
        return;
    }
    moveFinished(node, oldParent);
}

void TTreeCommands::moveFinished(TOutlineNode* node, TOutlineNode* oldParent) {
    TOutline& tree = *m_form.Outline;
    // The moved item shows collapsed under an open parent; a parent left
    // empty closes.
    tree.setExpanded(node, false);
    if (TOutlineNode* p = node->parent())
        tree.setExpanded(p, true);
    if (oldParent && oldParent != node->parent() && !oldParent->hasChildren())
        tree.setExpanded(oldParent, false);
    m_form.ExplorerView->selectNode(node);
    m_form.ExplorerView->scrollTo(m_form.TreeModel->indexFromNode(node));
    m_form.Commands->updateStates();
    m_form.RefreshStatusPosition();
}

// ---- Delete, trash and restore ------------------------------------------------

void TTreeCommands::ItemDeleteClick() {
    switch (ActiveTarget()) {
    case TargetPage:
        if (!m_form.RichEdit->isReadOnly()) {
            QTextCursor c = m_form.RichEdit->textCursor();
            c.deleteChar(); // the selection, or else the next character
            m_form.RichEdit->setTextCursor(c);
        }
        break;
    case TargetTitle:
        m_form.EditTitle->del();
        break;
    case TargetLabelEdit:
        if (QLineEdit* e = m_form.ExplorerView->labelEditor(); e && e->hasSelectedText())
            e->del();
        break;
    case TargetTree:
        deleteSelectedItem();
        break;
    case TargetLink:
        if (LinkDelete)
            LinkDelete();
        break;
    case TargetOther:
        break;
    }
}

void TTreeCommands::deleteSelectedItem() {
    TOutlineNode* node = m_form.Outline->selectedNode();
    if (!node)
        return;
    TLeafNote* item = node->item();
    if (item->IsTrash())
        return;
    // Unsaved typing belongs to the item before it moves or is recorded.
    m_form.StorePage();
    QTreeView* view = m_form.ExplorerView;
    const QModelIndex top = view->indexAt(QPoint(1, 1));
    const QPersistentModelIndex topKept =
        top.isValid() && top != m_form.TreeModel->indexFromNode(node) ? QPersistentModelIndex(top)
                                                                      : QPersistentModelIndex();
    const int hscroll = view->horizontalScrollBar()->value();
    const TLeafNote::DeleteResult r =
        item->Delete([this](const QString& q) { return confirm(q); },
                     [this](TOutlineNode* gone) { m_deleted.remember(gone); });
    if (r == TLeafNote::MovedToTrash) {
        if (topKept.isValid())
            view->scrollTo(topKept, QAbstractItemView::PositionAtTop);
        view->horizontalScrollBar()->setValue(hscroll);
    }
    if (r == TLeafNote::MovedToTrash || r == TLeafNote::Destroyed) {
        if (TOutlineNode* s = m_form.Outline->selectedNode())
            m_form.GoToItem(s->item());
        m_form.Commands->updateStates();
        m_form.RefreshStatusPosition();
    }
}

void TTreeCommands::ItemTVEmptyTrashClick() {
    TOutline& tree = *m_form.Outline;
    TOutlineNode* trash = tree.trashNode();
    if (!trash || !trash->hasChildren())
        return;
    if (m_form.Options->ConfirmDel && !confirm(QStringLiteral("ごみ箱を空にしてよろしいですか?")))
        return;
    m_form.StorePage();
    {
        TOutlineUpdateScope update(tree);
        // Only the newest destroyed items can come back: the last ones.
        const int n = trash->childCount();
        for (int i = std::max(0, n - TDeletionRecord::Capacity); i < n; ++i)
            m_deleted.remember(trash->child(i));
        // From the end: each removal then moves no other row.
        while (trash->hasChildren())
            tree.removeNode(trash->lastChild());
        tree.setExpanded(trash, false);
        trash->item()->RefreshIcon();
    }
    if (TOutlineNode* s = tree.selectedNode())
        m_form.GoToItem(s->item());
    m_form.Commands->updateStates();
    m_form.RefreshStatusPosition();
}

void TTreeCommands::restoreDeleted() {
    if (m_deleted.isEmpty())
        return;
    m_form.StorePage();
    TLeafNote* item = nullptr;
    try {
        item = m_deleted.restore(*m_form.Outline, InsertAbove, m_form.Outline->selectedNode());
    } catch (const EReadError& e) {
        status(QStringLiteral("項目を復元できませんでした: %1").arg(e.message()));
        return;
    }
    if (!item)
        return;
    if (TOutlineNode* p = item->TreeNode->parent())
        p->item()->RefreshIcon();
    m_form.GoToItem(item);
    m_form.Commands->updateStates();
    m_form.RefreshStatusPosition();
}

// ---- Edit commands ------------------------------------------------------------

void TTreeCommands::ItemUndoClick() {
    switch (ActiveTarget()) {
    case TargetPage:
        m_form.RichEdit->undo();
        break;
    case TargetTitle:
        m_form.EditTitle->undo();
        break;
    case TargetLabelEdit:
        m_form.ExplorerView->labelEditor()->undo();
        break;
    case TargetTree:
        restoreDeleted();
        break;
    default:
        break;
    }
}

void TTreeCommands::ItemCutClick() {
    switch (ActiveTarget()) {
    case TargetPage:
        m_form.RichEdit->cut();
        break;
    case TargetTitle:
        m_form.EditTitle->cut();
        break;
    case TargetLabelEdit:
        m_form.ExplorerView->labelEditor()->cut();
        break;
    case TargetTree:
        if (!m_form.Outline->selectedNode() || m_form.Outline->selectedNode()->item()->IsTrash())
            return; // the trash is never cut: it would only be copied
        copyItem();
        deleteSelectedItem();
        break;
    default:
        break;
    }
}

void TTreeCommands::ItemCopyClick() {
    switch (ActiveTarget()) {
    case TargetPage:
        m_form.RichEdit->copy();
        break;
    case TargetTitle:
        m_form.EditTitle->copy();
        break;
    case TargetLabelEdit:
        m_form.ExplorerView->labelEditor()->copy();
        break;
    case TargetTree:
        copyItem();
        break;
    default:
        break;
    }
}

void TTreeCommands::ItemPasteClick() {
    switch (ActiveTarget()) {
    case TargetPage:
        m_form.RichEdit->paste();
        break;
    case TargetTitle:
        m_form.EditTitle->paste();
        break;
    case TargetLabelEdit:
        m_form.ExplorerView->labelEditor()->paste();
        break;
    case TargetTree:
        pasteItem();
        break;
    case TargetLink:
        if (LinkPaste)
            LinkPaste();
        break;
    default:
        break;
    }
}

void TTreeCommands::ItemSelectAllClick(int tag) {
    switch (ActiveTarget()) {
    case TargetPage:
        m_form.RichEdit->selectAll();
        if (tag == 1)
            m_form.RichEdit->cut();
        else if (tag == 2)
            m_form.RichEdit->copy();
        break;
    case TargetTitle:
        m_form.EditTitle->selectAll();
        break;
    case TargetLabelEdit:
        m_form.ExplorerView->labelEditor()->selectAll();
        break;
    default:
        break;
    }
}

void TTreeCommands::copyItem() {
    TOutlineNode* node = m_form.Outline->selectedNode();
    if (!node)
        return;
    m_form.StorePage();
    auto* mime = new QMimeData;
    // Copies get fresh ids when one is needed, so links keep naming the original.
    mime->setData(ItemMimeType(), OutlineFile::writeItems(node, true));
    QGuiApplication::clipboard()->setMimeData(mime);
}

void TTreeCommands::pasteItem() {
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    if (!mime)
        return;
    if (!mime->hasFormat(ItemMimeType())) {
        if (mime->hasText())
            TItemCommands::of(m_form)->ItemClippingClick(10);
        return;
    }
    const QByteArray bytes = mime->data(ItemMimeType());
    if (bytes.size() > MaxItemStream) {
        status(QStringLiteral("貼り付けられません: 項目のデータが大きすぎます"));
        return;
    }
    if (bytes.isEmpty()) {
        status(QStringLiteral("貼り付けられません: 項目のデータが空です"));
        return;
    }
    m_form.StorePage();
    TOutline& tree = *m_form.Outline;
    const OutlineFile::ReadResult r = OutlineFile::readItems(
        bytes, tree, TItemCommands::TagToCode(10, *m_form.Options), tree.selectedNode(), true);
    if (!r.ok || !r.selected) {
        status(QStringLiteral("貼り付けられません: %1").arg(r.error));
        return;
    }
    if (TOutlineNode* p = r.selected->parent()) {
        tree.setExpanded(p, true);
        p->item()->RefreshIcon();
    }
    m_form.GoToItem(r.selected->item());
    m_form.Commands->updateStates();
    m_form.RefreshStatusPosition();
}

// ---- Sort, expand, styles -----------------------------------------------------

void TTreeCommands::ItemTVSortClick() {
    TOutlineNode* node = m_form.Outline->selectedNode();
    if (!node || node->childCount() < 2)
        return;
    // The captions as shown, compared as the Japanese locale orders them.
    QCollator collator(QLocale(QLocale::Japanese, QLocale::Japan));
    collator.setCaseSensitivity(Qt::CaseSensitive);
    const int mode = m_form.TreeModel->captionMode();
    std::vector<QCollatorSortKey> keys;
    keys.reserve(size_t(node->childCount()));
    QHash<const TOutlineNode*, int> keyOf;
    keyOf.reserve(node->childCount());
    for (const TOutlineNode* c : node->children()) {
        keyOf.insert(c, int(keys.size()));
        keys.push_back(collator.sortKey(Cp932::toUnicode(c->item()->Caption(mode))));
    }
    m_form.Outline->sortChildren(node, [&](const TOutlineNode* a, const TOutlineNode* b) {
        return keys[size_t(keyOf.value(a))].compare(keys[size_t(keyOf.value(b))]) < 0;
    });
    m_form.RefreshStatusPosition();
}

void TTreeCommands::ItemFullExpColClick(bool expand) {
    TOutlineUpdateScope update(*m_form.Outline);
    m_form.ExplorerView->setAllExpanded(expand);
}

void TTreeCommands::RemoveStylesClick(bool all) {
    const QString question =
        all ? QStringLiteral("全てのノードからスタイル情報を除去してよろしいですか？")
            : QStringLiteral("選択項目以下のノードからスタイル情報を除去してよろしいですか？");
    if (!confirm(question))
        return;
    TOutline& tree = *m_form.Outline;
    TOutlineNode* from = all ? nullptr : tree.selectedNode();
    if (!all && !from)
        return;
    m_form.StorePage();
    int damaged = 0;
    tree.forEach(
        [&damaged](TOutlineNode* n) {
            TLeafNote* item = n->item();
            if (item->PageText.isEmpty()) {
                // A page kept in rich form only must not lose its words.
                try {
                    const QByteArray& rich = item->GetPage();
                    if (!rich.isEmpty())
                        item->PageText = Cp932::fromUnicode(Rtf::plainText(rich));
                } catch (const EReadError&) {
                    ++damaged;
                    return true; // left as it is
                }
            }
            item->ClearPage();
            return true;
        },
        from);
    // The page shown follows, in plain form; the next store stamps it modified.
    m_form.LoadPage();
    m_form.SetPageRich(false);
    m_form.LinkChanged = true;
    if (damaged > 0)
        status(QStringLiteral("壊れたページ %1 件はそのままにしました").arg(damaged));
}

// ---- Progress, labels, filing -------------------------------------------------

void TTreeCommands::ItemProceedClick(int tag) {
    if (TLeafNote* item = m_form.CurrentItem)
        setProgress(*item, tag);
}

void TTreeCommands::setProgress(TLeafNote& item, int tag) {
    if (tag < 1 || tag > 4)
        return;
    const TOptionDesc& o = *m_form.Options;
    m_form.LinkChanged = true;
    item.SetProgress(uint8_t(tag - 1));
    bool file = false;
    switch (tag) {
    case 3:
        item.SetDate(DateFinished, Clock::today());
        file = o.FinishAuto;
        showDatePanelForDates(item);
        break;
    case 2:
        file = o.ProceedAuto;
        break;
    default:
        item.SetDate(DateFinished, 0);
        file = o.FinishAuto;
        showDatePanelForDates(item);
        break;
    }
    if (file && ItemFiling::FileItem(item))
        m_form.ExplorerView->selectNode(item.TreeNode);
    m_form.Commands->updateStates();
    m_form.RefreshStatusPosition();
}

void TTreeCommands::showDatePanelForDates(const TLeafNote& item) {
    if (m_form.Options->DateAuto)
        m_form.SetDatePanelVisible(item.DueDate != 0 || item.FinishDate != 0);
}

void TTreeCommands::ItemStopClick() {
    if (TLeafNote* item = m_form.CurrentItem) {
        m_form.LinkChanged = true;
        item->SetProgress(ProgressOnHold);
        m_form.Commands->updateStates();
    }
}

void TTreeCommands::IBProcStatusClick() {
    TLeafNote* item = m_form.CurrentItem;
    if (!item)
        return;
    switch (item->Progress) {
    case ProgressNotStarted:
        setProgress(*item, 2);
        break;
    case ProgressInProgress:
        setProgress(*item, 3);
        break;
    case ProgressDone:
        setProgress(*item, 1);
        break;
    default:
        break; // on hold stays on hold
    }
}

void TTreeCommands::ItemLabelClick(int tag) {
    TLeafNote* item = m_form.CurrentItem;
    if (!item || tag < 0 || tag >= TOptionDesc::LabelsUsed)
        return;
    m_form.LinkChanged = true;
    item->SetLabelIndex(tag);
    m_form.Commands->updateStates();
}

void TTreeCommands::MenuLabelPopup() {
    for (int i = 0; i < 8; ++i)
        if (QAction* a = m_form.Commands->action(u(kTitlePanel.labels[i]))) {
            const int image = m_form.Options->LabelImage[size_t(i)];
            a->setIcon(image >= 0 ? QIcon(NodeImages::label(image)) : QIcon());
        }
}

void TTreeCommands::onExpanded(TOutlineNode* node, bool expanded) {
    if (!expanded || !m_form.Options->ExpandOnlyOne || node->item()->IsTrash())
        return;
    for (TOutlineNode* s : m_form.Outline->childrenOf(node->parent()))
        if (s != node && s->expanded())
            m_form.Outline->setExpanded(s, false);
}

// ---- Character counts ---------------------------------------------------------

void TTreeCommands::PopupMenuExplorerPopup() {
    m_countsShown = false;
}

void TTreeCommands::N41Click() {
    if (m_countsShown)
        return;
    TOutlineNode* node = m_form.Outline->selectedNode();
    QAction* self = m_form.Commands->action(QStringLiteral("ItemSelfCharNums"));
    QAction* sub = m_form.Commands->action(QStringLiteral("ItemNodeCharNums"));
    if (!node || !self || !sub)
        return;
    m_countsShown = true;
    auto textOf = [this](TLeafNote* item) {
        return item == m_form.CurrentItem ? pageBytes(m_form.RichEdit) : item->PageText;
    };
    const QByteArray own = textOf(node->item());
    const qint64 ownCount = CharCount::CountCharacters(own);
    self->setText(CharCount::CharCountText(ownCount, own.size()));
    if (!node->hasChildren()) {
        sub->setVisible(false);
        return;
    }
    qint64 count = 0, bytes = 0;
    m_form.Outline->forEach(
        [&](TOutlineNode* n) {
            const QByteArray text = textOf(n->item());
            count += CharCount::CountCharacters(text);
            bytes += text.size();
            return true;
        },
        node);
    sub->setText(CharCount::CharCountText(count, bytes) + QStringLiteral("：　子項目含む "));
    sub->setVisible(true);
}

// ---- Keys ---------------------------------------------------------------------

void TTreeCommands::ReadThrough() {
    QScrollBar* bar = m_form.RichEdit->verticalScrollBar();
    if (bar->value() < bar->maximum()) {
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        return;
    }
    TOutlineNode* from =
        m_form.CurrentItem ? m_form.CurrentItem->TreeNode : m_form.Outline->selectedNode();
    if (!from)
        return;
    if (TOutlineNode* next = nextInTreeOrder(from))
        m_form.GoToItem(next->item());
}

bool TTreeCommands::TreeKeyDown(QKeyEvent* e) {
    const Qt::KeyboardModifiers mods =
        e->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    TCommandTable& t = *m_form.Commands;
    if (mods == Qt::ControlModifier) {
        switch (e->key()) {
        case Qt::Key_Left:
            t.guarded([this] { ItemNodeMoveClick(1); });
            return true;
        case Qt::Key_Right:
            t.guarded([this] { ItemNodeMoveClick(2); });
            return true;
        case Qt::Key_Up:
            t.guarded([this] { ItemNodeMoveClick(3); });
            return true;
        case Qt::Key_Down:
            t.guarded([this] { ItemNodeMoveClick(4); });
            return true;
        case Qt::Key_H:
            t.guarded([this] { deleteSelectedItem(); });
            return true;
        case Qt::Key_L:
            t.trigger(QStringLiteral("ItemCopyNodeLink"));
            return true;
        case Qt::Key_M:
            t.guarded([this] { IBProcStatusClick(); });
            return true;
        default:
            return false;
        }
    }
    if (mods != Qt::NoModifier)
        return false;
    switch (e->key()) {
    case Qt::Key_Delete:
        t.guarded([this] { deleteSelectedItem(); });
        return true;
    case Qt::Key_Space:
        t.guarded([this] { ReadThrough(); });
        return true;
    default:
        return false;
    }
}

void InstallTreeCommands(TFormMain& form) {
    if (!TTreeCommands::of(form))
        new TTreeCommands(form);
}
