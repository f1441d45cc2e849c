#include "tree/ExplorerView.h"

#include "outline/Outline.h"
#include "tree/OutlineModel.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalBlocker>

TExplorerView::TExplorerView(QWidget* parent) : QTreeView(parent) {
    setObjectName(QStringLiteral("ExplorerView"));
    setHeaderHidden(true);
    setIndentation(19);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setIconSize(QSize(34, 16));
    setContextMenuPolicy(Qt::CustomContextMenu);
    setExpandsOnDoubleClick(true);
    // Long titles are shown whole, with a horizontal scroll bar, never cut off.
    setTextElideMode(Qt::ElideNone);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    // Measured over the rows in sight only: a large outline must not be
    // measured a thousand rows at a time after every change.
    header()->setResizeContentsPrecision(0);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void TExplorerView::setOutlineModel(TOutlineModel* model) {
    m_model = model;
    setModel(model);
    TOutline* outline = model->outline();
    connect(outline, &TOutline::expandedChanged, this, &TExplorerView::onOutlineExpanded);
    connect(outline, &TOutline::selectionChanged, this, &TExplorerView::onOutlineSelection);
    connect(outline, &TOutline::updatesEnabledChanged, this,
            [this](bool on) { setUpdatesEnabled(on); });
    connect(this, &QTreeView::expanded, this, [this](const QModelIndex& i) {
        if (!m_syncing)
            m_model->outline()->setExpanded(m_model->nodeFromIndex(i), true);
    });
    connect(this, &QTreeView::collapsed, this, [this](const QModelIndex& i) {
        if (!m_syncing)
            m_model->outline()->setExpanded(m_model->nodeFromIndex(i), false);
    });
    connect(model, &QAbstractItemModel::modelReset, this, [this]() {
        restoreExpanded(nullptr);
        onOutlineSelection(m_model->outline()->selectedNode());
    });
    connect(model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex& parent, int first, int last) {
                const auto& children =
                    m_model->outline()->childrenOf(m_model->nodeFromIndex(parent));
                for (int r = first; r <= last && size_t(r) < children.size(); ++r)
                    restoreExpanded(children[size_t(r)]);
            });
    restoreExpanded(nullptr);
}

void TExplorerView::restoreExpanded(TOutlineNode* from) {
    TOutline* outline = m_model->outline();
    const bool wasSyncing = m_syncing;
    m_syncing = true;
    outline->forEach(
        [this](TOutlineNode* n) {
            if (n->expanded() && n->hasChildren())
                setExpanded(m_model->indexFromNode(n), true);
            return true;
        },
        from);
    m_syncing = wasSyncing;
}

TOutlineNode* TExplorerView::selectedNode() const {
    return m_model ? m_model->nodeFromIndex(currentIndex()) : nullptr;
}

void TExplorerView::selectNode(TOutlineNode* node) {
    if (!m_model)
        return;
    m_model->outline()->setSelectedNode(node);
    onOutlineSelection(node);
}

bool TExplorerView::editNode(TOutlineNode* node) {
    const QModelIndex i = m_model ? m_model->indexFromNode(node) : QModelIndex();
    if (!i.isValid())
        return false;
    scrollTo(i);
    return edit(i, QAbstractItemView::AllEditTriggers, nullptr);
}

QLineEdit* TExplorerView::labelEditor() const {
    if (!isEditing())
        return nullptr;
    return qobject_cast<QLineEdit*>(indexWidget(currentIndex()));
}

void TExplorerView::setAllExpanded(bool expanded) {
    if (!m_model)
        return;
    TOutline* outline = m_model->outline();
    TOutlineNode* const selected = selectedNode();
    m_syncing = true;
    {
        // No signal per item: each made the view look up the row it named
        // (seconds on 100 000 items). The open and closed images are asked
        // for again when the rows are drawn.
        const QSignalBlocker quiet(outline);
        outline->forEach([outline, expanded](TOutlineNode* n) {
            outline->setExpanded(n, expanded && n->hasChildren());
            return true;
        });
    }
    if (expanded) {
        expandAll();
    } else {
        // Forgetting every open row at once: collapseAll() lets go of them
        // one by one.
        m_model->reshow();
    }
    viewport()->update();
    m_syncing = false;
    // Shown again, its way down opened: the view tells the outline.
    if (selected) {
        const QModelIndex i = m_model->indexFromNode(selected);
        if (currentIndex() != i)
            setCurrentIndex(i);
        scrollTo(i);
    }
}

void TExplorerView::commitData(QWidget* editor) {
    QTreeView::commitData(editor);
    m_committed = selectedNode();
}

void TExplorerView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    // Focus still in the editor means a key ended the edit, not a click elsewhere.
    const bool byKey = editor && editor->hasFocus();
    TOutlineNode* node = m_committed;
    m_committed = nullptr;
    QTreeView::closeEditor(editor, hint);
    if (node && hint != QAbstractItemDelegate::RevertModelCache)
        Q_EMIT titleEdited(node, byKey);
}

void TExplorerView::onOutlineExpanded(TOutlineNode* node, bool expanded) {
    if (m_syncing)
        return;
    m_syncing = true;
    setExpanded(m_model->indexFromNode(node), expanded);
    m_syncing = false;
}

void TExplorerView::onOutlineSelection(TOutlineNode* node) {
    if (m_syncing)
        return;
    const QModelIndex i = m_model->indexFromNode(node);
    if (i == currentIndex() && (!i.isValid() || selectionModel()->isSelected(i)))
        return;
    m_syncing = true;
    if (i.isValid()) {
        // Selecting shows the node: its ancestors open.
        for (TOutlineNode* p = node->parent(); p; p = p->parent())
            if (!p->expanded())
                m_model->outline()->setExpanded(p, true);
        setCurrentIndex(i);
        scrollTo(i);
    } else {
        selectionModel()->clearCurrentIndex();
        clearSelection();
    }
    m_syncing = false;
}

void TExplorerView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTreeView::currentChanged(current, previous);
    if (!m_syncing && m_model) {
        m_syncing = true;
        m_model->outline()->setSelectedNode(m_model->nodeFromIndex(current));
        m_syncing = false;
    }
}

void TExplorerView::keyPressEvent(QKeyEvent* event) {
    if (isEditing()) {
        QTreeView::keyPressEvent(event);
        return;
    }
    if ((event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) &&
        !(event->modifiers() & Qt::ControlModifier))
        m_arrowHeld = true;
    if (KeyDownHook && KeyDownHook(event)) {
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void TExplorerView::keyReleaseEvent(QKeyEvent* event) {
    if (event->isAutoRepeat()) {
        QTreeView::keyReleaseEvent(event);
        return;
    }
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down)
        m_arrowHeld = false;
    QTreeView::keyReleaseEvent(event);
    if (!isEditing() && KeyUpHook)
        KeyUpHook(event);
}

void TExplorerView::focusInEvent(QFocusEvent* event) {
    QTreeView::focusInEvent(event);
    if (EnterHook)
        EnterHook();
}

void TExplorerView::focusOutEvent(QFocusEvent* event) {
    // The release of a held arrow key goes elsewhere now.
    m_arrowHeld = false;
    QTreeView::focusOutEvent(event);
}

bool TExplorerView::defersPress(QMouseEvent* event) const {
    if (m_replaying || event->button() != Qt::LeftButton || isEditing() || !m_model)
        return false;
    const QPoint p = event->position().toPoint();
    const QModelIndex hit = indexAt(p);
    // The expand sign left of the row acts at once.
    return hit.isValid() && p.x() >= visualRect(hit).left();
}

void TExplorerView::mousePressEvent(QMouseEvent* event) {
    if (defersPress(event)) {
        m_pending.clear();
        m_pending.emplace_back(event->clone());
        event->accept();
        return;
    }
    const QModelIndex hit = indexAt(event->position().toPoint());
    if (hit.isValid() && event->button() == Qt::RightButton)
        setCurrentIndex(hit); // a right click selects too
    QTreeView::mousePressEvent(event);
    if (hit.isValid() && MouseDownHook && !m_replaying)
        MouseDownHook(m_model->nodeFromIndex(hit));
}

void TExplorerView::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click may start a drag as well.
    if (defersPress(event)) {
        m_pending.emplace_back(event->clone());
        event->accept();
        return;
    }
    QTreeView::mouseDoubleClickEvent(event);
}

void TExplorerView::mouseReleaseEvent(QMouseEvent* event) {
    if (m_pending.empty()) {
        QTreeView::mouseReleaseEvent(event);
        return;
    }
    // The press ended as a click: it selects now.
    const std::vector<std::unique_ptr<QMouseEvent>> pending = std::move(m_pending);
    m_pending.clear();
    TOutlineNode* node = m_model->nodeFromIndex(indexAt(pending.front()->position().toPoint()));
    m_replaying = true;
    for (const auto& e : pending) {
        if (e->type() == QEvent::MouseButtonDblClick)
            QTreeView::mouseDoubleClickEvent(e.get());
        else
            QTreeView::mousePressEvent(e.get());
    }
    QTreeView::mouseReleaseEvent(event);
    m_replaying = false;
    if (node && MouseDownHook)
        MouseDownHook(node);
}

void TExplorerView::cancelPendingPress() {
    m_pending.clear();
}
