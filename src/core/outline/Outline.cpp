#include "outline/Outline.h"

#include "common/Clock.h"
#include "outline/LeafNote.h"
#include "settings/OptionDesc.h"

#include <algorithm>

TOutlineNode::TOutlineNode(TOutline* outline, TOutlineNode* parent)
    : m_outline(outline), m_parent(parent) {}

TOutlineNode::~TOutlineNode() {
    // Iterative: a deeply nested outline must not exhaust the stack.
    std::vector<TOutlineNode*> work;
    work.swap(m_children);
    while (!work.empty()) {
        TOutlineNode* n = work.back();
        work.pop_back();
        work.insert(work.end(), n->m_children.begin(), n->m_children.end());
        n->m_children.clear();
        delete n;
    }
}

TOutlineNode* TOutlineNode::parent() const {
    if (!m_parent || !m_parent->m_parent)
        return nullptr; // the hidden root, or the root itself
    return m_parent;
}

TOutlineNode* TOutlineNode::prevSibling() const {
    if (!m_parent || m_row == 0)
        return nullptr;
    return m_parent->m_children[size_t(m_row - 1)];
}

TOutlineNode* TOutlineNode::nextSibling() const {
    if (!m_parent || size_t(m_row + 1) >= m_parent->m_children.size())
        return nullptr;
    return m_parent->m_children[size_t(m_row + 1)];
}

int TOutlineNode::level() const {
    int n = 0;
    for (const TOutlineNode* p = parent(); p; p = p->parent())
        ++n;
    return n;
}

bool TOutlineNode::contains(const TOutlineNode* other) const {
    for (const TOutlineNode* n = other; n; n = n->parent())
        if (n == this)
            return true;
    return false;
}

bool TOutlineNode::selected() const {
    return m_outline->selectedNode() == this;
}

bool TOutlineNode::isVisible() const {
    for (const TOutlineNode* p = parent(); p; p = p->parent())
        if (!p->m_expanded)
            return false;
    return true;
}

TOutline::TOutline(TOptionDesc* settings, QObject* parent)
    : QObject(parent), m_settings(settings), m_root(new TOutlineNode(this, nullptr)) {}

TOutline::~TOutline() {
    if (m_settings && m_settings->TrashNode && m_settings->TrashNode->outline() == this)
        m_settings->TrashNode = nullptr;
}

const std::vector<TOutlineNode*>& TOutline::childrenOf(const TOutlineNode* parent) const {
    return parent ? parent->m_children : m_root->m_children;
}

void TOutline::renumber(TOutlineNode* parent, int from) {
    auto& c = parent->m_children;
    for (size_t i = size_t(std::max(from, 0)); i < c.size(); ++i)
        c[i]->m_row = int(i);
}

TOutlineNode* TOutline::insertNew(TOutlineNode* parent, int row) {
    TOutlineNode* p = internalParent(parent);
    row = std::clamp(row, 0, int(p->m_children.size()));
    if (!inReset())
        Q_EMIT nodeAboutToBeInserted(parent, row);
    auto* node = new TOutlineNode(this, p);
    node->m_item = std::make_unique<TLeafNote>(node);
    p->m_children.insert(p->m_children.begin() + row, node);
    renumber(p, row);
    ++m_count;
    if (!inReset())
        Q_EMIT nodeInserted(node);
    return node;
}

bool TOutline::moveNode(TOutlineNode* node, TOutlineNode* newParent, int newRow) {
    if (!node || (newParent && node->contains(newParent)))
        return false;
    TOutlineNode* oldP = node->m_parent;
    TOutlineNode* newP = internalParent(newParent);
    const int oldRow = node->m_row;
    const int maxRow = int(newP->m_children.size()) - (oldP == newP ? 1 : 0);
    newRow = std::clamp(newRow, 0, maxRow);
    if (oldP == newP && oldRow == newRow)
        return true;
    TOutlineNode* oldParentOut = node->parent();
    if (!inReset())
        Q_EMIT nodeAboutToBeMoved(node, newParent, newRow);
    oldP->m_children.erase(oldP->m_children.begin() + oldRow);
    renumber(oldP, oldRow);
    newP->m_children.insert(newP->m_children.begin() + newRow, node);
    node->m_parent = newP;
    renumber(newP, oldP == newP ? std::min(oldRow, newRow) : newRow);
    if (!inReset())
        Q_EMIT nodeMoved(node, oldParentOut, oldRow);
    return true;
}

int TOutline::subtreeCount(const TOutlineNode* node) const {
    int n = 0;
    forEach(
        [&n](TOutlineNode*) {
            ++n;
            return true;
        },
        const_cast<TOutlineNode*>(node));
    return n;
}

void TOutline::forgetSubtree(TOutlineNode* node) {
    if (m_selected && node->contains(m_selected))
        m_selected = nullptr;
    if (m_settings && m_settings->TrashNode && node->contains(m_settings->TrashNode))
        m_settings->TrashNode = nullptr;
}

void TOutline::removeNode(TOutlineNode* node) {
    if (!node)
        return;
    TOutlineNode* p = node->m_parent;
    const int row = node->m_row;
    const bool hadSelection = m_selected && node->contains(m_selected);
    if (!inReset())
        Q_EMIT nodeAboutToBeRemoved(node);
    forgetSubtree(node);
    m_count -= subtreeCount(node);
    p->m_children.erase(p->m_children.begin() + row);
    renumber(p, row);
    delete node;
    if (!inReset()) {
        Q_EMIT nodeRemoved(p == m_root.get() ? nullptr : p, row);
        // A view may already have selected a neighbour while following the removal.
        if (hadSelection && !m_selected)
            Q_EMIT selectionChanged(nullptr);
    }
}

void TOutline::sortChildren(
    TOutlineNode* parent,
    const std::function<bool(const TOutlineNode*, const TOutlineNode*)>& less) {
    TOutlineNode* p = internalParent(parent);
    auto& c = p->m_children;
    if (c.size() < 2 || std::is_sorted(c.begin(), c.end(), less))
        return;
    if (!inReset())
        Q_EMIT childrenAboutToBeReordered(parent);
    std::stable_sort(c.begin(), c.end(), less);
    renumber(p, 0);
    if (!inReset())
        Q_EMIT childrenReordered(parent);
}

void TOutline::clear() {
    beginReset();
    m_selected = nullptr;
    if (m_settings && m_settings->TrashNode && m_settings->TrashNode->outline() == this)
        m_settings->TrashNode = nullptr;
    for (TOutlineNode* c : m_root->m_children)
        delete c;
    m_root->m_children.clear();
    m_count = 0;
    endReset();
}

void TOutline::abandonForExit() {
    static std::vector<std::vector<TOutlineNode*>> abandoned;
    beginReset();
    m_selected = nullptr;
    if (m_settings && m_settings->TrashNode && m_settings->TrashNode->outline() == this)
        m_settings->TrashNode = nullptr;
    abandoned.push_back(std::move(m_root->m_children));
    m_root->m_children.clear();
    m_count = 0;
    endReset();
}

void TOutline::setExpanded(TOutlineNode* node, bool expanded) {
    if (!node || node->m_expanded == expanded)
        return;
    node->m_expanded = expanded;
    if (!inReset())
        Q_EMIT expandedChanged(node, expanded);
}

void TOutline::setSelectedNode(TOutlineNode* node) {
    if (m_selected == node)
        return;
    m_selected = node;
    if (!inReset())
        Q_EMIT selectionChanged(node);
}

TOutlineNode* TOutline::trashNode() const {
    if (!m_settings || !m_settings->TrashNode || m_settings->TrashNode->outline() != this)
        return nullptr;
    return m_settings->TrashNode;
}

void TOutline::setTrashNode(TOutlineNode* node) {
    if (m_settings)
        m_settings->TrashNode = node;
}

void TOutline::notifyChanged(TOutlineNode* node, int changes) {
    if (!node || inReset())
        return;
    Q_EMIT nodeChanged(node, changes);
    if (TLeafNote* item = node->item(); item && item->ListItem)
        item->ListItem->itemChanged(changes);
}

void TOutline::beginReset() {
    if (m_resetDepth++ == 0) {
        m_resetNow = Clock::now();
        Q_EMIT aboutToReset();
    }
}

double TOutline::creationTime() const {
    return inReset() ? m_resetNow : Clock::now();
}

void TOutline::endReset() {
    if (m_resetDepth > 0 && --m_resetDepth == 0)
        Q_EMIT resetDone();
}

void TOutline::beginUpdate() {
    if (m_updateDepth++ == 0)
        Q_EMIT updatesEnabledChanged(false);
}

void TOutline::endUpdate() {
    if (m_updateDepth > 0 && --m_updateDepth == 0)
        Q_EMIT updatesEnabledChanged(true);
}

void TOutline::forEach(const std::function<bool(TOutlineNode*)>& visit, TOutlineNode* from) const {
    // Iterative, so that a pathologically deep outline cannot exhaust the stack.
    std::vector<std::pair<TOutlineNode*, size_t>> stack;
    if (from) {
        if (!visit(from))
            return;
        stack.emplace_back(from, 0);
    } else {
        stack.emplace_back(m_root.get(), 0);
    }
    while (!stack.empty()) {
        auto& [node, next] = stack.back();
        if (next >= node->m_children.size()) {
            stack.pop_back();
            continue;
        }
        TOutlineNode* c = node->m_children[next++];
        if (!visit(c))
            return;
        stack.emplace_back(c, 0);
    }
}

TOutlineNode* TOutline::findByNodeId(int32_t id) const {
    TOutlineNode* found = nullptr;
    forEach([&](TOutlineNode* n) {
        if (n->item()->NodeId == id) {
            found = n;
            return false;
        }
        return true;
    });
    return found;
}

int TOutline::depth() const {
    int deepest = 0;
    std::vector<std::pair<const TOutlineNode*, int>> stack;
    for (const TOutlineNode* t : m_root->m_children)
        stack.emplace_back(t, 1);
    while (!stack.empty()) {
        auto [node, d] = stack.back();
        stack.pop_back();
        deepest = std::max(deepest, d);
        for (const TOutlineNode* c : node->m_children)
            stack.emplace_back(c, d + 1);
    }
    return deepest;
}

TOutlineNode* TOutline::nextVisible(const TOutlineNode* node) const {
    if (!node)
        return nullptr;
    if (node->m_expanded && node->hasChildren())
        return node->firstChild();
    for (const TOutlineNode* n = node; n; n = n->parent())
        if (TOutlineNode* s = n->nextSibling())
            return s;
    return nullptr;
}

TOutlineNode* TOutline::prevVisible(const TOutlineNode* node) const {
    if (!node)
        return nullptr;
    TOutlineNode* prev = node->prevSibling();
    if (!prev)
        return node->parent();
    while (prev->m_expanded && prev->hasChildren())
        prev = prev->lastChild();
    return prev;
}
