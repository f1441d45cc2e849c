#include "tree/TreeDragDrop.h"

#include "doc/WrenDoc.h"
#include "editor/PageFileCommands.h"
#include "file/ByteStream.h"
#include "file/Cp932.h"
#include "file/HierText.h"
#include "file/OutlineFile.h"
#include "links/LinkText.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "rtf/RtfReader.h"
#include "settings/OptionDesc.h"
#include "shell/CommandTable.h"
#include "shell/MainForm.h"
#include "tree/ExplorerView.h"
#include "tree/OutlineModel.h"
#include "tree/TreeCommands.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTimer>
#include <QUrl>

#include <exception>

namespace {

// The drag's data: the branch, its link text, rendered only when a receiver
// asks (a move inside the tree never needs the branch written out).
class TTreeDragData : public QMimeData {
public:
    explicit TTreeDragData(TOutlineNode* node) : m_node(node) {}

    // The drag is over, yet a receiver in another process may still ask (the
    // platform keeps the data for a while): what it can ask for is rendered
    // now when it went elsewhere, and the node is not looked at again.
    void detach(bool renderNow) {
        if (renderNow && m_node) {
            retrieveData(TDDXTreeView::TreeNodeMimeType(), QMetaType(QMetaType::QByteArray));
            retrieveData(TDDXTreeView::NodeLinkMimeType(), QMetaType(QMetaType::QByteArray));
        }
        m_node = nullptr;
    }

    QStringList formats() const override {
        return {TDDXTreeView::TreeNodeMimeType(), TDDXTreeView::NodeLinkMimeType(),
                QStringLiteral("text/plain")};
    }
    bool hasFormat(const QString& mimeType) const override { return formats().contains(mimeType); }

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override {
        if (mimeType == TDDXTreeView::TreeNodeMimeType()) {
            if (m_branch.isNull() && m_node)
                m_branch = OutlineFile::writeItems(m_node, true);
            return m_branch.isNull() ? QVariant() : QVariant(m_branch);
        }
        if (m_link.isNull() && m_node)
            m_link = LinkText::NodeLinkText(*m_node->item());
        if (m_link.isNull())
            return QVariant();
        if (mimeType == TDDXTreeView::NodeLinkMimeType())
            return m_link;
        if (mimeType == QLatin1String("text/plain")) {
            const QString text = Cp932::toUnicode(m_link);
            if (type.id() == QMetaType::QByteArray)
                return text.toUtf8();
            return text;
        }
        return QVariant();
    }

private:
    TOutlineNode* m_node;
    mutable QByteArray m_branch;
    mutable QByteArray m_link;
};

// The drop mark over the tree: a line above or below a row with a tick at its
// left end, or the row's text shown inverted for "into".
class TDropMark : public QWidget {
public:
    explicit TDropMark(QWidget* viewport) : QWidget(viewport) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        hide();
    }
    void set(const QRect& row, int position) {
        m_row = row;
        m_position = position;
        if (row.isNull()) {
            hide();
            return;
        }
        setGeometry(parentWidget()->rect());
        show();
        raise();
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        if (m_row.isNull())
            return;
        QPainter p(this);
        const QColor teal(0, 128, 128);
        const int s = m_row.left();
        const int d = m_row.height() / 3;
        if (m_position == TDDXTreeView::Into) {
            QColor c = teal;
            c.setAlpha(110);
            p.fillRect(m_row, c);
            return;
        }
        const int y = m_position == TDDXTreeView::Above ? m_row.top() : m_row.bottom();
        p.setPen(QPen(teal, 3));
        p.drawLine(s + 3, y, width(), y);
        p.drawLine(s, y - d, s, y + d);
    }

private:
    QRect m_row;
    int m_position = -1;
};

Qt::KeyboardModifiers keysOf(Qt::KeyboardModifiers m) {
    return m & (Qt::ControlModifier | Qt::ShiftModifier);
}

// Ctrl alone copies.
bool ctrlAlone(Qt::KeyboardModifiers m) {
    return keysOf(m) == Qt::ControlModifier;
}

// The effect of the tree's own drag: move, Ctrl copy, Ctrl+Shift link.
int keysEffect(Qt::KeyboardModifiers m) {
    const Qt::KeyboardModifiers k = keysOf(m);
    if (!(k & Qt::ControlModifier))
        return Qt::MoveAction;
    return (k & Qt::ShiftModifier) ? Qt::LinkAction : Qt::CopyAction;
}

QStringList localFiles(const QMimeData* mime) {
    QStringList out;
    if (!mime || !mime->hasUrls())
        return out;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile())
            out << url.toLocalFile();
    return out;
}

} // namespace

TDDXTreeView::TDDXTreeView(TFormMain& form)
    : QObject(&form), m_form(form), m_view(form.ExplorerView) {
    setObjectName(QStringLiteral("TreeDragDrop"));
    // The view's own drag and drop stays off; this filter does it all.
    m_view->setDragDropMode(QAbstractItemView::NoDragDrop);
    m_view->setAcceptDrops(true);
    m_view->viewport()->setAcceptDrops(true);
    m_view->viewport()->installEventFilter(this);
    m_mark = new TDropMark(m_view->viewport());
    m_overTimer = new QTimer(this);
    m_overTimer->setInterval(100);
    // A pointer held still goes on scrolling at the edges and opening folders.
    connect(m_overTimer, &QTimer::timeout, this, [this]() { overStep(); });
    m_lastChange.start();
}

TDDXTreeView* TDDXTreeView::of(TFormMain& form) {
    return form.findChild<TDDXTreeView*>(QStringLiteral("TreeDragDrop"),
                                         Qt::FindDirectChildrenOnly);
}

QMimeData* TDDXTreeView::CreateDragData(TOutlineNode* node) {
    return new TTreeDragData(node);
}

// ---- Positions and acceptance ------------------------------------------------------

std::pair<TOutlineNode*, int> TDDXTreeView::PositionAt(const QPoint& p) const {
    TOutlineModel* model = m_view->outlineModel();
    // Anywhere on the row counts, also right of a short title.
    const int left = m_view->columnViewportPosition(0);
    const int x = std::clamp(p.x(), left, left + std::max(0, m_view->columnWidth(0) - 1));
    const QModelIndex index = m_view->indexAt(QPoint(x, p.y()));
    if (TOutlineNode* node = model->nodeFromIndex(index)) {
        const QRect r = m_view->visualRect(index);
        const int d = r.height() / 3;
        if (p.y() < r.top() + d)
            return {node, Above};
        if (p.y() > r.bottom() - d)
            return {node, Below};
        return {node, Into};
    }
    // Empty space: below the last visible item.
    const TOutline& tree = *m_form.Outline;
    if (tree.topLevelCount() == 0)
        return {nullptr, Below};
    TOutlineNode* last = tree.topLevel(tree.topLevelCount() - 1);
    while (last->expanded() && last->hasChildren())
        last = last->lastChild();
    return {last, Below};
}

bool TDDXTreeView::RefusesOwn(const TOutlineNode* dragged, const TOutlineNode* target) {
    return !target || (dragged && dragged->contains(target));
}

int TDDXTreeView::AcceptExternal(const QMimeData* mime, Qt::KeyboardModifiers keys) {
    if (!mime)
        return Qt::IgnoreAction;
    if (mime->hasFormat(TreeNodeMimeType()))
        return ctrlAlone(keys) ? Qt::CopyAction : Qt::MoveAction;
    if (!localFiles(mime).isEmpty())
        return ctrlAlone(keys) ? Qt::CopyAction : Qt::LinkAction;
    if (mime->hasText())
        return ctrlAlone(keys) ? Qt::CopyAction : Qt::MoveAction;
    return Qt::IgnoreAction;
}

int TDDXTreeView::ExternalEffect(const QMimeData* mime, Qt::KeyboardModifiers keys,
                                 bool fromThisProgram, Qt::DropActions possible) {
    int effect = AcceptExternal(mime, keys);
    if (effect == Qt::IgnoreAction || fromThisProgram)
        return effect;
    // Another program removes what it reports moved: its text stays there.
    if (effect == Qt::MoveAction)
        effect = Qt::CopyAction;
    if (possible & Qt::DropAction(effect))
        return effect;
    for (const Qt::DropAction a : {Qt::CopyAction, Qt::LinkAction})
        if (possible & a)
            return a;
    return Qt::IgnoreAction; // it offers a move only
}

// ---- Drops --------------------------------------------------------------------------

TOutlineNode* TDDXTreeView::DropInside(TOutlineNode* node, TOutlineNode* target, int position,
                                       bool copy) {
    if (!node || RefusesOwn(node, target) || node->item()->IsTrash())
        return nullptr;
    TOutline& tree = *m_form.Outline;
    m_form.StorePage();
    TOutlineUpdateScope update(tree);
    if (copy) {
        // A copy whose items all have NodeId 0, made just below the original.
        const OutlineFile::ReadResult r = OutlineFile::readItems(
            OutlineFile::writeItems(node, true), tree, InsertBelow, node, true);
        if (!r.ok || !r.selected)
            return nullptr;
        node = r.selected;
    }
    TOutlineNode* const oldParent = node->parent();
    TOutlineNode* newParent = nullptr;
    int row = 0;
    // The row that ends up just before ref among its siblings.
    auto before = [node, &newParent, &row](TOutlineNode* ref) {
        newParent = ref->parent();
        row = ref->row();
        if (node->parent() == newParent && node->row() < ref->row())
            --row;
    };
    auto bottomOf = [node, &tree, &newParent, &row](TOutlineNode* parent) {
        newParent = parent;
        row = int(tree.childrenOf(parent).size()) - (node->parent() == parent ? 1 : 0);
    };
    switch (position) {
    case Above:
        before(target);
        break;
    case Into:
        bottomOf(target);
        break;
    default:
        if (TOutlineNode* next = target->nextSibling())
            before(next);
        else
            bottomOf(target->parent());
        break;
    }
    const bool wasExpanded = node->expanded();
    const bool targetExpanded = target->expanded();
    if (!tree.moveNode(node, newParent, row))
        return nullptr;
    // DragCollapse: a moved folder arrives collapsed.
    tree.setExpanded(node, m_form.Options->DragCollapse ? false : wasExpanded);
    TOutlineNode* select = node;
    if (position == Into) {
        if (!m_form.Options->DropExpand && !targetExpanded) {
            tree.setExpanded(target, false);
            select = target;
        } else {
            tree.setExpanded(target, true);
        }
    }
    // After the move: the images of the item and of both parents.
    node->item()->RefreshIcon();
    if (TOutlineNode* p = node->parent())
        p->item()->RefreshIcon();
    if (oldParent && oldParent != node->parent())
        oldParent->item()->RefreshIcon();
    m_form.ExplorerView->selectNode(select);
    m_form.GoToItem(select->item());
    m_form.Commands->updateStates();
    m_form.RefreshStatusPosition();
    return node;
}

void TDDXTreeView::LoadFile(TLeafNote& item, const QString& path, bool content) {
    item.SetTitle(HierText::TitleFromFileName(path));
    if (!content) {
        const QString shown = m_form.Doc ? m_form.Doc->MakeRelativePath(path) : path;
        item.Links += Cp932::fromUnicode(QLatin1Char('<') + shown + QLatin1Char('>')) + "\r\n";
        return;
    }
    const std::optional<TPageInsert> in = TPageFileCommands::ReadInsert(path);
    if (!in)
        return;
    if (in->rich) {
        QString text = Rtf::plainText(in->rtf);
        text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
        item.SetPage(Cp932::fromUnicode(text), in->rtf);
    } else {
        QString text = in->text;
        text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
        item.SetPage(Cp932::fromUnicode(text), QByteArray());
    }
}

bool TDDXTreeView::DropExternal(const QMimeData* mime, TOutlineNode* target, int position,
                                bool content) {
    if (!mime || !target)
        return false;
    TOutline& tree = *m_form.Outline;
    const int code = position == Above  ? InsertAbove
                     : position == Into ? InsertLastChild
                                        : InsertBelow;
    m_form.StorePage();
    TOutlineNode* first = nullptr;
    if (mime->hasFormat(TreeNodeMimeType())) {
        const QByteArray bytes = mime->data(TreeNodeMimeType());
        if (bytes.isEmpty() || bytes.size() > TTreeCommands::MaxItemStream) {
            m_form.ShowNotice(
                QStringLiteral("受け取った項目のデータが空か大きすぎます。何も作りませんでした"));
            return false;
        }
        const OutlineFile::ReadResult r = OutlineFile::readItems(bytes, tree, code, target, true);
        if (!r.ok || !r.selected) {
            m_form.ShowNotice(
                QStringLiteral("受け取った項目のデータが壊れています。何も作りませんでした（%1）")
                    .arg(r.error));
            return false;
        }
        first = r.selected;
    } else if (const QStringList files = localFiles(mime); !files.isEmpty()) {
        TOutlineUpdateScope update(tree);
        TOutlineNode* ref = target;
        QStringList refused;
        for (const QString& path : files) {
            TLeafNote* item = TLeafNote::Create(tree, first ? InsertBelow : code, ref);
            if (!first)
                first = item->TreeNode;
            ref = item->TreeNode;
            try {
                LoadFile(*item, path, content);
            } catch (const std::exception&) {
                refused << path;
            }
        }
        if (!refused.isEmpty())
            m_form.ShowNotice(QStringLiteral("内容を読めないファイルがありました: %1")
                                  .arg(refused.join(QStringLiteral(", "))));
    } else if (mime->hasText()) {
        QStringList lines = mime->text().split(QRegularExpression(QStringLiteral("\r\n|\n|\r")));
        if (lines.size() > 1 && lines.last().isEmpty())
            lines.removeLast(); // the break that ends the last line
        TOutlineUpdateScope update(tree);
        TOutlineNode* ref = target;
        for (const QString& line : lines) {
            TLeafNote* item = TLeafNote::Create(tree, first ? InsertBelow : code, ref);
            if (!first)
                first = item->TreeNode;
            ref = item->TreeNode;
            item->SetTitle(Cp932::fromUnicode(line.trimmed()));
        }
    } else {
        return false;
    }
    if (TOutlineNode* p = first->parent()) {
        tree.setExpanded(p, true);
        p->item()->RefreshIcon();
    }
    m_form.ExplorerView->selectNode(first);
    m_form.GoToItem(first->item());
    m_form.Commands->updateStates();
    m_form.RefreshStatusPosition();
    return true;
}

// ---- The drag -----------------------------------------------------------------------

void TDDXTreeView::startDrag(TOutlineNode* node) {
    if (!node || node->item()->IsTrash() || m_view->isEditing())
        return;
    // The press that started it is not a click: the current item stays.
    m_view->cancelPendingPress();
    m_form.StorePage();
    // Qt frees the drag (with its data) once every receiver is done with it.
    auto* drag = new QDrag(m_view);
    auto* data = static_cast<TTreeDragData*>(CreateDragData(node));
    drag->setMimeData(data);
    const QModelIndex index = m_view->outlineModel()->indexFromNode(node);
    const QRect r = m_view->visualRect(index) & m_view->viewport()->rect();
    if (!r.isEmpty()) {
        // See-through, so that the drop mark under the pointer shows.
        const QPixmap row = m_view->viewport()->grab(r);
        QPixmap image(row.size());
        image.setDevicePixelRatio(row.devicePixelRatio());
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setOpacity(0.55);
        p.drawPixmap(0, 0, row);
        p.end();
        drag->setPixmap(image);
        // The row stays under the pointer where it was taken hold of.
        const QPoint hot = m_pressPos - r.topLeft();
        drag->setHotSpot(
            QPoint(std::clamp(hot.x(), 0, r.width() - 1), std::clamp(hot.y(), 0, r.height() - 1)));
    }
    m_dragNode = node;
    m_dragging = true;
    m_moved = false;
    const Qt::DropAction done =
        drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, Qt::MoveAction);
    // Whatever another window reports, nothing is removed here.
    data->detach(done != Qt::IgnoreAction && !m_moved);
    m_dragging = false;
    m_dragNode = nullptr;
    m_overTimer->stop();
    setMark(nullptr, -1);
    if (!m_moved && m_form.CurrentItem)
        m_form.ExplorerView->selectNode(m_form.CurrentItem->TreeNode);
    if (TOutlineNode* s = m_form.Outline->selectedNode())
        m_form.GoToItem(s->item());
}

void TDDXTreeView::setMark(TOutlineNode* node, int position) {
    auto* mark = static_cast<TDropMark*>(m_mark);
    if (!node) {
        mark->set(QRect(), -1);
        return;
    }
    const QModelIndex index = m_view->outlineModel()->indexFromNode(node);
    QRect r = m_view->visualRect(index);
    if (position != Into)
        r.setRight(m_view->viewport()->width());
    mark->set(r, position);
}

int TDDXTreeView::externalEffect(const QDropEvent* event) const {
    return ExternalEffect(event->mimeData(), event->modifiers(), event->source() != nullptr,
                          event->possibleActions());
}

void TDDXTreeView::report(QDropEvent* event, int effect) {
    if (effect == Qt::IgnoreAction) {
        event->setDropAction(Qt::IgnoreAction);
        event->ignore();
        return;
    }
    const auto action = Qt::DropAction(effect);
    event->setDropAction(event->possibleActions() & action ? action : event->proposedAction());
    event->accept();
}

bool TDDXTreeView::edgeScroll(const QPoint& p) {
    const QSize size = m_view->viewport()->size();
    int zone = 0; // 1 top, 2 bottom, 3 left, 4 right
    if (p.y() < 20)
        zone = 1;
    else if (p.y() > size.height() - 20)
        zone = 2;
    else if (p.x() < 20)
        zone = 3;
    else if (p.x() > size.width() - 20)
        zone = 4;
    if (zone == 0) {
        m_edgeState = 0;
        return false;
    }
    if (m_edgeState == 0) {
        m_edgeState = 1; // armed: the next event scrolls
        return false;
    }
    m_edgeState = 2;
    QScrollBar* bar = m_view->verticalScrollBar();
    if (zone == 1)
        bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (zone == 2)
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    return zone <= 2;
}

bool TDDXTreeView::enter(QDropEvent* event) {
    m_feedback = nullptr;
    m_feedbackPos = -1;
    m_edgeState = 0;
    m_overData = event->mimeData();
    m_overOwn =
        m_dragging && event->source() == m_view && m_overData->hasFormat(TreeNodeMimeType());
    const int effect = m_overOwn ? keysEffect(event->modifiers()) : externalEffect(event);
    if (effect == Qt::IgnoreAction) {
        report(event, effect);
        return true;
    }
    m_overTimer->start();
    return over(event);
}

bool TDDXTreeView::over(QDropEvent* event) {
    m_overData = event->mimeData();
    m_overPos = event->position().toPoint();
    m_overKeys = event->modifiers();
    m_overRefused = !m_overOwn && externalEffect(event) == Qt::IgnoreAction;
    overStep();
    int effect = Qt::IgnoreAction;
    if (m_feedback)
        effect = m_overOwn ? keysEffect(m_overKeys) : externalEffect(event);
    report(event, effect);
    return true;
}

void TDDXTreeView::overStep() {
    if (edgeScroll(m_overPos))
        setMark(m_feedback, m_feedbackPos); // the rows moved under the mark
    auto [node, position] = PositionAt(m_overPos);
    bool refused = !node;
    if (!refused && m_overOwn)
        refused = RefusesOwn(m_dragNode, node);
    else if (!refused)
        refused = m_overRefused;
    if (refused) {
        setMark(nullptr, -1);
        m_feedback = nullptr;
        m_feedbackPos = -1;
        return;
    }
    if (node == m_feedback && position == m_feedbackPos) {
        // Hovering into a closed folder opens it, unless it holds the dragged item.
        if (position == Into && m_lastChange.elapsed() >= 1501 && node->hasChildren() &&
            !node->expanded() && !(m_dragNode && node->contains(m_dragNode))) {
            m_form.Outline->setExpanded(node, true);
            std::tie(node, position) = PositionAt(m_overPos);
            m_feedback = node;
            m_feedbackPos = position;
            setMark(node, position);
            m_lastChange.restart();
        }
        return;
    }
    setMark(node, position);
    m_feedback = node;
    m_feedbackPos = position;
    m_lastChange.restart();
}

void TDDXTreeView::leave() {
    m_overTimer->stop();
    setMark(nullptr, -1);
    m_feedback = nullptr;
    m_feedbackPos = -1;
    m_overData = nullptr;
}

void TDDXTreeView::drop(QDropEvent* event) {
    m_overTimer->stop();
    setMark(nullptr, -1);
    const QMimeData* mime = event->mimeData();
    const Qt::KeyboardModifiers keys = event->modifiers();
    const int effect = externalEffect(event);
    if (effect == Qt::IgnoreAction) {
        report(event, effect);
        return;
    }
    const auto [node, position] = PositionAt(event->position().toPoint());
    const bool own = m_dragging && event->source() == m_view && mime->hasFormat(TreeNodeMimeType());
    m_overData = nullptr;
    if (own) {
        if (RefusesOwn(m_dragNode, node)) {
            report(event, Qt::IgnoreAction);
            return;
        }
        m_moved = true;
        const int ownEffect = keysEffect(keys);
        m_form.Commands->guarded(
            [&] { DropInside(m_dragNode, node, position, ownEffect == Qt::CopyAction); });
        report(event, ownEffect);
        return;
    }
    bool made = false;
    m_form.Commands->guarded([&] { made = DropExternal(mime, node, position, ctrlAlone(keys)); });
    report(event, made ? effect : Qt::IgnoreAction);
}

bool TDDXTreeView::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_view->viewport())
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* me = static_cast<QMouseEvent*>(event);
        m_pressNode = nullptr;
        if (me->button() == Qt::LeftButton && !m_view->isEditing()) {
            m_pressPos = me->position().toPoint();
            m_pressNode = m_view->outlineModel()->nodeFromIndex(m_view->indexAt(m_pressPos));
        }
        return false;
    }
    case QEvent::MouseMove: {
        auto* me = static_cast<QMouseEvent*>(event);
        if (!m_pressNode || !(me->buttons() & Qt::LeftButton))
            return false;
        if ((me->position().toPoint() - m_pressPos).manhattanLength() <
            QApplication::startDragDistance())
            return true; // not a drag yet; nor a selection sweep
        TOutlineNode* node = m_pressNode;
        m_pressNode = nullptr;
        m_form.Commands->guarded([&] { startDrag(node); });
        return true;
    }
    case QEvent::MouseButtonRelease:
        m_pressNode = nullptr;
        return false;
    case QEvent::DragEnter:
        return enter(static_cast<QDropEvent*>(event));
    case QEvent::DragMove:
        return over(static_cast<QDropEvent*>(event));
    case QEvent::DragLeave:
        leave();
        return true;
    case QEvent::Drop:
        drop(static_cast<QDropEvent*>(event));
        return true;
    default:
        return false;
    }
}

void InstallTreeDragDrop(TFormMain& form) {
    if (!TDDXTreeView::of(form))
        new TDDXTreeView(form);
}
