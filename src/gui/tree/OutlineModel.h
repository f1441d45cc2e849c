#pragma once

#include <QAbstractItemModel>
#include <QFont>

#include <optional>

class TOutline;
class TOutlineNode;
class TLeafNote;

// The outline as an item model: one column, each index pointing at its node.
// Follows the outline's notifications, so every change made through the
// outline reaches the views without a rebuild. Lookups are O(1): a node knows
// its row.
class TOutlineModel : public QAbstractItemModel {
    Q_OBJECT
public:
    // Extra roles beside Display/Edit/Decoration/Font.
    enum Roles {
        NodeImageRole = Qt::UserRole + 1, // int, the node image index
        OverlayRole,                      // int, -1 for none
        LabelImageRole,                   // int, the label image index
        BoldRole,                         // bool
    };

    explicit TOutlineModel(TOutline* outline, QObject* parent = nullptr);

    TOutline* outline() const { return m_outline; }
    TOutlineNode* nodeFromIndex(const QModelIndex& index) const;
    QModelIndex indexFromNode(const TOutlineNode* node) const;

    // Caption form 0..8 (titles are editable in form 0 only).
    int captionMode() const;
    // Base font of the tree; bold items get its bold form.
    void setBaseFont(const QFont& font);

    QModelIndex index(int row, int column,
                      const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Every caption again (caption form or date format changed).
    void refreshAll();
    // The views drop everything they know of the rows and ask again: cheaper
    // than telling them of a change to every row.
    void reshow();

Q_SIGNALS:
    // A title typed in place held characters cp932 cannot store.
    void titleLossy();

private:
    void onAboutToInsert(TOutlineNode* parent, int row);
    void onInserted(TOutlineNode* node);
    void onAboutToMove(TOutlineNode* node, TOutlineNode* newParent, int newRow);
    void onMoved(TOutlineNode* node, TOutlineNode* oldParent, int oldRow);
    void onAboutToRemove(TOutlineNode* node);
    void onRemoved(TOutlineNode* parent, int row);
    void onAboutToReorder(TOutlineNode* parent);
    void onReordered(TOutlineNode* parent);
    void onChanged(TOutlineNode* node, int changes);
    void onExpandedChanged(TOutlineNode* node, bool expanded);

    TOutline* m_outline;
    std::optional<QFont> m_boldFont;
    QModelIndexList m_reordering;
    bool m_moving = false;
    bool m_moveAsReset = false;
};
