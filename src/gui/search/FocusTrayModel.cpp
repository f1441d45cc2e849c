#include "search/FocusTrayModel.h"

#include "common/Clock.h"
#include "common/DateTime.h"
#include "file/Cp932.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/ColumnKinds.h"
#include "settings/OptionDesc.h"
#include "tree/NodeImages.h"

#include <QCollator>
#include <QDate>
#include <QLocale>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

int validKind(int kind) {
    return kind >= ColumnKinds::First && kind <= ColumnKinds::Last ? kind : 1;
}

QString dayText(double value) {
    const QDate d = WrenDate::toDate(value);
    return d.isValid() ? d.toString(QStringLiteral("yyyy/MM/dd")) : QString();
}

// At most 50 bytes, never half a character; line breaks and tabs as spaces.
QString headText(const QByteArray& text) {
    constexpr qsizetype kMax = 50;
    qsizetype end = 0;
    while (end < text.size() && end < kMax) {
        const qsizetype step = Cp932::isLeadByte(static_cast<unsigned char>(text.at(end))) ? 2 : 1;
        if (end + step > kMax)
            break;
        end += step;
    }
    QByteArray head = text.left(std::min(end, text.size()));
    for (char& c : head)
        if (static_cast<unsigned char>(c) < 32)
            c = ' ';
    return Cp932::toUnicode(head);
}

double wholeDay(double value) {
    return std::trunc(value);
}

int cmp(double a, double b) {
    return a < b ? -1 : a > b ? 1 : 0;
}

QCollator& trayCollator() {
    static QCollator c = [] {
        QCollator col{QLocale(QLocale::Japanese, QLocale::Japan)};
        col.setCaseSensitivity(Qt::CaseInsensitive);
        return col;
    }();
    return c;
}

// Pages and links are compared by their beginning (a little more than the
// 50 bytes the column shows): collation keys of whole pages would make
// sorting 100 000 rows take seconds.
constexpr qsizetype kTextKeyBytes = 64;

QByteArray textKeyBytes(const TLeafNote& item, int kind) {
    switch (kind) {
    case 1:
        return item.Title;
    case 8:
        return item.PageText.left(kTextKeyBytes);
    case 9:
        return item.Links.left(kTextKeyBytes);
    case 11:
        return item.TreeNode && item.TreeNode->parent() ? item.TreeNode->parent()->item()->Title
                                                        : QByteArray();
    default:
        return QByteArray();
    }
}

// Pages and links compare case-insensitively by their bytes: locale order is
// the title's alone, and collation keys of 100 000 pages cost too much.
bool isByteKind(int kind) {
    return kind == 8 || kind == 9;
}

// ASCII letters folded; the trail byte of a double-byte character is never
// touched, so the order stays that of the code page.
QByteArray foldedBytes(const QByteArray& text) {
    QByteArray out(text);
    char* p = out.data();
    const qsizetype n = out.size();
    for (qsizetype i = 0; i < n; ++i) {
        const auto c = uchar(p[i]);
        if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) {
            ++i; // lead byte: skip the trail
            continue;
        }
        if (c >= 'A' && c <= 'Z')
            p[i] = char(c + ('a' - 'A'));
    }
    return out;
}

bool isTextKind(int kind) {
    return kind == 1 || kind == 8 || kind == 9 || kind == 11;
}

// One number per item, compared first; text kinds add a collation key.
double numberKey(const TLeafNote& item, int kind) {
    switch (kind) {
    case 2:
        return item.LabelIndex;
    case 3:
        return item.Progress;
    case 4:
        return wholeDay(item.CreatedDate);
    case 5:
        return wholeDay(item.ModifiedDate);
    case 6:
        // Items without a date after every dated one.
        return item.DueDate == 0 ? HUGE_VAL : wholeDay(item.DueDate);
    case 7:
        return item.FinishDate == 0 ? HUGE_VAL : wholeDay(item.FinishDate);
    case 10:
        return item.NodeId;
    case 11:
        // A top-level item before one with a parent.
        return item.TreeNode && item.TreeNode->parent() ? 1 : 0;
    default:
        return 0;
    }
}

// Keys of every row for one kind.
struct SortKeys {
    int kind = 0;
    std::vector<double> numbers;
    std::vector<QCollatorSortKey> texts;
    std::vector<QByteArray> bytes;

    void build(int k, const std::vector<TLeafNote*>& items) {
        kind = k;
        numbers.resize(items.size());
        for (size_t i = 0; i < items.size(); ++i)
            numbers[i] = items[i] ? numberKey(*items[i], k) : 0;
        if (isByteKind(k)) {
            bytes.reserve(items.size());
            for (TLeafNote* item : items)
                bytes.push_back(item ? foldedBytes(textKeyBytes(*item, k)) : QByteArray());
        } else if (isTextKind(k)) {
            QCollator& c = trayCollator();
            texts.reserve(items.size());
            for (TLeafNote* item : items)
                texts.push_back(
                    c.sortKey(item ? Cp932::toUnicode(textKeyBytes(*item, k)) : QString()));
        }
    }
    int compare(size_t a, size_t b) const {
        if (kind < 1 || kind > 11)
            return 0;
        if (const int n = cmp(numbers[a], numbers[b]))
            return n;
        if (!bytes.empty())
            return cmp(bytes[a].compare(bytes[b]), 0);
        if (!texts.empty()) {
            // Two top-level items are equal by their (missing) parent.
            if (kind == 11 && numbers[a] == 0)
                return 0;
            return texts[a].compare(texts[b]);
        }
        return 0;
    }
};

} // namespace

struct TFocusTrayModel::Row final : public TListRow {
    TFocusTrayModel* model = nullptr;
    TLeafNote* item = nullptr;
    int index = 0;
    bool dueInTitle = false;
    bool topLevel = true;
    uint8_t progress = 0;
    int32_t label = 0;
    int32_t nodeId = 0;
    double dates[4] = {};
    QByteArray title, pageText, links, parentTitle;

    void itemDestroyed() override { model->rowItemDestroyed(this); }
    void itemChanged(int) override { model->rowItemChanged(this); }
};

QString TFocusTrayModel::KindCaption(int kind) {
    return ColumnKinds::Caption(validKind(kind));
}

int TFocusTrayModel::KindWidth(int kind) {
    return ColumnKinds::StandardWidth(validKind(kind));
}

TFocusTrayModel::TFocusTrayModel(const TOptionDesc* settings, QObject* parent)
    : QAbstractTableModel(parent), m_settings(settings) {}

TFocusTrayModel::~TFocusTrayModel() {
    dropRows();
}

int TFocusTrayModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int TFocusTrayModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_kinds.size());
}

int TFocusTrayModel::kindOf(int column) const {
    return column >= 0 && column < int(m_kinds.size()) ? m_kinds[size_t(column)] : 0;
}

TLeafNote* TFocusTrayModel::itemAt(int row) const {
    return row >= 0 && row < int(m_rows.size()) ? m_rows[size_t(row)]->item : nullptr;
}

int TFocusTrayModel::rowOf(const TLeafNote* item) const {
    const Row* r = item ? dynamic_cast<const Row*>(item->ListItem) : nullptr;
    return r && r->model == this && r->item ? r->index : -1;
}

QString TFocusTrayModel::displayText(const Row& r, int kind) const {
    switch (kind) {
    case 1: {
        const QString title = Cp932::toUnicode(r.title);
        if (r.dueInTitle && r.dates[DateDue] != 0)
            return dayText(r.dates[DateDue]) + QStringLiteral(" - ") + title;
        return title;
    }
    case 2:
        return m_settings ? m_settings->labelName(r.label) : QString();
    case 3:
        return TLeafNote::ProgressName(r.progress);
    case 4:
        return dayText(r.dates[DateCreated]);
    case 5:
        return dayText(r.dates[DateModified]);
    case 6:
    case 7: {
        const double v = r.dates[kind == 6 ? DateDue : DateFinished];
        return v == 0 ? QStringLiteral("----/--/--") : dayText(v);
    }
    case 8:
        return headText(r.pageText);
    case 9:
        return headText(r.links);
    case 10:
        return QString::number(r.nodeId);
    case 11:
        return r.topLevel ? QStringLiteral("<トップ項目>") : Cp932::toUnicode(r.parentTitle);
    default:
        return QString();
    }
}

QVariant TFocusTrayModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(m_rows.size()))
        return QVariant();
    const Row& r = *m_rows[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        if (!r.item)
            return QVariant();
        return displayText(r, kindOf(index.column()));
    case Qt::DecorationRole:
        if (index.column() != 0 || !r.item)
            return QVariant();
        return NodeImages::itemIcon(r.item->LabelImageIndex(), r.item->IconIndex(Clock::today()),
                                    r.item->OverlayIndex());
    default:
        return QVariant();
    }
}

QVariant TFocusTrayModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= int(m_kinds.size()))
        return QVariant();
    if (role == Qt::DisplayRole)
        return KindCaption(m_kinds[size_t(section)]);
    return QVariant();
}

Qt::ItemFlags TFocusTrayModel::flags(const QModelIndex& index) const {
    // Captions cannot be edited in place.
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void TFocusTrayModel::dropRows() {
    for (auto& row : m_rows)
        if (row->item && row->item->ListItem == row.get())
            row->item->ListItem = nullptr;
    m_rows.clear();
    m_dead = 0;
}

void TFocusTrayModel::SetColumns(const std::vector<int>& kinds) {
    beginResetModel();
    dropRows();
    m_kinds.clear();
    for (int k : kinds)
        m_kinds.push_back(validKind(k));
    if (m_kinds.empty())
        m_kinds.push_back(1);
    m_kinds[0] = 1;
    endResetModel();
}

void TFocusTrayModel::Clear() {
    if (m_rows.empty())
        return;
    beginResetModel();
    dropRows();
    endResetModel();
}

void TFocusTrayModel::BeginListing() {
    beginResetModel();
    dropRows();
}

void TFocusTrayModel::Append(TLeafNote* item, bool dueInTitle) {
    if (!item || item->ListItem)
        return;
    auto row = std::make_unique<Row>();
    row->model = this;
    row->item = item;
    row->index = int(m_rows.size());
    row->dueInTitle = dueInTitle;
    row->title = item->Title;
    row->pageText = item->PageText;
    row->links = item->Links;
    row->progress = item->Progress;
    row->label = item->LabelIndex;
    row->nodeId = item->NodeId;
    row->dates[DateCreated] = item->CreatedDate;
    row->dates[DateModified] = item->ModifiedDate;
    row->dates[DateDue] = item->DueDate;
    row->dates[DateFinished] = item->FinishDate;
    if (item->TreeNode && item->TreeNode->parent()) {
        row->topLevel = false;
        row->parentTitle = item->TreeNode->parent()->item()->Title;
    }
    item->SetListItem(row.get());
    m_rows.push_back(std::move(row));
}

void TFocusTrayModel::EndListing() {
    endResetModel();
}

void TFocusTrayModel::removeIf(const std::vector<bool>& drop) {
    beginResetModel();
    std::vector<std::unique_ptr<Row>> kept;
    kept.reserve(m_rows.size());
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (drop[i]) {
            Row* r = m_rows[i].get();
            if (r->item && r->item->ListItem == r)
                r->item->ListItem = nullptr;
            if (!r->item)
                --m_dead;
        } else {
            m_rows[i]->index = int(kept.size());
            kept.push_back(std::move(m_rows[i]));
        }
    }
    m_rows = std::move(kept);
    m_dead = std::max(0, m_dead);
    endResetModel();
}

void TFocusTrayModel::rowItemDestroyed(Row* row) {
    // Many items may go at once (a branch, the trash, the whole document):
    // the rows are taken out together, in one pass.
    // Until then the row shows nothing; no signal per row, so that closing
    // a document with 100 000 listed items stays quick.
    row->item = nullptr;
    ++m_dead;
    if (!m_purgeScheduled) {
        m_purgeScheduled = true;
        QMetaObject::invokeMethod(this, &TFocusTrayModel::PurgeDeadRows, Qt::QueuedConnection);
    }
}

void TFocusTrayModel::rowItemChanged(Row* row) {
    const QModelIndex i = index(row->index, 0);
    Q_EMIT dataChanged(i, i, {Qt::DecorationRole});
}

void TFocusTrayModel::PurgeDeadRows() {
    m_purgeScheduled = false;
    if (m_dead <= 0)
        return;
    // Remove runs of dead rows from the end, so indices of earlier runs hold.
    int i = int(m_rows.size()) - 1;
    while (i >= 0) {
        if (m_rows[size_t(i)]->item) {
            --i;
            continue;
        }
        int first = i;
        while (first > 0 && !m_rows[size_t(first - 1)]->item)
            --first;
        beginRemoveRows(QModelIndex(), first, i);
        m_rows.erase(m_rows.begin() + first, m_rows.begin() + i + 1);
        endRemoveRows();
        i = first - 1;
    }
    for (size_t k = 0; k < m_rows.size(); ++k)
        m_rows[k]->index = int(k);
    m_dead = 0;
}

int TFocusTrayModel::CompareBy(int kind, const TLeafNote& a, const TLeafNote& b) {
    SortKeys keys;
    keys.build(kind, {const_cast<TLeafNote*>(&a), const_cast<TLeafNote*>(&b)});
    return keys.compare(0, 1);
}

void TFocusTrayModel::Sort(int kind, int sortKind) {
    PurgeDeadRows();
    if (m_rows.size() < 2)
        return;
    std::vector<TLeafNote*> items(m_rows.size());
    for (size_t i = 0; i < m_rows.size(); ++i)
        items[i] = m_rows[i]->item;
    SortKeys primary;
    primary.build(kind, items);
    SortKeys tie;
    const bool useTie = sortKind != 0 && sortKind != kind;
    if (useTie)
        tie.build(sortKind, items);
    const bool descending = kind == sortKind;

    std::vector<size_t> order(m_rows.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        int c = primary.compare(a, b);
        if (c == 0 && useTie)
            c = tie.compare(a, b);
        if (descending)
            c = -c;
        return c < 0;
    });

    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int> newRowOf(m_rows.size());
    for (size_t k = 0; k < order.size(); ++k)
        newRowOf[order[k]] = int(k);
    std::vector<std::unique_ptr<Row>> sorted(m_rows.size());
    for (size_t k = 0; k < order.size(); ++k) {
        sorted[k] = std::move(m_rows[order[k]]);
        sorted[k]->index = int(k);
    }
    m_rows = std::move(sorted);
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& i : before)
        after << index(newRowOf[size_t(i.row())], i.column());
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
