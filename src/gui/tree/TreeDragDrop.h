#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPoint>
#include <QString>

#include <utility>

class QDropEvent;
class QMimeData;
class QTimer;
class QWidget;
class TExplorerView;
class TFormMain;
class TLeafNote;
class TOutlineNode;

// Drag and drop of the outline tree (TDDXTreeView of the original): items
// dragged within the tree are moved (copied with Ctrl) above, into or below
// another; dragged elsewhere they carry "CF_TREENODE" (the item stream of the
// branch, a copy), "CF_NODELINK" and plain text (the item's link). Items,
// files and text lines dropped from elsewhere become items. Created by
// InstallTreeDragDrop as a child of the window.
class TDDXTreeView : public QObject {
    Q_OBJECT
public:
    enum Position { Above = 0, Into = 1, Below = 2 };

    static QString TreeNodeMimeType() { return QStringLiteral("CF_TREENODE"); }
    static QString NodeLinkMimeType() { return QStringLiteral("CF_NODELINK"); }

    explicit TDDXTreeView(TFormMain& form);
    static TDDXTreeView* of(TFormMain& form);

    // The data of a drag of node; its formats are rendered when asked for.
    static QMimeData* CreateDragData(TOutlineNode* node);

    // The item and position under a point of the tree's viewport: thirds of
    // the row; below the last visible item when no item is there.
    std::pair<TOutlineNode*, int> PositionAt(const QPoint& viewportPoint) const;
    // A drop of the tree's own drag onto target is refused: the dragged item
    // and its subtree.
    static bool RefusesOwn(const TOutlineNode* dragged, const TOutlineNode* target);
    // The effect a drop of mime would have with these keys; IgnoreAction when
    // the tree does not take it.
    static int AcceptExternal(const QMimeData* mime, Qt::KeyboardModifiers keys);
    // The effect reported back to where the data came from. Another program
    // is never told Move (it would delete what was dragged): it gets Copy, or
    // Link, whichever it offers; a drag offering nothing else is refused.
    static int ExternalEffect(const QMimeData* mime, Qt::KeyboardModifiers keys,
                              bool fromThisProgram, Qt::DropActions possible);

    // A drop inside this tree: node moved (or a copy of it, with copy) to
    // position relative to target. Returns the node that arrived.
    TOutlineNode* DropInside(TOutlineNode* node, TOutlineNode* target, int position, bool copy);
    // A drop from elsewhere: items, files (their links, or with content their
    // contents), text lines. False when nothing was made.
    bool DropExternal(const QMimeData* mime, TOutlineNode* target, int position, bool content);
    // Fills item from a dropped file: its name as the title, and either a
    // link line or (content) the file's contents as the page.
    void LoadFile(TLeafNote& item, const QString& path, bool content);

    bool dragging() const { return m_dragging; }
    TOutlineNode* feedbackItem() const { return m_feedback; }
    int feedbackPosition() const { return m_feedbackPos; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void startDrag(TOutlineNode* node);
    bool enter(QDropEvent* event);
    bool over(QDropEvent* event);
    void overStep();
    void leave();
    void drop(QDropEvent* event);
    bool edgeScroll(const QPoint& p);
    void setMark(TOutlineNode* node, int position);
    int externalEffect(const QDropEvent* event) const;
    void report(QDropEvent* event, int effect);

    TFormMain& m_form;
    TExplorerView* m_view;
    QWidget* m_mark;
    QTimer* m_overTimer;
    // Press that may become a drag.
    TOutlineNode* m_pressNode = nullptr;
    QPoint m_pressPos;
    // The drag started here (only while it runs).
    TOutlineNode* m_dragNode = nullptr;
    bool m_dragging = false;
    bool m_moved = false;
    // Drag-over state.
    const QMimeData* m_overData = nullptr;
    bool m_overOwn = false;
    QPoint m_overPos;
    Qt::KeyboardModifiers m_overKeys;
    // The data over the tree is not taken (no mark is drawn).
    bool m_overRefused = false;
    TOutlineNode* m_feedback = nullptr;
    int m_feedbackPos = -1;
    QElapsedTimer m_lastChange;
    int m_edgeState = 0;
};

void InstallTreeDragDrop(TFormMain& form);
