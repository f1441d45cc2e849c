#pragma once

#include "outline/DeletionRecord.h"

#include <QObject>
#include <QString>

#include <functional>

class QKeyEvent;
class TFormMain;
class TLeafNote;
class TOutlineNode;

// Tree editing for the main window: moves, delete and the trash, restoring
// destroyed items, sort, the item clipboard and the Edit menu's routing,
// progress, labels and filing, character counts and the tree's own keys.
// Created by InstallTreeCommands as a child of the window.
class TTreeCommands : public QObject {
    Q_OBJECT
public:
    explicit TTreeCommands(TFormMain& form);
    static TTreeCommands* of(TFormMain& form);

    // The clipboard format of an item with its subtree.
    static QString ItemMimeType();
    // Larger item streams are taken for damaged or hostile data.
    static constexpr qsizetype MaxItemStream = qsizetype(1) << 30;

    // Where the Edit commands go: the control that has the focus.
    enum Target { TargetOther, TargetPage, TargetTitle, TargetLabelEdit, TargetTree, TargetLink };
    Target ActiveTarget() const;
    // The target of a pane (TFormMain::Pane*), for when the focus is in a menu.
    static Target TargetOfPane(int pane, bool labelEditing);

    TDeletionRecord& deletionRecord() { return m_deleted; }

    // The link panel's side of Delete and Paste while it has the focus (set
    // by the link panel).
    std::function<void()> LinkDelete;
    std::function<void()> LinkPaste;
    std::function<bool()> LinkHasSelection;

    void ItemNodeMoveClick(int tag);
    void ItemDeleteClick();
    void ItemTVEmptyTrashClick();
    void ItemUndoClick();
    void ItemCutClick();
    void ItemCopyClick();
    void ItemPasteClick();
    void ItemSelectAllClick(int tag);
    void ItemTVSortClick();
    void ItemFullExpColClick(bool expand);
    void RemoveStylesClick(bool all);
    void MenuEditClick();

    void ItemProceedClick(int tag);
    void ItemStopClick();
    void IBProcStatusClick();
    void ItemLabelClick(int tag);
    void N41Click();
    void PopupMenuExplorerPopup();
    void MenuLabelPopup();

    // Space in the tree: the page scrolls a screen, or at its end the next
    // item in tree order is shown.
    void ReadThrough();
    // The tree's keys of this side; true when handled.
    bool TreeKeyDown(QKeyEvent* event);

private:
    void installHandlers();
    void refreshStates();
    void moveFinished(TOutlineNode* node, TOutlineNode* oldParent);
    void deleteSelectedItem();
    void copyItem();
    void pasteItem();
    void restoreDeleted();
    void setProgress(TLeafNote& item, int tag);
    void showDatePanelForDates(const TLeafNote& item);
    void onExpanded(TOutlineNode* node, bool expanded);
    bool confirm(const QString& question);
    void status(const QString& text);
    bool clipboardHasItem() const;
    bool clipboardHasText() const;

    TFormMain& m_form;
    TDeletionRecord m_deleted;
    bool m_countsShown = false;
};

void InstallTreeCommands(TFormMain& form);
