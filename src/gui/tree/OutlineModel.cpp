#include "tree/OutlineModel.h"

#include "common/Clock.h"
#include "file/Cp932.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"
#include "tree/NodeImages.h"

TOutlineModel::TOutlineModel(TOutline* outline, QObject* parent)
    : QAbstractItemModel(parent), m_outline(outline) {
    connect(outline, &TOutline::nodeAboutToBeInserted, this, &TOutlineModel::onAboutToInsert);
    connect(outline, &TOutline::nodeInserted, this, &TOutlineModel::onInserted);
    connect(outline, &TOutline::nodeAboutToBeMoved, this, &TOutlineModel::onAboutToMove);
    connect(outline, &TOutline::nodeMoved, this, &TOutlineModel::onMoved);
    connect(outline, &TOutline::nodeAboutToBeRemoved, this, &TOutlineModel::onAboutToRemove);
    connect(outline, &TOutline::nodeRemoved, this, &TOutlineModel::onRemoved);
    connect(outline, &TOutline::aboutToReset, this, &TOutlineModel::beginResetModel);
    connect(outline, &TOutline::resetDone, this, &TOutlineModel::endResetModel);
    connect(outline, &TOutline::childrenAboutToBeReordered, this, &TOutlineModel::onAboutToReorder);
    connect(outline, &TOutline::childrenReordered, this, &TOutlineModel::onReordered);
    connect(outline, &TOutline::nodeChanged, this, &TOutlineModel::onChanged);
    connect(outline, &TOutline::expandedChanged, this, &TOutlineModel::onExpandedChanged);
}

void TOutlineModel::setBaseFont(const QFont& font) {
    m_boldFont = font;
    m_boldFont->setBold(true);
    refreshAll();
}

int TOutlineModel::captionMode() const {
    const TOptionDesc* s = m_outline->settings();
    return s && s->ItemView <= 8 ? s->ItemView : 0;
}

TOutlineNode* TOutlineModel::nodeFromIndex(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this)
        return nullptr;
    return static_cast<TOutlineNode*>(index.internalPointer());
}

QModelIndex TOutlineModel::indexFromNode(const TOutlineNode* node) const {
    if (!node || node->outline() != m_outline)
        return QModelIndex();
    return createIndex(node->row(), 0, const_cast<TOutlineNode*>(node));
}

QModelIndex TOutlineModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0 || (parent.isValid() && parent.column() != 0))
        return QModelIndex();
    const auto& children = m_outline->childrenOf(nodeFromIndex(parent));
    if (size_t(row) >= children.size())
        return QModelIndex();
    return createIndex(row, 0, children[size_t(row)]);
}

QModelIndex TOutlineModel::parent(const QModelIndex& child) const {
    const TOutlineNode* node = nodeFromIndex(child);
    return node ? indexFromNode(node->parent()) : QModelIndex();
}

int TOutlineModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() && parent.column() != 0)
        return 0;
    return int(m_outline->childrenOf(nodeFromIndex(parent)).size());
}

int TOutlineModel::columnCount(const QModelIndex&) const {
    return 1;
}

bool TOutlineModel::hasChildren(const QModelIndex& parent) const {
    return rowCount(parent) > 0;
}

QVariant TOutlineModel::data(const QModelIndex& index, int role) const {
    const TOutlineNode* node = nodeFromIndex(index);
    if (!node)
        return QVariant();
    const TLeafNote* item = node->item();
    switch (role) {
    case Qt::DisplayRole:
        return Cp932::toUnicode(item->Caption(captionMode()));
    case Qt::EditRole:
        return Cp932::toUnicode(item->Title);
    case Qt::DecorationRole:
        return NodeImages::itemIcon(item->LabelImageIndex(), item->IconIndex(Clock::today()),
                                    item->OverlayIndex());
    case Qt::FontRole:
        if (item->IsBold()) {
            if (m_boldFont)
                return *m_boldFont;
            QFont f;
            f.setBold(true);
            return f;
        }
        return QVariant();
    case NodeImageRole:
        return item->IconIndex(Clock::today());
    case OverlayRole:
        return item->OverlayIndex();
    case LabelImageRole:
        return item->LabelImageIndex();
    case BoldRole:
        return item->IsBold();
    default:
        return QVariant();
    }
}

bool TOutlineModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    TOutlineNode* node = nodeFromIndex(index);
    if (!node || role != Qt::EditRole)
        return false;
    bool lossy = false;
    const QByteArray title = Cp932::fromUnicode(value.toString(), &lossy);
    node->item()->SetTitle(title); // the outline tells every view
    if (lossy)
        Q_EMIT titleLossy();
    return true;
}

Qt::ItemFlags TOutlineModel::flags(const QModelIndex& index) const {
    if (!nodeFromIndex(index))
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (captionMode() == 0)
        f |= Qt::ItemIsEditable;
    return f;
}

void TOutlineModel::refreshAll() {
    // Top-level rows and, below them, every branch: the view asks again for
    // what it shows only.
    const int n = rowCount();
    if (n == 0)
        return;
    Q_EMIT layoutAboutToBeChanged();
    Q_EMIT layoutChanged();
}

void TOutlineModel::reshow() {
    beginResetModel();
    endResetModel();
}

void TOutlineModel::onAboutToInsert(TOutlineNode* parent, int row) {
    beginInsertRows(indexFromNode(parent), row, row);
}

void TOutlineModel::onInserted(TOutlineNode*) {
    endInsertRows();
}

void TOutlineModel::onAboutToMove(TOutlineNode* node, TOutlineNode* newParent, int newRow) {
    const QModelIndex from = indexFromNode(node->parent());
    const QModelIndex to = indexFromNode(newParent);
    const int oldRow = node->row();
    // Qt counts the destination before the move.
    const int dest = (node->parent() == newParent && newRow > oldRow) ? newRow + 1 : newRow;
    m_moveAsReset = !beginMoveRows(from, oldRow, oldRow, to, dest);
    if (m_moveAsReset)
        beginResetModel();
    m_moving = true;
}

void TOutlineModel::onMoved(TOutlineNode*, TOutlineNode*, int) {
    if (!m_moving)
        return;
    m_moving = false;
    if (m_moveAsReset)
        endResetModel();
    else
        endMoveRows();
}

void TOutlineModel::onAboutToRemove(TOutlineNode* node) {
    beginRemoveRows(indexFromNode(node->parent()), node->row(), node->row());
}

void TOutlineModel::onRemoved(TOutlineNode*, int) {
    endRemoveRows();
}

void TOutlineModel::onAboutToReorder(TOutlineNode* parent) {
    const QModelIndex p = indexFromNode(parent);
    Q_EMIT layoutAboutToBeChanged({QPersistentModelIndex(p)}, QAbstractItemModel::VerticalSortHint);
    // Only the level's rows change; indexes deeper down keep theirs.
    m_reordering.clear();
    const QModelIndexList all = persistentIndexList();
    for (const QModelIndex& i : all)
        if (i.parent() == p)
            m_reordering.push_back(i);
}

void TOutlineModel::onReordered(TOutlineNode* parent) {
    for (const QModelIndex& old : std::as_const(m_reordering))
        changePersistentIndex(old, indexFromNode(nodeFromIndex(old)));
    m_reordering.clear();
    Q_EMIT layoutChanged({QPersistentModelIndex(indexFromNode(parent))},
                         QAbstractItemModel::VerticalSortHint);
}

void TOutlineModel::onChanged(TOutlineNode* node, int) {
    const QModelIndex i = indexFromNode(node);
    Q_EMIT dataChanged(i, i);
}

void TOutlineModel::onExpandedChanged(TOutlineNode* node, bool) {
    // The book and folder images show whether the node is open.
    const QModelIndex i = indexFromNode(node);
    Q_EMIT dataChanged(i, i, {Qt::DecorationRole, NodeImageRole});
}
