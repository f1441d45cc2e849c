#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

class TLeafNote;
class TOptionDesc;
class TOutline;

// Where a new or moved item goes, relative to a reference item.
enum TInsertPos : int {
    InsertTopOfLevel = 0,
    InsertBottomOfLevel = 1,
    InsertBelow = 2,
    InsertAbove = 3,
    InsertFirstChild = 4,
    InsertLastChild = 5,
};

// One node of the outline. Plain object, kept small: a document may hold
// 100 000 of them. The node owns its item.
class TOutlineNode {
public:
    ~TOutlineNode();
    TOutlineNode(const TOutlineNode&) = delete;
    TOutlineNode& operator=(const TOutlineNode&) = delete;

    TOutline* outline() const { return m_outline; }
    TLeafNote* item() const { return m_item.get(); }

    // nullptr for a top-level node.
    TOutlineNode* parent() const;
    bool isTopLevel() const { return parent() == nullptr; }
    int childCount() const { return int(m_children.size()); }
    bool hasChildren() const { return !m_children.empty(); }
    TOutlineNode* child(int row) const { return m_children.at(size_t(row)); }
    const std::vector<TOutlineNode*>& children() const { return m_children; }
    TOutlineNode* firstChild() const { return m_children.empty() ? nullptr : m_children.front(); }
    TOutlineNode* lastChild() const { return m_children.empty() ? nullptr : m_children.back(); }
    // Position among its siblings (top-level nodes count among the top level).
    int row() const { return m_row; }
    TOutlineNode* prevSibling() const;
    TOutlineNode* nextSibling() const;
    // 0 for a top-level node.
    int level() const;
    // True when this node is other or one of other's ancestors.
    bool contains(const TOutlineNode* other) const;

    bool expanded() const { return m_expanded; }
    bool selected() const;
    // Every ancestor is expanded.
    bool isVisible() const;

private:
    friend class TOutline;
    TOutlineNode(TOutline* outline, TOutlineNode* parent);

    TOutline* m_outline;
    TOutlineNode* m_parent; // the hidden root for top-level nodes
    std::vector<TOutlineNode*> m_children;
    std::unique_ptr<TLeafNote> m_item;
    int m_row = 0;
    bool m_expanded = false;
};

// The tree of a document. Announces every structural change before and
// after it happens so that a view can follow; between beginReset() and
// endReset() only the reset itself is announced (bulk loading).
class TOutline : public QObject {
    Q_OBJECT
public:
    // What changed about an item: how it shows in the tree, or its page,
    // links or dates (ContentChanged), which show nowhere in it.
    enum Change { CaptionChanged = 1, IconChanged = 2, LabelChanged = 4, ContentChanged = 8 };

    explicit TOutline(TOptionDesc* settings, QObject* parent = nullptr);
    ~TOutline() override;

    TOptionDesc* settings() const { return m_settings; }

    // Expanded pages are counted against a budget, so that a small file of
    // highly compressed pages cannot ask for gigabytes.
    static constexpr qint64 BaseExpandBudget = qint64(256) << 20;
    // The budget of a document read from a file of fileSize bytes.
    static qint64 ExpandBudgetFor(qint64 fileSize) { return 64 * fileSize + BaseExpandBudget; }
    void setExpandBudget(qint64 bytes) {
        m_expandBudget = bytes;
        m_expanded = 0;
    }
    void addExpandBudget(qint64 bytes) { m_expandBudget += bytes; }
    qint64 expandBudget() const { return m_expandBudget; }
    qint64 expandRoom() const { return qMax<qint64>(0, m_expandBudget - m_expanded); }
    void chargeExpanded(qint64 bytes) { m_expanded += bytes; }
    void releaseExpanded(qint64 bytes) { m_expanded = qMax<qint64>(0, m_expanded - bytes); }

    // Top level.
    int topLevelCount() const { return int(m_root->m_children.size()); }
    TOutlineNode* topLevel(int row) const { return m_root->m_children.at(size_t(row)); }
    const std::vector<TOutlineNode*>& topLevelNodes() const { return m_root->m_children; }
    // Children of parent, or the top level for nullptr.
    const std::vector<TOutlineNode*>& childrenOf(const TOutlineNode* parent) const;
    int count() const { return m_count; }
    bool isEmpty() const { return m_count == 0; }

    // A new node with a fresh item, at row of parent (nullptr = top level;
    // row clamped to the valid range).
    TOutlineNode* insertNew(TOutlineNode* parent, int row);
    // Moves node (with its subtree) so that it ends up at newRow among
    // newParent's children. Moving a node into its own subtree is refused.
    bool moveNode(TOutlineNode* node, TOutlineNode* newParent, int newRow);
    // Deletes the node, its subtree and their items.
    void removeNode(TOutlineNode* node);
    // Puts parent's children (nullptr: the top level) in the order of less,
    // keeping equal ones as they were. One notification for the whole level,
    // so a view follows ten thousand children without a move per child.
    void sortChildren(TOutlineNode* parent,
                      const std::function<bool(const TOutlineNode*, const TOutlineNode*)>& less);
    // Deletes everything.
    void clear();
    // Empties the outline without freeing its nodes and items, for a process
    // that is about to end: freeing a large document item by item only keeps
    // the process alive longer. The nodes stay reachable, so a leak checker
    // does not count them.
    void abandonForExit();

    void setExpanded(TOutlineNode* node, bool expanded);

    TOutlineNode* selectedNode() const { return m_selected; }
    void setSelectedNode(TOutlineNode* node);

    // The document's trash node (held by the settings), or nullptr.
    TOutlineNode* trashNode() const;
    void setTrashNode(TOutlineNode* node);

    // Tells views that the node's caption, icon or label must be redrawn.
    void notifyChanged(TOutlineNode* node, int changes);

    // Bulk changes: views reset once at the end instead of following each step.
    void beginReset();
    void endReset();
    bool inReset() const { return m_resetDepth > 0; }
    // "Now" for new items: read once per bulk change, since asking the
    // system clock for every item of a large load doubles its time.
    double creationTime() const;

    // Redrawing off and on around structural batches (nested calls count).
    void beginUpdate();
    void endUpdate();

    // Depth-first walk in tree order; stop by returning false.
    void forEach(const std::function<bool(TOutlineNode*)>& visit,
                 TOutlineNode* from = nullptr) const;
    TOutlineNode* findByNodeId(int32_t id) const;
    // Largest depth (1 for top-level only, 0 when empty).
    int depth() const;

    // Visible order: as shown in an expanded tree.
    TOutlineNode* nextVisible(const TOutlineNode* node) const;
    TOutlineNode* prevVisible(const TOutlineNode* node) const;

Q_SIGNALS:
    void nodeAboutToBeInserted(TOutlineNode* parent, int row);
    void nodeInserted(TOutlineNode* node);
    // newRow is the row the node will have among newParent's children after the move.
    void nodeAboutToBeMoved(TOutlineNode* node, TOutlineNode* newParent, int newRow);
    void nodeMoved(TOutlineNode* node, TOutlineNode* oldParent, int oldRow);
    void nodeAboutToBeRemoved(TOutlineNode* node);
    void nodeRemoved(TOutlineNode* parent, int row);
    void childrenAboutToBeReordered(TOutlineNode* parent);
    void childrenReordered(TOutlineNode* parent);
    void aboutToReset();
    void resetDone();
    void nodeChanged(TOutlineNode* node, int changes);
    void expandedChanged(TOutlineNode* node, bool expanded);
    void selectionChanged(TOutlineNode* node);
    // false: stop redrawing; true: redraw again.
    void updatesEnabledChanged(bool enabled);

private:
    TOutlineNode* internalParent(TOutlineNode* parent) const {
        return parent ? parent : m_root.get();
    }
    void renumber(TOutlineNode* parent, int from);
    int subtreeCount(const TOutlineNode* node) const;
    void forgetSubtree(TOutlineNode* node);

    TOptionDesc* m_settings;
    std::unique_ptr<TOutlineNode> m_root;
    TOutlineNode* m_selected = nullptr;
    int m_count = 0;
    int m_resetDepth = 0;
    int m_updateDepth = 0;
    double m_resetNow = 0;
    qint64 m_expandBudget = BaseExpandBudget;
    qint64 m_expanded = 0;
};

// Holds a bulk change open for the life of the object (also when it ends by an
// exception), so views reset once.
class TOutlineResetScope {
public:
    explicit TOutlineResetScope(TOutline& outline) : m_outline(outline) { m_outline.beginReset(); }
    ~TOutlineResetScope() { m_outline.endReset(); }
    TOutlineResetScope(const TOutlineResetScope&) = delete;
    TOutlineResetScope& operator=(const TOutlineResetScope&) = delete;

private:
    TOutline& m_outline;
};

// Redrawing off for the life of the object.
class TOutlineUpdateScope {
public:
    explicit TOutlineUpdateScope(TOutline& outline) : m_outline(outline) {
        m_outline.beginUpdate();
    }
    ~TOutlineUpdateScope() { m_outline.endUpdate(); }
    TOutlineUpdateScope(const TOutlineUpdateScope&) = delete;
    TOutlineUpdateScope& operator=(const TOutlineUpdateScope&) = delete;

private:
    TOutline& m_outline;
};
