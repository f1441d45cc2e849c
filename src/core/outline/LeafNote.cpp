#include "outline/LeafNote.h"

#include "common/DateTime.h"
#include "file/ByteStream.h"
#include "file/Cp932.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"

#include <zlib.h>

TLeafNote::TLeafNote(TOutlineNode* node) : TreeNode(node) {
    CreatedDate = ModifiedDate = node->outline()->creationTime();
}

TLeafNote::~TLeafNote() {
    if (ListItem) {
        TListRow* row = ListItem;
        ListItem = nullptr;
        row->itemDestroyed();
    }
}

// Encoded once: every item created while a document loads takes one.
QByteArray TLeafNote::DefaultItemTitle() {
    static const QByteArray title = Cp932::fromUnicode(QStringLiteral("新しい項目"));
    return title;
}
QByteArray TLeafNote::DefaultBookTitle() {
    static const QByteArray title = Cp932::fromUnicode(QStringLiteral("新しいブック"));
    return title;
}
QByteArray TLeafNote::TrashTitle() {
    static const QByteArray title = Cp932::fromUnicode(QStringLiteral("ごみ箱"));
    return title;
}

QString TLeafNote::ProgressName(int progress) {
    switch (progress) {
    case 0:
        return QStringLiteral("未着手");
    case 1:
        return QStringLiteral("進行中");
    case 2:
        return QStringLiteral("完了");
    case 3:
        return QStringLiteral("保留");
    default:
        return QString();
    }
}

TOutline& TLeafNote::outline() const {
    return *TreeNode->outline();
}

TLeafNote* TLeafNote::Create(TOutline& tree, int code, TOutlineNode* ref) {
    QByteArray title;
    if (!ref) {
        code = code == InsertTopOfLevel ? InsertTopOfLevel : InsertBottomOfLevel;
        title = DefaultBookTitle();
    } else {
        if (code < InsertTopOfLevel || code > InsertLastChild)
            code = InsertBottomOfLevel; // a damaged setting must not lose the new item
        const bool nested = ref->parent() || code == InsertFirstChild || code == InsertLastChild;
        title = nested ? DefaultItemTitle() : DefaultBookTitle();
    }
    TOutlineNode* parent = ref ? ref->parent() : nullptr;
    TOutlineNode* node = nullptr;
    switch (code) {
    case InsertTopOfLevel:
        node = tree.insertNew(parent, 0);
        break;
    case InsertBottomOfLevel:
        node = tree.insertNew(parent, int(tree.childrenOf(parent).size()));
        break;
    case InsertBelow:
        node = tree.insertNew(parent, ref->row() + 1);
        break;
    case InsertAbove:
        node = tree.insertNew(parent, ref->row());
        break;
    case InsertFirstChild:
        node = tree.insertNew(ref, 0);
        ref->item()->RefreshIcon();
        break;
    case InsertLastChild:
    default:
        node = tree.insertNew(ref, ref->childCount());
        ref->item()->RefreshIcon();
        break;
    }
    TLeafNote* item = node->item();
    item->Title = title;
    item->RefreshIcon();
    item->RefreshLabel();
    item->RefreshCaption();
    return item;
}

TLeafNote* TLeafNote::CreateTrash(TOutline& tree) {
    TLeafNote* item = Create(tree, InsertBottomOfLevel, nullptr);
    if (tree.trashNode())
        return item;
    item->Title = TrashTitle();
    item->NodeId = -1;
    tree.setTrashNode(item->TreeNode);
    item->RefreshIcon();
    item->RefreshLabel();
    item->RefreshCaption();
    return item;
}

bool TLeafNote::IsInTrash() const {
    for (const TOutlineNode* n = TreeNode; n; n = n->parent())
        if (n->item()->NodeId == -1)
            return true;
    return false;
}

TLeafNote::DeleteResult TLeafNote::Delete(const Confirm& confirm,
                                          const std::function<void(TOutlineNode*)>& beforeDestroy) {
    TOutline& tree = outline();
    if (IsTrash())
        return NothingDone;
    TOutlineNode* node = TreeNode;
    TOutlineNode* parent = node->parent();
    if (IsInTrash()) {
        const TOptionDesc* settings = tree.settings();
        if (!settings || settings->ConfirmDel) {
            const QString question =
                QLatin1Char('"') + Cp932::toUnicode(Title) + QStringLiteral("\"を削除しますか?");
            if (!confirm || !confirm(question))
                return Cancelled;
        }
        if (beforeDestroy)
            beforeDestroy(node);
        tree.removeNode(node); // this item is gone from here on
        if (parent && !parent->hasChildren())
            parent->item()->RefreshIcon();
        return Destroyed;
    }

    TOutlineNode* trash = tree.trashNode();
    if (!trash)
        trash = CreateTrash(tree)->TreeNode;
    TOutlineUpdateScope update(tree);
    if (tree.selectedNode() && node->contains(tree.selectedNode())) {
        // The next visible node outside the branch that leaves, else the previous one.
        TOutlineNode* next = tree.nextVisible(node);
        while (next && node->contains(next))
            next = tree.nextVisible(next);
        if (!next)
            next = tree.prevVisible(node);
        tree.setSelectedNode(next);
    }
    const bool trashExpanded = trash->expanded();
    tree.moveNode(node, trash, trash->childCount());
    tree.setExpanded(trash, trashExpanded);
    RefreshIcon();
    if (parent && !parent->hasChildren())
        parent->item()->RefreshIcon();
    trash->item()->RefreshIcon();
    return MovedToTrash;
}

const QByteArray& TLeafNote::GetPage() {
    if (PageCompressedValid && !PageExpanded && !PageCompressed.isEmpty()) {
        TOutline& tree = outline();
        const qint64 room = tree.expandRoom();
        PageRich = room < PageZip::DefaultLimit
                       ? PageZip::decompress(PageCompressed, qsizetype(room),
                                             PageZip::BudgetMessage(tree.expandBudget()))
                       : PageZip::decompress(PageCompressed);
        tree.chargeExpanded(PageRich.size());
        PageExpanded = true;
    }
    return PageRich;
}

void TLeafNote::ReleasePage() {
    if (!PageCompressedValid || !PageExpanded || PageCompressed.isEmpty())
        return;
    outline().releaseExpanded(PageRich.size());
    PageRich = QByteArray();
    PageExpanded = false;
}

void TLeafNote::ClearPage() {
    // An expanded copy going away gives its room in the budget back.
    if (PageCompressedValid && PageExpanded && TreeNode)
        outline().releaseExpanded(PageRich.size());
    PageCompressedValid = false;
    PageCompressed.clear();
    PageRich.clear();
}

void TLeafNote::SetPage(const QByteArray& text, const QByteArray& rich) {
    PageText = text;
    ClearPage();
    PageRich = rich;
}

void TLeafNote::SetTitle(const QByteArray& title) {
    Title = title;
    RefreshCaption();
}

void TLeafNote::SetLabelIndex(int32_t index) {
    LabelIndex = index;
    RefreshLabel();
}

void TLeafNote::SetProgress(uint8_t progress) {
    Progress = progress;
    RefreshIcon();
}

double TLeafNote::GetDate(int index) const {
    switch (index) {
    case DateCreated:
        return CreatedDate;
    case DateModified:
        return ModifiedDate;
    case DateDue:
        return DueDate;
    case DateFinished:
        return FinishDate;
    default:
        return 0;
    }
}

void TLeafNote::SetDate(int index, double value) {
    switch (index) {
    case DateCreated:
        CreatedDate = value;
        break;
    case DateModified:
        ModifiedDate = value;
        break;
    case DateDue:
        DueDate = value;
        RefreshIcon();
        break;
    case DateFinished:
        FinishDate = value;
        break;
    default:
        return;
    }
    const TOptionDesc* settings = outline().settings();
    const int view = settings ? settings->ItemView : 0;
    const int shown = view == 0 ? 3 : (view - 1) % 4;
    if (index == shown)
        RefreshCaption();
}

void TLeafNote::SetDueDate(double value) {
    DueDate = value;
    RefreshIcon();
}

void TLeafNote::RefreshIcon() {
    outline().notifyChanged(TreeNode, TOutline::IconChanged);
}

void TLeafNote::RefreshCaption() {
    outline().notifyChanged(TreeNode, TOutline::CaptionChanged);
}

void TLeafNote::RefreshLabel() {
    outline().notifyChanged(TreeNode, TOutline::LabelChanged);
}

bool TLeafNote::HasDefaultTitle() const {
    return Title == DefaultItemTitle() || Title == DefaultBookTitle();
}

bool TLeafNote::CanMoveUp() const {
    return TreeNode->prevSibling() != nullptr;
}

bool TLeafNote::CanMoveDown() const {
    return TreeNode->nextSibling() != nullptr;
}

bool TLeafNote::CanOutdent() const {
    return TreeNode->parent() != nullptr;
}

void TLeafNote::MoveUp() {
    if (CanMoveUp())
        outline().moveNode(TreeNode, TreeNode->parent(), TreeNode->row() - 1);
}

void TLeafNote::MoveDown() {
    // Before the next-but-one sibling, or at the end: either way one row down.
    if (CanMoveDown())
        outline().moveNode(TreeNode, TreeNode->parent(), TreeNode->row() + 1);
}

void TLeafNote::Indent() {
    TOutlineNode* prev = TreeNode->prevSibling();
    if (!prev)
        return;
    TOutline& tree = outline();
    TOutlineUpdateScope update(tree);
    tree.moveNode(TreeNode, prev, prev->childCount());
    RefreshIcon();
    prev->item()->RefreshIcon();
}

void TLeafNote::Outdent() {
    TOutlineNode* q = TreeNode->parent();
    if (!q)
        return;
    TOutline& tree = outline();
    TOutlineUpdateScope update(tree);
    tree.moveNode(TreeNode, q->parent(), q->row() + 1);
    RefreshIcon();
    q->item()->RefreshIcon();
}

int32_t TLeafNote::AssignNodeId() {
    if (NodeId == 0) {
        TOptionDesc* settings = outline().settings();
        if (settings)
            NodeId = settings->NextNodeId++;
    }
    return NodeId;
}

int TLeafNote::IconIndex(double today) const {
    if (IsTrash())
        return TreeNode->hasChildren() ? 12 : 11;
    if (DueDate != 0 && Progress < ProgressDone)
        return today + 1 > DueDate ? 7 : 6;
    if (TreeNode->parent()) {
        if (!TreeNode->hasChildren())
            return 4;
        return TreeNode->expanded() ? 3 : 2;
    }
    return TreeNode->expanded() ? 1 : 0;
}

QByteArray TLeafNote::Caption(int itemView) const {
    if (itemView < 1 || itemView > 8)
        return Title;
    const double date = GetDate((itemView - 1) % 4);
    if (date == 0)
        return Title;
    const QDate d = WrenDate::toDate(date);
    if (!d.isValid())
        return Title;
    const QByteArray text = QByteArray::number(d.year()).rightJustified(4, '0') + '/' +
                            QByteArray::number(d.month()).rightJustified(2, '0') + '/' +
                            QByteArray::number(d.day()).rightJustified(2, '0');
    return itemView <= 4 ? text + " - " + Title : Title + " - " + text;
}

QByteArray TLeafNote::Caption() const {
    const TOptionDesc* settings = outline().settings();
    return Caption(settings ? settings->ItemView : 0);
}

int TLeafNote::LabelImageIndex() const {
    const TOptionDesc* settings = outline().settings();
    if (LabelIndex < 0 || LabelIndex > 15)
        return -1;
    return settings ? settings->LabelImage[size_t(LabelIndex)] : LabelIndex;
}

namespace PageZip {

QByteArray compress(const QByteArray& data) {
    uLongf bound = compressBound(uLong(data.size()));
    QByteArray out(qsizetype(bound), Qt::Uninitialized);
    const int rc = compress2(reinterpret_cast<Bytef*>(out.data()), &bound,
                             reinterpret_cast<const Bytef*>(data.constData()), uLong(data.size()),
                             Z_DEFAULT_COMPRESSION);
    if (rc != Z_OK)
        throw EReadError(QStringLiteral("ページの圧縮に失敗しました (zlib %1)").arg(rc));
    out.truncate(qsizetype(bound));
    return out;
}

QString BudgetMessage(qint64 budget) {
    return QStringLiteral("ページを展開できません: 展開したページの合計がこの文書の上限 (%1 MiB) "
                          "を超えます。圧縮率が異常に高いページが含まれています。")
        .arg(budget >> 20);
}

QByteArray decompress(const QByteArray& data, qsizetype limit, const QString& tooLargeMessage) {
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK)
        throw EReadError(QStringLiteral("ページを展開できません: zlib を初期化できません"));
    QByteArray out;
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    zs.avail_in = uInt(data.size());
    int rc = Z_OK;
    qsizetype chunk = qMax<qsizetype>(4096, data.size() * 4);
    const auto tooLarge = [&zs, &tooLargeMessage] {
        inflateEnd(&zs);
        return EReadError(
            tooLargeMessage.isEmpty()
                ? QStringLiteral("ページを展開できません: 展開後のサイズが大きすぎます")
                : tooLargeMessage);
    };
    while (rc == Z_OK) {
        const qsizetype old = out.size();
        // One byte past the limit is enough to tell that the page is too large.
        const qsizetype step = qMin(chunk, limit + 1 - old);
        if (step <= 0)
            throw tooLarge();
        out.resize(old + step);
        zs.next_out = reinterpret_cast<Bytef*>(out.data() + old);
        zs.avail_out = uInt(step);
        rc = inflate(&zs, Z_NO_FLUSH);
        out.resize(old + step - qsizetype(zs.avail_out));
        if (rc == Z_BUF_ERROR && zs.avail_in == 0)
            break; // input ended before the stream did
        if (rc == Z_BUF_ERROR)
            rc = Z_OK;
        chunk = qMin<qsizetype>(chunk * 2, 64 << 20);
    }
    if (out.size() > limit)
        throw tooLarge();
    const QString message = zs.msg ? QString::fromLatin1(zs.msg) : QString();
    inflateEnd(&zs);
    if (rc != Z_STREAM_END)
        throw EReadError(
            QStringLiteral("ページを展開できません: 圧縮データが壊れています (zlib %1%2)")
                .arg(rc)
                .arg(message.isEmpty() ? QString() : QStringLiteral(": ") + message));
    return out;
}

} // namespace PageZip
