#include "outline/ItemFiling.h"

#include "file/Cp932.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"

namespace ItemFiling {

QByteArray InProgressFolderTitle() {
    static const QByteArray t = Cp932::fromUnicode(QStringLiteral("進行中項目"));
    return t;
}

QByteArray DoneFolderTitle() {
    static const QByteArray t = Cp932::fromUnicode(QStringLiteral("完了項目"));
    return t;
}

QByteArray FolderTitle(int progress) {
    switch (progress) {
    case ProgressInProgress:
        return InProgressFolderTitle();
    case ProgressDone:
        return DoneFolderTitle();
    default:
        return QByteArray();
    }
}

namespace {

bool isFolder(const TOutlineNode* node) {
    const QByteArray& t = node->item()->Title;
    return t == InProgressFolderTitle() || t == DoneFolderTitle();
}

// The level of ref searched downwards from ref, then upwards from above it.
TOutlineNode* findFolder(TOutline& tree, TOutlineNode* ref, const QByteArray& title) {
    const auto& level = tree.childrenOf(ref->parent());
    for (size_t i = size_t(ref->row()); i < level.size(); ++i)
        if (level[i]->item()->Title == title)
            return level[i];
    for (int i = ref->row() - 1; i >= 0; --i)
        if (level[size_t(i)]->item()->Title == title)
            return level[size_t(i)];
    return nullptr;
}

} // namespace

bool FileItem(TLeafNote& item) {
    TOutline& tree = item.outline();
    TOutlineNode* node = item.TreeNode;
    const QByteArray target = FolderTitle(item.Progress);
    if (item.Title == target)
        return false; // a folder itself (or an untitled item with nothing to file)
    TOutlineNode* parent = node->parent();
    TOutlineNode* ref = node;
    if (parent && isFolder(parent)) {
        if (target.isEmpty()) {
            TOutlineUpdateScope update(tree);
            tree.moveNode(node, parent->parent(), 0);
            parent->item()->RefreshIcon();
            item.RefreshIcon();
            return true;
        }
        ref = parent;
    } else if (target.isEmpty()) {
        return false;
    }
    TOutlineUpdateScope update(tree);
    TOutlineNode* folder = findFolder(tree, ref, target);
    if (!folder) {
        TLeafNote* made = TLeafNote::Create(tree, InsertBottomOfLevel, ref);
        made->SetTitle(target);
        made->SetProgress(item.Progress);
        folder = made->TreeNode;
    }
    if (folder == parent && node->row() == 0)
        return false;
    tree.moveNode(node, folder, 0);
    tree.setExpanded(folder, true);
    if (parent && !parent->hasChildren())
        parent->item()->RefreshIcon();
    folder->item()->RefreshIcon();
    item.RefreshIcon();
    return true;
}

} // namespace ItemFiling
