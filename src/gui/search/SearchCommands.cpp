#include "search/SearchCommands.h"

#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "search/FindForm.h"
#include "search/FocusTray.h"
#include "search/FocusTrayModel.h"
#include "search/PageFind.h"
#include "search/PageScan.h"
#include "settings/OptionDesc.h"
#include "shell/CommandTable.h"
#include "shell/MainForm.h"

#include <QLineEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

TSearchCommands::TSearchCommands(TFormMain& form) : QObject(&form), m_form(form) {
    setObjectName(QStringLiteral("SearchCommands"));
    TFocusTray* t = tray();
    connect(t, &TFocusTray::rowClicked, this,
            [this](bool ctrl) { m_form.Commands->guarded([&] { ListViewFocusClick(ctrl); }); });
    connect(t, &TFocusTray::rowDoubleClicked, this,
            [this] { m_form.Commands->guarded([&] { ListViewFocusDblClick(); }); });
    connect(t, &TFocusTray::backspacePressed, this,
            [this] { m_form.Commands->guarded([&] { ListViewFocusBackspace(); }); });
    connect(t, &TFocusTray::columnClicked, this, [this](int kind) {
        m_form.Commands->guarded([&] { ListViewFocusColumnClick(kind); });
    });
    connect(&m_form, &TFormMain::currentItemChanged, this, &TSearchCommands::onCurrentItemChanged);

    TCommandTable& c = *m_form.Commands;
    c.setHandler(QStringLiteral("ItemFindClick"), [this](int) { ItemFindClick(); });
    c.setHandler(QStringLiteral("ItemListUpProcsClick"), [this](int) { ItemListUpProcsClick(); });
    c.setHandler(QStringLiteral("ItemListUpUnfinishedClick"),
                 [this](int) { ItemListUpUnfinishedClick(); });
    c.setHandler(QStringLiteral("ItemListUpOutOfDateClick"),
                 [this](int) { ItemListUpOutOfDateClick(); });
    c.setHandler(QStringLiteral("TBListUpCurrentNodesClick"),
                 [this](int) { TBListUpCurrentNodesClick(); });
}

TSearchCommands::~TSearchCommands() = default;

TSearchCommands* TSearchCommands::of(TFormMain& form) {
    return form.findChild<TSearchCommands*>(QStringLiteral("SearchCommands"),
                                            Qt::FindDirectChildrenOnly);
}

TFocusTray* TSearchCommands::tray() const {
    return m_form.ListViewFocus;
}

TFocusTrayModel* TSearchCommands::trayModel() const {
    return m_form.ListViewFocus->trayModel();
}

TFormFind* TSearchCommands::FindForm() {
    if (!m_findForm)
        m_findForm = new TFormFind(&m_form);
    return m_findForm;
}

void TSearchCommands::releaseCurrentNodes() {
    m_form.Commands->setChecked(QStringLiteral("TBListUpCurrentNodes"), false);
}

// ---- listing commands --------------------------------------------------------------

void TSearchCommands::ItemFindClick() {
    if (!FindForm()->Execute(m_find, *m_form.Options))
        return;
    releaseCurrentNodes();
    ListUp();
}

void TSearchCommands::ItemListUpProcsClick() {
    releaseCurrentNodes();
    m_find.Reset();
    m_find.SetProgressCondition(false, true, false, false);
    ListUp();
    SortTray(6);
}

void TSearchCommands::ItemListUpUnfinishedClick() {
    releaseCurrentNodes();
    m_find.Reset();
    m_find.SetHasDueDate();
    m_find.SetProgressCondition(true, true, false, false);
    m_find.ShowDueInTitle = true;
    ListUp();
    SortTray(6);
}

void TSearchCommands::ItemListUpOutOfDateClick() {
    releaseCurrentNodes();
    m_find.Reset();
    m_find.SetHasDueDate();
    m_find.SetProgressCondition(true, true, false, false);
    m_find.SetDateCondition(DateDue, true, false, true, 0, 0);
    m_find.ShowDueInTitle = true;
    ListUp();
    SortTray(6);
}

void TSearchCommands::TBListUpCurrentNodesClick() {
    m_find.Reset();
    if (!m_form.Commands->isChecked(QStringLiteral("TBListUpCurrentNodes")))
        return;
    m_find.SetCurrentLevel();
    ListUp();
}

void TSearchCommands::ListUpDueOn(double day, const std::vector<TLeafNote*>* candidates) {
    releaseCurrentNodes();
    m_find.Reset();
    m_find.SetHasDueDate();
    m_find.SetProgressCondition(true, true, false, false);
    m_find.SetDateCondition(DateDue, false, false, true, 0, day);
    ListUp(candidates);
}

void TSearchCommands::ListUp(const std::vector<TLeafNote*>* candidates) {
    m_form.StorePage();
    TFocusTray* t = tray();
    TFocusTrayModel* model = trayModel();
    const bool visible = !t->isHidden();
    if (visible)
        t->setUpdatesEnabled(false);
    const bool dueInTitle = m_find.ShowDueInTitle;

    if (m_find.CurrentLevel) {
        model->BeginListing();
        if (TLeafNote* current = m_form.CurrentItem) {
            TOutlineNode* parent = current->TreeNode ? current->TreeNode->parent() : nullptr;
            for (TOutlineNode* n : m_form.Outline->childrenOf(parent))
                if (m_find.Matches(*n->item()))
                    model->Append(n->item(), dueInTitle);
        }
        model->EndListing();
    } else if (m_find.InFocusTray) {
        model->Refine([this](TLeafNote& item) { return m_find.Matches(item); });
    } else if (candidates) {
        model->BeginListing();
        for (TLeafNote* item : *candidates)
            if (m_find.Matches(*item))
                model->Append(item, dueInTitle);
        model->EndListing();
    } else {
        model->BeginListing();
        m_form.Outline->forEach([&](TOutlineNode* n) {
            if (m_find.Matches(*n->item()))
                model->Append(n->item(), dueInTitle);
            return true;
        });
        model->EndListing();
    }

    if (visible)
        t->setUpdatesEnabled(true);
    else if (model->rowCount() > 0)
        m_form.SetFocusTrayVisible(true);
}

void TSearchCommands::SortTray(int kind) {
    trayModel()->Sort(kind, SortKind);
}

// ---- the level listing follows the current item -----------------------------------

void TSearchCommands::onCurrentItemChanged(TLeafNote* previous, TLeafNote* current) {
    if (!m_find.CurrentLevel || !current)
        return;
    const TOutlineNode* oldParent =
        previous && previous->TreeNode ? previous->TreeNode->parent() : nullptr;
    const TOutlineNode* newParent = current->TreeNode ? current->TreeNode->parent() : nullptr;
    if (previous && oldParent == newParent)
        return;
    m_find.Reset();
    if (m_form.Commands->isChecked(QStringLiteral("TBListUpCurrentNodes"))) {
        m_find.SetCurrentLevel();
        ListUp();
    }
}

// ---- tray events ----------------------------------------------------------------------

void TSearchCommands::ListViewFocusColumnClick(int kind) {
    SortTray(kind);
    SortKind = SortKind == kind ? 0 : kind;
}

void TSearchCommands::ListViewFocusClick(bool ctrl) {
    trayModel()->PurgeDeadRows();
    TLeafNote* item = tray()->selectedItem();
    if (!item)
        return;
    if (item != m_form.CurrentItem)
        m_form.GoToItem(item);
    if (item != m_form.CurrentItem || !m_find.OnString)
        return;
    bool found = false;
    if (m_find.InText) {
        QTextDocument* doc = m_form.RichEdit->document();
        // Painting is no edit: what was pending stays pending, nothing more.
        const bool wasModified = doc->isModified();
        if (ctrl)
            paintOccurrences();
        found = selectNextInPage();
        doc->setModified(wasModified);
    }
    if (!found && m_find.InTitle)
        selectInTitle();
}

void TSearchCommands::paintOccurrences() {
    QTextEdit* page = m_form.RichEdit;
    const TPageScan scan(page->document()->toPlainText());
    if (!m_find.FindFirst(scan.bytes())) {
        m_find.ReleaseSearchText();
        return;
    }
    const bool signalsWereBlocked = page->blockSignals(true);
    page->setUpdatesEnabled(false);
    QTextCharFormat paint;
    paint.setForeground(QColor(255, 0, 0));
    paint.setFontWeight(QFont::Bold);
    paint.setFontItalic(false);
    paint.setFontUnderline(false);
    paint.setFontStrikeOut(false);
    QTextCursor c(page->document());
    c.beginEditBlock();
    do {
        const int from = scan.charAt(m_find.Position - 1);
        const int to = scan.charAt(m_find.Position - 1 + m_find.MatchLength);
        c.setPosition(from);
        c.setPosition(to, QTextCursor::KeepAnchor);
        c.mergeCharFormat(paint);
    } while (m_find.FindNext());
    c.endEditBlock();
    m_find.ReleaseSearchText();
    QTextCursor start(page->document());
    page->setTextCursor(start);
    page->setUpdatesEnabled(true);
    page->blockSignals(signalsWereBlocked);
}

bool TSearchCommands::selectNextInPage() {
    QTextEdit* page = m_form.RichEdit;
    const TPageScan scan(page->document()->toPlainText());
    const int after = page->textCursor().selectionEnd();
    if (!m_find.FindFrom(scan.bytes(), scan.byteAt(after) + 1))
        return false;
    QTextCursor c(page->document());
    c.setPosition(scan.charAt(m_find.Position - 1));
    c.setPosition(scan.charAt(m_find.Position - 1 + m_find.MatchLength), QTextCursor::KeepAnchor);
    page->setTextCursor(c);
    page->ensureCursorVisible();
    return true;
}

bool TSearchCommands::selectInTitle() {
    QLineEdit* title = m_form.EditTitle;
    const TPageScan scan(title->text());
    if (!m_find.FindFrom(scan.bytes(), 1))
        return false;
    const int from = scan.charAt(m_find.Position - 1);
    const int to = scan.charAt(m_find.Position - 1 + m_find.MatchLength);
    title->setSelection(from, to - from);
    return true;
}

void TSearchCommands::ListViewFocusDblClick() {
    if (!m_find.CurrentLevel)
        return;
    TLeafNote* item = tray()->selectedItem();
    if (item && item->TreeNode && item->TreeNode->hasChildren())
        m_form.GoToItem(item->TreeNode->firstChild()->item());
}

void TSearchCommands::ListViewFocusBackspace() {
    if (!m_find.CurrentLevel)
        return;
    TLeafNote* current = m_form.CurrentItem;
    if (current && current->TreeNode && current->TreeNode->parent())
        m_form.GoToItem(current->TreeNode->parent()->item());
}

void InstallSearchCommands(TFormMain& form) {
    if (!TSearchCommands::of(form))
        new TSearchCommands(form);
    InstallPageFind(form);
}
