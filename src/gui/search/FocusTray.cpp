#include "search/FocusTray.h"

#include "search/FocusTrayModel.h"
#include "settings/OptionDesc.h"
#include "tree/NodeImages.h"

#include <QEvent>
#include <QFontDatabase>

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>

TFocusTray::TFocusTray(const TOptionDesc* settings, QWidget* parent)
    : QTreeView(parent), m_model(new TFocusTrayModel(settings, this)) {
    setObjectName(QStringLiteral("ListViewFocus"));
    setAccessibleName(QStringLiteral("フォーカストレイ"));
    setModel(m_model);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setMinimumHeight(20);
    // The row pictures at their own size, as in the tree: scaled down they blur.
    setIconSize(QSize(2 * NodeImages::Size + 2, NodeImages::Size));
    useJapaneseFallback();
    // The selection stays visible when the tray loses the focus.
    QPalette p = palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight,
               p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText,
               p.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(p);
    // Every column keeps the width the user gives it.
    header()->setStretchLastSection(false);
    header()->setSectionsClickable(true);
    header()->setSectionsMovable(false);
    connect(header(), &QHeaderView::sectionClicked, this,
            [this](int section) { Q_EMIT columnClicked(m_model->kindOf(section)); });
    if (settings)
        RebuildColumns(*settings);
}

void TFocusTray::RebuildColumns(const TOptionDesc& o) {
    const int count = std::clamp(int(o.ColumnCount), 1, int(TOptionDesc::MaxColumns));
    std::vector<int> kinds;
    for (int i = 0; i < count; ++i)
        kinds.push_back(i == 0 ? 1 : int(o.Columns[size_t(i)].Kind));
    m_model->SetColumns(kinds);
    for (int i = 0; i < count; ++i)
        header()->resizeSection(i, StandardWidth(m_model->kindOf(i)));
}

int TFocusTray::StandardWidth(int kind) const {
    // The standard width, or more when the font needs it for a whole date
    // and for the caption.
    const QFontMetrics fm(font());
    const int pad = 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 12;
    int needed =
        QFontMetrics(header()->font()).horizontalAdvance(TFocusTrayModel::KindCaption(kind)) + pad +
        8;
    if (kind >= 4 && kind <= 7)
        needed = std::max(needed, fm.horizontalAdvance(QStringLiteral("0000/00/00")) + pad);
    return std::max(TFocusTrayModel::KindWidth(kind), needed);
}

void TFocusTray::useJapaneseFallback() {
    // A family without Japanese leaves each run of kana or kanji to a
    // fallback chosen by its script, and the Latin text beside it follows:
    // rows then differ in font. One named Japanese family after the first
    // keeps every row alike.
    QFont f = font();
    if (QFontDatabase::writingSystems(f.family()).contains(QFontDatabase::Japanese))
        return;
    const QStringList japanese = QFontDatabase::families(QFontDatabase::Japanese);
    if (japanese.isEmpty() || f.families().size() > 1)
        return;
    QString fallback = japanese.first();
    for (const QString& family : japanese)
        if (!family.contains(QLatin1String("Serif")) && !family.contains(QLatin1String("Mono")) &&
            !family.contains(QStringLiteral("明朝"))) {
            fallback = family;
            break;
        }
    f.setFamilies({f.family(), fallback});
    setFont(f);
}

void TFocusTray::changeEvent(QEvent* event) {
    QTreeView::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        useJapaneseFallback();
}

int TFocusTray::columnCount() const {
    return m_model->columnCount();
}

int TFocusTray::columnWidth(int column) const {
    return header()->sectionSize(column);
}

TLeafNote* TFocusTray::selectedItem() const {
    return m_model->itemAt(selectedRow());
}

int TFocusTray::selectedRow() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    if (!rows.isEmpty())
        return rows.first().row();
    return -1;
}

void TFocusTray::selectRow(int row) {
    if (row < 0 || row >= m_model->rowCount()) {
        clearSelection();
        return;
    }
    const QModelIndex i = m_model->index(row, 0);
    selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect |
                                             QItemSelectionModel::Rows);
    scrollTo(i);
}

QItemSelectionModel::SelectionFlags TFocusTray::selectionCommand(const QModelIndex& index,
                                                                 const QEvent* event) const {
    // Ctrl+click paints the page; it must not take the selection away.
    if (index.isValid() && event &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick))
        return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
    return QTreeView::selectionCommand(index, event);
}

void TFocusTray::mouseReleaseEvent(QMouseEvent* event) {
    const QModelIndex at = indexAt(event->position().toPoint());
    m_clickModifiers = event->modifiers();
    QTreeView::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && at.isValid())
        Q_EMIT rowClicked(m_clickModifiers.testFlag(Qt::ControlModifier));
}

void TFocusTray::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid())
        Q_EMIT rowDoubleClicked();
}

void TFocusTray::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Backspace) {
        Q_EMIT backspacePressed();
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void TFocusTray::keyReleaseEvent(QKeyEvent* event) {
    QTreeView::keyReleaseEvent(event);
    if ((event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) && !event->isAutoRepeat())
        Q_EMIT rowClicked(false);
}
