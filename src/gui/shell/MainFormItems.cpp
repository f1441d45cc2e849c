// The item switch and the status position; forwarders to the page view and
// the item commands.
#include "shell/MainForm.h"

#include "common/Clock.h"
#include "dialogs/MessageBox.h"
#include "editor/PageView.h"
#include "editor/RichEditLink.h"
#include "file/Cp932.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"
#include "shell/CommandTable.h"
#include "tree/ExplorerView.h"
#include "tree/ItemCommands.h"
#include "tree/OutlineModel.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QStatusBar>
#include <QTextCursor>
#include <QTextEdit>
#include <QToolButton>

void TFormMain::GoToItem(TLeafNote* item) {
    TOutlineNode* node = item ? item->TreeNode : nullptr;
    ExplorerView->selectNode(node);
    if (item == CurrentItem)
        return;
    StorePage();
    TLeafNote* previous = CurrentItem;
    CurrentItem = item;
    m_page->ShowItem(item);
    Commands->updateStates();
    RefreshStatusPosition();
    Q_EMIT currentItemChanged(previous, item);
}

void TFormMain::StorePage() {
    m_page->StorePage();
}

void TFormMain::LoadPage() {
    TOutlineNode* node = Outline->selectedNode();
    CurrentItem = node ? node->item() : nullptr;
    m_page->ShowItem(CurrentItem);
}

bool TFormMain::PageIsRich() const {
    return m_page->PageIsRich();
}

void TFormMain::SetPageRich(bool rich) {
    m_page->SetPageRich(rich);
}

void TFormMain::IBHasStyleClick() {
    m_page->IBHasStyleClick();
}

void TFormMain::ItemSisterClick(int tag) {
    TItemCommands::of(*this)->ItemSisterClick(tag);
}

void TFormMain::ItemAuntClick(int tag) {
    TItemCommands::of(*this)->ItemAuntClick(tag);
}

void TFormMain::ItemClippingClick(int tag) {
    TItemCommands::of(*this)->ItemClippingClick(tag);
}

void TFormMain::ItemClipSelctionClick(int tag) {
    TItemCommands::of(*this)->ItemClipSelctionClick(tag);
}

void TFormMain::ItemSelectionToNodeTitleClick() {
    m_page->ItemSelectionToNodeTitleClick();
}

void TFormMain::ItemSelectBelowClick(int tag) {
    TItemCommands::of(*this)->ItemSelectBelowClick(tag);
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
