#pragma once

#include <QTreeView>

#include <vector>

class TFocusTrayModel;
class TLeafNote;
class TOptionDesc;

// The focus tray ("フォーカストレイ", object name ListViewFocus): a report
// list over TFocusTrayModel with whole-row selection that stays visible
// without the focus, no in-place editing, and the events the listing
// commands need. What a click does is decided by TSearchCommands.
class TFocusTray : public QTreeView {
    Q_OBJECT
public:
    explicit TFocusTray(const TOptionDesc* settings, QWidget* parent = nullptr);

    TFocusTrayModel* trayModel() const { return m_model; }
    // Columns from the settings with their captions and standard widths;
    // every row goes (RebuildColumns).
    void RebuildColumns(const TOptionDesc& settings);
    int columnCount() const;
    // The width a column of the kind starts with in the tray's font.
    int StandardWidth(int kind) const;
    // The width the user gave a column (the last one is not stretched).
    int columnWidth(int column) const;

    // The item of the selected row; nullptr with none.
    TLeafNote* selectedItem() const;
    int selectedRow() const;
    void selectRow(int row);
    // Modifiers of the mouse click being handled.
    Qt::KeyboardModifiers clickModifiers() const { return m_clickModifiers; }

Q_SIGNALS:
    // A click on a row, or Up/Down released (ListViewFocusClick).
    void rowClicked(bool ctrl);
    void rowDoubleClicked();
    void backspacePressed();
    // A click on a column header of the given kind (ListViewFocusColumnClick).
    void columnClicked(int kind);

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void useJapaneseFallback();

    TFocusTrayModel* m_model;
    Qt::KeyboardModifiers m_clickModifiers;
};
