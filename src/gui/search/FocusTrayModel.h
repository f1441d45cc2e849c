#pragma once

#include <QAbstractTableModel>
#include <QByteArray>

#include <cstdint>
#include <memory>
#include <vector>

class TLeafNote;
class TOptionDesc;

// The rows of the focus tray: one per listed item, a snapshot of the item's
// texts at the time of listing; only the images follow the item afterwards.
// While listed, the item's ListItem is its row; a row goes when its item is
// destroyed. Columns are kinds 1..11, column 0 always kind 1.
class TFocusTrayModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Kind of a column, its caption and standard width.
    static QString KindCaption(int kind);
    static int KindWidth(int kind);

    explicit TFocusTrayModel(const TOptionDesc* settings, QObject* parent = nullptr);
    ~TFocusTrayModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Removes every row and sets the column kinds (out-of-range kinds are 1).
    void SetColumns(const std::vector<int>& kinds);
    const std::vector<int>& columnKinds() const { return m_kinds; }
    int kindOf(int column) const;

    // The item of a row; nullptr for a row whose item is gone.
    TLeafNote* itemAt(int row) const;
    // The row of an item, -1 when it is not listed here.
    int rowOf(const TLeafNote* item) const;

    // Removes every row.
    void Clear();
    // A listing: rows are appended between BeginListing and EndListing and
    // shown together. An item already listed keeps its row.
    void BeginListing();
    void Append(TLeafNote* item, bool dueInTitle);
    void EndListing();
    // Removes the rows for which keep is false; the others keep their order.
    template <typename Keep> void Refine(Keep keep);

    // Sorts by kind with the tie rule and direction of SortKind.
    void Sort(int kind, int sortKind);
    // Compares two items by kind: < 0, 0, > 0.
    static int CompareBy(int kind, const TLeafNote& a, const TLeafNote& b);

    // Rows whose items were destroyed go now (otherwise at the next turn of
    // the event loop).
    void PurgeDeadRows();

private:
    struct Row;
    friend struct Row;
    void rowItemDestroyed(Row* row);
    void rowItemChanged(Row* row);
    void removeIf(const std::vector<bool>& drop);
    // Every row goes; items forget theirs. Inside a model reset only.
    void dropRows();
    QString displayText(const Row& row, int kind) const;

    const TOptionDesc* m_settings;
    std::vector<int> m_kinds{1};
    std::vector<std::unique_ptr<Row>> m_rows;
    std::vector<std::unique_ptr<Row>> m_pending; // appended, not yet shown
    int m_dead = 0;
    bool m_purgeScheduled = false;
};

template <typename Keep> void TFocusTrayModel::Refine(Keep keep) {
    PurgeDeadRows();
    std::vector<bool> drop(m_rows.size(), false);
    bool any = false;
    // From the last row to the first, as the listing does.
    for (size_t i = m_rows.size(); i-- > 0;) {
        TLeafNote* item = itemAt(int(i));
        if (!item || !keep(*item)) {
            drop[i] = true;
            any = true;
        }
    }
    if (any)
        removeIf(drop);
}
