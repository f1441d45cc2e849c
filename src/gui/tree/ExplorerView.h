#pragma once

#include <QTreeView>

class QLineEdit;

#include <functional>
#include <memory>
#include <vector>

class TOutline;
class TOutlineNode;
class TOutlineModel;

// The outline tree. Keeps the outline's expanded flags and selection and the
// view's in step both ways; hands keys to the window before handling them.
class TExplorerView : public QTreeView {
    Q_OBJECT
public:
    explicit TExplorerView(QWidget* parent = nullptr);

    void setOutlineModel(TOutlineModel* model);
    TOutlineModel* outlineModel() const { return m_model; }
    TOutlineNode* selectedNode() const;
    void selectNode(TOutlineNode* node);
    // Starts the in-place edit of the node's title.
    bool editNode(TOutlineNode* node);
    bool isEditing() const { return state() == QAbstractItemView::EditingState; }
    // The in-place editor while a title is being edited, else nullptr.
    QLineEdit* labelEditor() const;
    // Every node with children opened (or every node closed) in one pass.
    void setAllExpanded(bool expanded);
    // Up or Down is held down (the page follows on release).
    bool arrowHeld() const { return m_arrowHeld; }
    // A left press on a row waits for its release before it selects: it may
    // be the start of a drag, which must leave the current item alone.
    bool pressPending() const { return !m_pending.empty(); }
    // A drag started from the pending press: it never becomes a click.
    void cancelPendingPress();

    // Asked first with every key press; true = handled (and swallowed).
    std::function<bool(QKeyEvent*)> KeyDownHook;
    // Every key release outside an in-place edit.
    std::function<void(QKeyEvent*)> KeyUpHook;
    std::function<void()> EnterHook;
    // A mouse press on an item, after the view handled it.
    std::function<void(TOutlineNode*)> MouseDownHook;

Q_SIGNALS:
    // An in-place title edit was accepted and closed; byKey when it ended by
    // a key in the editor rather than by the focus leaving it.
    void titleEdited(TOutlineNode* node, bool byKey);

protected:
    void commitData(QWidget* editor) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    bool defersPress(QMouseEvent* event) const;
    void restoreExpanded(TOutlineNode* from);
    void onOutlineExpanded(TOutlineNode* node, bool expanded);
    void onOutlineSelection(TOutlineNode* node);

    TOutlineModel* m_model = nullptr;
    bool m_syncing = false;
    bool m_arrowHeld = false;
    TOutlineNode* m_committed = nullptr;
    // The press (and the double click of a second press) held back.
    std::vector<std::unique_ptr<QMouseEvent>> m_pending;
    bool m_replaying = false;
};
